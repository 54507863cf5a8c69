#include "TgaImage.h"

#include <algorithm>

namespace {

constexpr size_t kHeaderSize = 18;

enum TImageType : uint8_t {
    ColourMapped = 1,
    TrueColour = 2,
    Grey = 3,
    RunLength = 8, // added to one of the above
};

uint16_t Word(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// 5 bits to 8, so that 31 becomes 255.
uint32_t Widen5(uint32_t v) {
    return (v << 3) | (v >> 2);
}

// One pixel of depth bits (little-endian, blue first) as 0xAARRGGBB.
uint32_t Colour(const unsigned char* p, int depth, bool alpha) {
    switch (depth) {
    case 8:
        return Argb(255, p[0], p[0], p[0]);
    case 15:
    case 16: {
        const uint32_t v = Word(p);
        const uint32_t a = alpha && depth == 16 ? ((v & 0x8000) ? 255 : 0) : 255;
        return Argb(a, Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31));
    }
    case 24:
        return Argb(255, p[2], p[1], p[0]);
    default: // 32
        return Argb(alpha ? p[3] : 255, p[2], p[1], p[0]);
    }
}

class TDecoder {
public:
    TDecoder(const unsigned char* bytes, size_t size)
        : FBytes(bytes)
        , FSize(size) {}

    std::optional<TTgaImage> Run(std::string& error) {
        if (FSize < kHeaderSize)
            return Fail(error, "zu kurz für einen TGA-Kopf");
        const unsigned char* h = FBytes;
        const int idLength = h[0];
        const int mapType = h[1];
        const int type = h[2];
        const int mapFirst = Word(h + 3);
        const int mapLength = Word(h + 5);
        const int mapDepth = h[7];
        FWidth = Word(h + 12);
        FHeight = Word(h + 14);
        FDepth = h[16];
        const int descriptor = h[17];
        const int base = type & ~RunLength;
        if ((base != ColourMapped && base != TrueColour && base != Grey) || mapType > 1)
            return Fail(error, "keine TGA-Art, die gelesen werden kann");
        if (FWidth == 0 || FHeight == 0)
            return Fail(error, "ein Bild ohne Pixel");
        if (int64_t{FWidth} * FHeight > kTgaMaxPixels)
            return Fail(error, "zu groß für die Vorschau");
        const int alphaBits = descriptor & 15;
        FAlpha = alphaBits > 0;
        size_t at = kHeaderSize + static_cast<size_t>(idLength);

        // The colour map: read whenever it is there (its bytes lie before the pixels either
        // way), used for colour-mapped pictures.
        if (mapType == 1) {
            if (mapDepth != 15 && mapDepth != 16 && mapDepth != 24 && mapDepth != 32)
                return Fail(error, "eine Farbtabelle unbekannter Tiefe");
            const size_t entry = (static_cast<size_t>(mapDepth) + 7) / 8;
            const size_t bytes = entry * static_cast<size_t>(mapLength);
            if (at > FSize || FSize - at < bytes)
                return Fail(error, "die Farbtabelle ist abgeschnitten");
            FMapFirst = mapFirst;
            FMap.resize(static_cast<size_t>(mapLength));
            for (size_t i = 0; i < FMap.size(); ++i)
                FMap[i] = Colour(FBytes + at + i * entry, mapDepth == 16 ? 15 : mapDepth, FAlpha);
            at += bytes;
        }
        if (base == ColourMapped ? (mapType != 1 || (FDepth != 8 && FDepth != 16))
            : base == Grey       ? (FDepth != 8 && FDepth != 16)
                                 : (FDepth != 15 && FDepth != 16 && FDepth != 24 && FDepth != 32))
            return Fail(error, "eine Pixeltiefe, die zur TGA-Art nicht passt");
        FBase = base;
        FPixelBytes = (static_cast<size_t>(FDepth) + 7) / 8;

        const size_t pixels = static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight);
        // Before allocating: could the bytes left hold that many pixels at all? A run packet
        // stands for at most 128 of them.
        const size_t left = at <= FSize ? FSize - at : 0;
        const size_t least =
            (type & RunLength) ? (pixels + 127) / 128 * (1 + FPixelBytes) : pixels * FPixelBytes;
        if (left < least)
            return Fail(error, "die Bilddaten sind abgeschnitten");

