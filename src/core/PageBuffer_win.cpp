// Large buffers on Windows: whole pages from VirtualAlloc, given back to the system when freed.
#include "PageBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <windows.h>

void TPageBuffer::Resize(size_t size) {
    if (size == FSize)
        return;
    if (size == 0) {
        Free();
        return;
    }
    void* data = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (data == nullptr)
        throw std::bad_alloc();
    if (FData)
        std::memcpy(data, FData, std::min(size, FSize));
    Free();
    FData = static_cast<unsigned char*>(data);
    FSize = size;
}

void TPageBuffer::Free() {
    if (FData)
        ::VirtualFree(FData, 0, MEM_RELEASE);
    FData = nullptr;
    FSize = 0;
}
