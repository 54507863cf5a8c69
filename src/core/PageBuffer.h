#pragma once

#include <cstddef>
#include <span>

// A buffer taken straight from the system's pages rather than from the heap. Freeing it gives
// the memory back at once: the heap keeps what a thread freed for that thread's later use, so
// buffers of several MiB per worker would stay resident long after they were freed. Pages are
// zero until written, and growing keeps the contents.
class TPageBuffer {
public:
    TPageBuffer() = default;
    ~TPageBuffer() { Free(); }
    TPageBuffer(const TPageBuffer&) = delete;
    TPageBuffer& operator=(const TPageBuffer&) = delete;

    unsigned char* data() { return FData; }
    size_t size() const { return FSize; }
    operator std::span<unsigned char>() { return {FData, FSize}; }

    // Grows or shrinks to size bytes; throws std::bad_alloc.
    void Resize(size_t size);
    void Free();

private:
    unsigned char* FData = nullptr;
    size_t FSize = 0;
};