        TTgaImage image;
        image.Width = FWidth;
        image.Height = FHeight;
        image.Pixels.resize(pixels);
        const bool bottomUp = !(descriptor & 0x20);
        const bool rightToLeft = descriptor & 0x10;
        // Pixels come in file order; n is the file's running pixel number.
        auto place = [&](size_t n, uint32_t colour) {
            const size_t fileRow = n / static_cast<size_t>(FWidth);
            const size_t fileColumn = n % static_cast<size_t>(FWidth);
            const size_t row = bottomUp ? static_cast<size_t>(FHeight) - 1 - fileRow : fileRow;
            const size_t column =
                rightToLeft ? static_cast<size_t>(FWidth) - 1 - fileColumn : fileColumn;
            image.Pixels[row * static_cast<size_t>(FWidth) + column] = colour;
        };
        if (!(type & RunLength)) {
            for (size_t n = 0; n < pixels; ++n, at += FPixelBytes)
                place(n, Pixel(FBytes + at));
        }
        for (size_t n = (type & RunLength) ? 0 : pixels; n < pixels;) {
            if (at >= FSize)
                return Fail(error, "die Bilddaten sind abgeschnitten");
            const unsigned char packet = FBytes[at++];
            const size_t count = std::min<size_t>((packet & 0x7F) + 1u, pixels - n);
            if (packet & 0x80) { // one pixel, repeated
                if (FSize - at < FPixelBytes)
                    return Fail(error, "die Bilddaten sind abgeschnitten");
                const uint32_t colour = Pixel(FBytes + at);
                at += FPixelBytes;
                for (size_t k = 0; k < count; ++k)
                    place(n++, colour);
            } else { // that many pixels as they are
                if ((FSize - at) / FPixelBytes < count)
                    return Fail(error, "die Bilddaten sind abgeschnitten");
                for (size_t k = 0; k < count; ++k, at += FPixelBytes)
                    place(n++, Pixel(FBytes + at));
            }
        }
        image.HasAlpha = std::any_of(image.Pixels.begin(), image.Pixels.end(),
                                     [](uint32_t p) { return p >> 24 != 255; });
        return image;
    }

private:
    static std::optional<TTgaImage> Fail(std::string& error, const char* reason) {
        error = reason;
        return std::nullopt;
    }

    uint32_t Pixel(const unsigned char* p) const {
        if (FBase == ColourMapped) {
            const int index = (FDepth == 8 ? p[0] : Word(p)) - FMapFirst;
            // An index outside the table shows black rather than failing the whole picture.
            return index >= 0 && static_cast<size_t>(index) < FMap.size()
                       ? FMap[static_cast<size_t>(index)]
                       : Argb(255, 0, 0, 0);
        }
        if (FBase == Grey)
            return FDepth == 16 ? (Colour(p, 8, false) & 0x00FFFFFF) |
                                      (static_cast<uint32_t>(FAlpha ? p[1] : 255) << 24)
                                : Colour(p, 8, false);
        return Colour(p, FDepth, FAlpha);
    }

    const unsigned char* FBytes;
    size_t FSize;
    int FWidth = 0;
    int FHeight = 0;
    int FDepth = 0;
    int FBase = 0;
    size_t FPixelBytes = 0;
    bool FAlpha = false;
    int FMapFirst = 0;
    std::vector<uint32_t> FMap;
};

} // namespace

std::optional<TTgaImage> DecodeTga(const unsigned char* bytes, size_t size, std::string* error) {
    std::string reason;
    std::optional<TTgaImage> image = TDecoder(bytes, size).Run(reason);
    if (error)
        *error = reason;
    return image;
}
