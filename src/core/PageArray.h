#pragma once

#include "PageBuffer.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

// A growing array of plain values in whole pages of its own (TPageBuffer). Growing moves the
// pages rather than copying them where the system can, so a table of a million entries never
// needs its old and its new copy at once, and the pages may be huge ones: a table built entry
// by entry then costs a few hundred page faults instead of tens of thousands.
template <typename T> class TPageArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TPageArray() { FBuffer.PreferHugePages(); }

    size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    const T* data() const { return reinterpret_cast<const T*>(FBuffer.data()); }
    const T& operator[](size_t i) const { return data()[i]; }
    T& operator[](size_t i) { return reinterpret_cast<T*>(FBuffer.data())[i]; }
    // Bytes held, the room not yet used included.
    size_t CapacityBytes() const { return FBuffer.size(); }

    void push_back(const T& value) { append(&value, 1); }
    void append(const T* values, size_t count) {
        if (count > (FBuffer.size() / sizeof(T)) - FSize)
            Grow(FSize + count);
        std::memcpy(reinterpret_cast<T*>(FBuffer.data()) + FSize, values, count * sizeof(T));
        FSize += count;
    }
    // Grows to size values, the new ones zero.
    void resize(size_t size) {
        if (size > FBuffer.size() / sizeof(T))
            Grow(size);
        if (size > FSize)
            std::memset(reinterpret_cast<T*>(FBuffer.data()) + FSize, 0,
                        (size - FSize) * sizeof(T));
        FSize = size;
    }
    void clear() {
        FBuffer.Free();
        FSize = 0;
    }

private:
    void Grow(size_t wanted) {
        size_t bytes = std::max<size_t>(FBuffer.size(), kFirstBytes);
        while (bytes / sizeof(T) < wanted)
            bytes *= 2;
        FBuffer.Resize(bytes);
    }

    static constexpr size_t kFirstBytes = 4096;
    TPageBuffer FBuffer;
    size_t FSize = 0;
};
