// Writes the archive of the thumbnail benchmark: one folder "texturen" of 10,000 pictures of
// 512 × 512, a third each PNG, JPEG and TGA (uncompressed true colour without the footer, as
// games write them), every file a zlib stream as the game stores them. Eight pictures of each
// format are drawn and repeated under other names: the decoder cannot tell.
#include "PakWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr int kSide = 512;
constexpr int kPictures = 10000;
constexpr int kVariants = 8;

// A texture-like picture: smooth waves, a few shapes, grain where grain is wanted.
QImage Texture(int variant, bool grain) {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    std::mt19937 random(static_cast<unsigned>(variant + 1));
    for (int y = 0; y < kSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSide; ++x) {
            const double u = double(x) / kSide, v = double(y) / kSide;
            const int noise = grain ? static_cast<int>(random() % 16) - 8 : 0;
            const auto channel = [&](double value) {
                return std::clamp(static_cast<int>(value) + noise, 0, 255);
            };
            line[x] = qRgb(channel(110 + 90 * std::sin(u * (5 + variant) + v * 3)),
                           channel(130 + 70 * std::cos(v * (7 + variant) - u * 2)),
                           channel(80 + 120 * u * v));
        }
    }
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    for (int k = 0; k < 6; ++k) {
        painter.setBrush(QColor::fromHsv(static_cast<int>(random() % 360), 160, 200));
        painter.drawEllipse(static_cast<int>(random() % 400), static_cast<int>(random() % 400),
                            40 + static_cast<int>(random() % 100),
                            40 + static_cast<int>(random() % 100));
    }
    return image;
}

std::string Encoded(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes.toStdString();
}

// Uncompressed true colour, rows from the top, no footer.
std::string Tga(const QImage& image) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(kSide & 0xFF);
    bytes[13] = static_cast<char>(kSide >> 8);
    bytes[14] = static_cast<char>(kSide & 0xFF);
    bytes[15] = static_cast<char>(kSide >> 8);
    bytes[16] = 24;
    bytes[17] = 0x20;
    for (int y = 0; y < kSide; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < kSide; ++x) {
            bytes += static_cast<char>(qBlue(line[x]));
            bytes += static_cast<char>(qGreen(line[x]));
            bytes += static_cast<char>(qRed(line[x]));
        }
    }
    return bytes;
}

struct TPicture {
    std::string Stream; // zlib
    uint64_t Size;
};

TPicture Compressed(const std::string& content) {
    return {ZlibCompress(content), content.size()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: gen_thumbnail_pak ZIELDATEI\n");
        return 2;
    }
    try {
        const char* suffixes[] = {"png", "jpg", "tga"};
        std::vector<TPicture> pictures[3];
        for (int variant = 0; variant < kVariants; ++variant) {
            pictures[0].push_back(Compressed(Encoded(Texture(variant, false), "PNG", -1)));
            pictures[1].push_back(Compressed(Encoded(Texture(variant, true), "JPEG", 85)));
            pictures[2].push_back(Compressed(Tga(Texture(variant, false))));
        }
        TPakWriter pak(argv[1]);
        TPakWriter::TDirectory& folder = pak.Directory("texturen");
        char name[64];
        for (int i = 0; i < kPictures; ++i) {
            const int format = i % 3;
            std::snprintf(name, sizeof name, "texturen/textur_%05d.%s", i, suffixes[format]);
            const TPicture& picture = pictures[format][static_cast<size_t>(i / 3 % kVariants)];
            pak.AddRaw(folder, name, picture.Stream, picture.Size);
        }
        pak.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_thumbnail_pak: %s\n", e.what());
        return 2;
    }
    return 0;
}
