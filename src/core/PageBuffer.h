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
    const unsigned char* data() const { return FData; }
    size_t size() const { return FSize; }
    operator std::span<unsigned char>() { return {FData, FSize}; }

    // Grows or shrinks to size bytes; throws std::bad_alloc.
    void Resize(size_t size);
    // Asks the system for huge pages where it has them, for buffers that are filled from the
    // start and kept: fewer faults, at the cost of up to one huge page not yet used.
    void PreferHugePages() { FHugePages = true; }
    void Free();

private:
    unsigned char* FData = nullptr;
    size_t FSize = 0;
    bool FHugePages = false;
};
