#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A picture in the TGA format, as games store their textures: colour-mapped, true-colour or
// grey, each uncompressed or run-length encoded, with or without the footer of the format's
// second version (which is not needed to read the picture, and often missing).
struct TTgaImage {
    int Width = 0;
    int Height = 0;
    bool HasAlpha = false;
    // 0xAARRGGBB, rows from top to bottom, each from left to right.
    std::vector<uint32_t> Pixels;
};

// Pictures with more pixels are refused before anything is allocated (256 MiB of pixels).
inline constexpr int64_t kTgaMaxPixels = int64_t{1} << 26;

// Decodes bytes; nothing, with a German reason in error, for anything that is not such a
// picture or is cut short. Never reads outside bytes and allocates only what the bytes can fill.
std::optional<TTgaImage> DecodeTga(const unsigned char* bytes, size_t size,
                                   std::string* error = nullptr);
