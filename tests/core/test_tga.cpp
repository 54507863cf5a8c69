// TGA pictures as games write them, made here byte by byte: every kind the reader knows, in
// both row orders, and the damage a hostile file can bring.
#include "TgaImage.h"
#include "TgaWriter.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::optional<TTgaImage> Decode(const std::string& file, std::string* error = nullptr) {
    return DecodeTga(reinterpret_cast<const unsigned char*>(file.data()), file.size(), error);
}

const std::string kBlue("\xFF\x00\x00", 3), kGreen("\x00\xFF\x00", 3), kRed("\x00\x00\xFF", 3),
    kWhite("\xFF\xFF\xFF", 3);

TEST(TgaImage, ReadsEveryKindInBothRowOrdersWithoutTheFooter) {
    // 2 × 2, bottom row first: blue green / red white on screen means red white come first.
    const auto plain = Decode(Tga(2, 2, 2, 24, 0, kRed + kWhite + kBlue + kGreen));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Pixels,
              (std::vector<uint32_t>{0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF}));
    EXPECT_FALSE(plain->HasAlpha);

    // The same picture top row first, run-length encoded: a run of blue, then two as they are,
    // and a footer of the second version behind, which changes nothing.
    const std::string runs = std::string("\x80", 1) + kBlue + std::string("\x01", 1) + kGreen +
                             kRed + std::string("\x80", 1) + kWhite;
    const auto encoded = Decode(Tga(10, 2, 2, 24, 0x20, runs) + std::string(8, '\0') +
                                "TRUEVISION-XFILE." + std::string(1, '\0'));
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->Pixels,
              (std::vector<uint32_t>{0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF}));

    // 32 bits with 8 alpha bits, right to left: the alpha is kept and columns swap.
    const auto alpha =
        Decode(Tga(2, 2, 1, 32, 0x38,
                   std::string("\x00\x00\xFF\x80", 4) + std::string("\xFF\x00\x00\xFF", 4)));
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->Pixels, (std::vector<uint32_t>{0xFF0000FF, 0x80FF0000}));
    EXPECT_TRUE(alpha->HasAlpha);

    // Colour-mapped through a 24-bit table, run-length encoded; grey; 16 bits (5-5-5).
    const auto mapped =
        Decode(Tga(9, 3, 1, 8, 0x20, kRed + kGreen + std::string("\x82\x01", 2), 2, 24));
    ASSERT_TRUE(mapped);
    EXPECT_EQ(mapped->Pixels, (std::vector<uint32_t>(3, 0xFF00FF00)));
    const auto grey = Decode(Tga(3, 2, 1, 8, 0x20, std::string("\x00\x80", 2)));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->Pixels, (std::vector<uint32_t>{0xFF000000, 0xFF808080}));
    const auto sixteen = Decode(Tga(2, 1, 1, 16, 0x20, std::string("\x1F\x7C", 2))); // r=31, b=31
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(sixteen->Pixels, (std::vector<uint32_t>{0xFFFF00FF}));
}

TEST(TgaImage, RefusesWhatIsCutShortOrNoPictureWithoutReadingOrAllocatingBeyondTheBytes) {
    std::string error;
    EXPECT_FALSE(Decode("kurz", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Decode(Tga(2, 2, 2, 24, 0, kRed + kWhite + kBlue)));   // a pixel missing
    EXPECT_FALSE(Decode(Tga(10, 2, 2, 24, 0, std::string("\x83", 1)))); // a run without colour
    EXPECT_FALSE(Decode(Tga(10, 4, 1, 24, 0, std::string("\x03", 1) + kRed))); // 4 raw, 1 there
    EXPECT_FALSE(Decode(Tga(2, 0, 5, 24, 0, "")));                             // no pixels
    EXPECT_FALSE(Decode(Tga(2, 2, 1, 17, 0, std::string(6, '\0'))));           // no such depth
    EXPECT_FALSE(Decode(Tga(1, 1, 1, 8, 0, std::string(1, '\0')))); // mapped without a map
    EXPECT_FALSE(Decode(Tga(7, 1, 1, 8, 0, std::string(1, '\0')))); // no such kind
    // 65535 × 65535 is refused at once, and so is a picture far larger than its runs can fill.
    EXPECT_FALSE(Decode(Tga(10, 65535, 65535, 32, 0, std::string(64, '\xFF')), &error));
    EXPECT_FALSE(Decode(Tga(10, 8000, 8000, 32, 0, std::string(64, '\xFF')), &error));
    EXPECT_EQ(error, "die Bilddaten sind abgeschnitten");
    // An index outside the table is black, not a failure.
    const auto outside = Decode(Tga(1, 1, 1, 8, 0, kRed + std::string("\x05", 1), 1, 24));
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->Pixels, (std::vector<uint32_t>{0xFF000000}));
}

} // namespace
