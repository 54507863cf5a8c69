#pragma once

#include <cstdint>
#include <string>

// Deterministic content that compresses like game data: text with words and line breaks, or
// binary values that drift smoothly with noise, as in textures and meshes.
struct TGameRandom {
    uint64_t State;
    uint32_t Next() {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(State >> 33);
    }
};

inline void AppendGameData(std::string& out, TGameRandom& random, size_t size, bool text) {
    static const char* const words[] = {"Schwert", "Schild", "Heiltrank", "Goldmünze", "Ritter",
                                        "Drache",  "Burg",   "Nebel",     "Wald",      "Fluss"};
    const size_t end = out.size() + size;
    if (text) {
        while (out.size() < end) {
            out += words[random.Next() % 10];
            out += (random.Next() % 8 == 0) ? "\r\n" : " ";
        }
    } else {
        auto value = static_cast<uint8_t>(random.Next());
        while (out.size() < end) {
            value = static_cast<uint8_t>(value + static_cast<int>(random.Next() % 7) - 3);
            out.push_back(static_cast<char>(value));
        }
    }
    out.resize(end);
}

inline std::string GameData(TGameRandom& random, size_t size, bool text) {
    std::string out;
    out.reserve(size + 16);
    AppendGameData(out, random, size, text);
    return out;
}
