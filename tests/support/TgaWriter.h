#pragma once

// TGA files made byte by byte, for the tests and the fuzzer's first inputs.
#include <string>

// A TGA file of the given kind: the 18-byte header, no image id, then the colour map (when
// mapLength > 0) and the pixels, both as data gives them.
inline std::string Tga(int type, int width, int height, int depth, int descriptor,
                       const std::string& data, int mapLength = 0, int mapDepth = 0) {
    std::string h(18, '\0');
    h[1] = static_cast<char>(mapLength > 0);
    h[2] = static_cast<char>(type);
    h[5] = static_cast<char>(mapLength & 0xFF);
    h[6] = static_cast<char>(mapLength >> 8);
    h[7] = static_cast<char>(mapDepth);
    h[12] = static_cast<char>(width & 0xFF);
    h[13] = static_cast<char>(width >> 8);
    h[14] = static_cast<char>(height & 0xFF);
    h[15] = static_cast<char>(height >> 8);
    h[16] = static_cast<char>(depth);
    h[17] = static_cast<char>(descriptor);
    return h + data;
}
