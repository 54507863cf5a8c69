// Writes the archive of the preview benchmark: two pictures of about 1 MiB each in its root,
// "bild.png" and "foto.jpg", photo-like (smooth shapes with grain), stored as zlib streams as the
// game stores its files.
#include "PakWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr double kTarget = 1 << 20;

QImage Photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(5);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const int grain = static_cast<int>(random() % 24) - 12;
            const auto channel = [&](double value) {
                return std::clamp(static_cast<int>(value) + grain, 0, 255);
            };
            line[x] = qRgb(channel(120 + 100 * std::sin(u * 7 + v * 3)),
                           channel(140 + 80 * std::cos(v * 9 - u * 2)),
                           channel(90 + 110 * u * v + 30 * std::sin(u * 31)));
        }
    }
    return image;
}

// The picture in format, its size adjusted until the file is within 2 % of 1 MiB.
std::string Encoded(const char* format, int quality) {
    double side = 600;
    QByteArray bytes;
    for (int round = 0; round < 8; ++round) {
        const int width = static_cast<int>(side * 4 / 3);
        const int height = static_cast<int>(side);
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        Photo(width, height).save(&buffer, format, quality);
        if (std::abs(bytes.size() - kTarget) < kTarget * 0.02)
            break;
        side *= std::sqrt(kTarget / bytes.size());
    }
    return bytes.toStdString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: gen_preview_pak ZIELDATEI\n");
        return 2;
    }
    try {
        TPakWriter pak(argv[1]);
        pak.AddCompressed("bild.png", Encoded("PNG", -1));
        pak.AddCompressed("foto.jpg", Encoded("JPEG", 90));
        pak.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_preview_pak: %s\n", e.what());
        return 2;
    }
    return 0;
}
