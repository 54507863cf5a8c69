#include "PageBuffer.h"

#include <new>
#include <sys/mman.h>

void TPageBuffer::Resize(size_t size) {
    if (size == FSize)
        return;
    if (size == 0) {
        Free();
        return;
    }
    void* data =
        FData ? ::mremap(FData, FSize, size, MREMAP_MAYMOVE)
              : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        throw std::bad_alloc();
    FData = static_cast<unsigned char*>(data);
    FSize = size;
}

void TPageBuffer::Free() {
    if (FData)
        ::munmap(FData, FSize);
    FData = nullptr;
    FSize = 0;
}
