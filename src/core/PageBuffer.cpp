#include "PageBuffer.h"

#include <new>
#include <sys/mman.h>

namespace {
constexpr size_t kHugePage = 2 * 1024 * 1024;
}

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
    // Only a hint: without transparent huge pages the buffer works as before.
    if (FHugePages && size >= kHugePage)
        ::madvise(FData, FSize, MADV_HUGEPAGE);
}

void TPageBuffer::Free() {
    if (FData)
        ::munmap(FData, FSize);
    FData = nullptr;
    FSize = 0;
}
