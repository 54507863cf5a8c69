#include "DirectoryIds.h"

#include <cstring>
#include <random>

namespace {

uint64_t Rotate(uint64_t x, int bits) {
    return (x << bits) | (x >> (64 - bits));
}

// SipHash-1-3 of bytes under a 128-bit key: without the key, nobody can make names collide.
uint64_t SipHash13(uint64_t key0, uint64_t key1, std::string_view bytes) {
    uint64_t v0 = key0 ^ 0x736f6d6570736575ull;
    uint64_t v1 = key1 ^ 0x646f72616e646f6dull;
    uint64_t v2 = key0 ^ 0x6c7967656e657261ull;
    uint64_t v3 = key1 ^ 0x7465646279746573ull;
    auto round = [&] {
        v0 += v1;
        v1 = Rotate(v1, 13) ^ v0;
        v0 = Rotate(v0, 32);
        v2 += v3;
        v3 = Rotate(v3, 16) ^ v2;
        v0 += v3;
        v3 = Rotate(v3, 21) ^ v0;
        v2 += v1;
        v1 = Rotate(v1, 17) ^ v2;
        v2 = Rotate(v2, 32);
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        v3 ^= word;
        round();
        v0 ^= word;
    }
    uint64_t tail = uint64_t{size} << 56;
    for (size_t k = 0; i + k < size; ++k)
        tail |= uint64_t{p[i + k]} << (8 * k);
    v3 ^= tail;
    round();
    v0 ^= tail;
    v2 ^= 0xff;
    round();
    round();
    round();
    return v0 ^ v1 ^ v2 ^ v3;
}

} // namespace

TDirectoryIds::TDirectoryIds()
    : FChildren(0, [] {
        std::random_device random;
        const auto draw = [&] { return (uint64_t{random()} << 32) | random(); };
        return THash{draw(), draw()};
    }()) {}

size_t TDirectoryIds::THash::operator()(const TKey& key) const {
    return static_cast<size_t>(SipHash13(Key0, Key1 + key.Parent, key.Name));
}
