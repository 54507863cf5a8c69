// Writes a small archive to try the program on: nested folders, names with umlauts
// (Windows-1252 bytes, as the game stores them), stored and compressed files, texts and a
// picture to look at in the preview.
#include "PakWriter.h"
#include "TgaWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Deterministic bytes that look like image data: smooth gradients with a little noise.
std::string PseudoImage(int width, int height, unsigned seed) {
    std::string out;
    out.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 7);
            out.push_back(static_cast<char>((x * 255 / width + noise) & 0xFF));
            out.push_back(static_cast<char>((y * 255 / height + noise) & 0xFF));
            out.push_back(static_cast<char>(((x + y) * 128 / (width + height)) & 0xFF));
        }
    return out;
}

void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A title picture as a 24-bit BMP, a format any viewer reads: sky, sun, mountains, meadow.
std::string TitlePicture(int width, int height) {
    const int rowSize = (width * 3 + 3) / 4 * 4;
    std::string bmp = "BM";
    AppendLittleEndian(bmp, static_cast<uint32_t>(54 + rowSize * height), 4);
    AppendLittleEndian(bmp, 0, 4);
    AppendLittleEndian(bmp, 54, 4);
    for (const uint32_t field : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
        AppendLittleEndian(bmp, field, 4);
    AppendLittleEndian(bmp, 1, 2);  // planes
    AppendLittleEndian(bmp, 24, 2); // bits per pixel
    for (int i = 0; i < 6; ++i)
        AppendLittleEndian(bmp, 0, 4);
    for (int row = height - 1; row >= 0; --row) { // bottom-up
        const double y = static_cast<double>(row) / height;
        for (int column = 0; column < width; ++column) {
            const double x = static_cast<double>(column) / width;
            const double ridge = 0.55 - 0.12 * std::sin(x * 9.0) - 0.07 * std::sin(x * 23.0 + 1);
            const double sun = std::hypot(x - 0.78, (y - 0.22) * height / width);
            double r, g, b;
            if (y > 0.72) { // meadow
                const double stripe = 0.9 + 0.1 * std::sin(column * 0.8 + row * 0.3);
                r = 70 * stripe, g = (150 - 60 * (y - 0.72)) * stripe, b = 60 * stripe;
            } else if (y > ridge) { // mountains, snow on the tops
                const double shade = 0.75 + 0.25 * std::sin(x * 40.0 + y * 12.0);
                const bool snow = y < ridge + 0.05;
                r = (snow ? 235 : 105) * shade, g = (snow ? 240 : 110) * shade,
                b = (snow ? 250 : 125) * shade;
            } else if (sun < 0.07) {
                r = 255, g = 220, b = 120;
            } else { // sky, lighter towards the horizon
                r = 90 + 120 * y, g = 150 + 90 * y, b = 225 + 25 * y;
            }
            for (const double channel : {b, g, r})
                bmp.push_back(static_cast<char>(std::clamp(channel, 0.0, 255.0)));
        }
        bmp.append(static_cast<size_t>(rowSize - width * 3), '\0');
    }
    return bmp;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: varnholm-demo-pak ZIELDATEI\n");
        return 2;
    }
    try {
        TPakWriter pak(argv[1]);
        const std::string readme = "Willkommen in Varnholm!\r\n"
                                   "Dieses Archiv dient zum Ausprobieren des Archiv-Explorers.\r\n";
        pak.AddStored("liesmich.txt", readme);
        pak.AddCompressed("version.ini", "[Spiel]\r\nVersion=1.0.4\r\nSprache=Deutsch\r\n");

        pak.AddCompressed("daten/texte/dialoge_\xFC"
                          "bersicht.txt", // "übersicht"
                          Repeat("Schmied: Gr\xFC\xDF"
                                 "e, Reisender! Was darf es sein?\r\n",
                                 40));
        pak.AddCompressed("daten/texte/b\xFC"
                          "cher/chronik_von_varnholm.txt",
                          Repeat("Im Jahre 312 fiel der erste Schnee auf die K\xFC"
                                 "ste.\r\n",
                                 200));
        pak.AddCompressed("daten/texte/b\xFC"
                          "cher/m\xE4rchen.txt",
                          Repeat("Es war einmal ein K\xF6nig in den Nebelbergen.\r\n", 120));
        pak.AddStored("daten/texte/namen.lst", "Alrik\nBrunhild\nG\xF6tz\nJ\xF6rg\nS\xF6ren\n");

        pak.AddCompressed("grafik/titelbild.bmp", TitlePicture(320, 200));
        pak.AddCompressed("grafik/texturen/stein_01.raw", PseudoImage(64, 64, 1));
        pak.AddCompressed("grafik/texturen/stein_02.raw", PseudoImage(64, 64, 2));
        pak.AddCompressed("grafik/texturen/holz.raw", PseudoImage(32, 32, 3));
        pak.AddStored("grafik/texturen/Gras.raw", PseudoImage(16, 16, 4));
        // The same textures as the game's newer tools write them: TGA without the footer.
        pak.AddCompressed("grafik/texturen/stein_01.tga",
                          Tga(2, 64, 64, 24, 0x20, PseudoImage(64, 64, 1)));
        pak.AddCompressed("grafik/texturen/stein_02.tga",
                          Tga(2, 64, 64, 24, 0x20, PseudoImage(64, 64, 2)));
        pak.AddCompressed("grafik/texturen/holz.tga",
                          Tga(2, 48, 48, 24, 0x20, PseudoImage(48, 48, 3)));
        pak.AddCompressed("grafik/texturen/wasser.tga",
                          Tga(2, 80, 80, 24, 0x20, PseudoImage(80, 80, 10)));
        pak.AddCompressed("grafik/oberfl\xE4"
                          "che/schaltfl\xE4"
                          "chen.raw",
                          PseudoImage(48, 24, 5));
        pak.AddStored("grafik/oberfl\xE4"
                      "che/maus_zeiger.cur",
                      PseudoImage(8, 8, 6));

        pak.AddCompressed("klang/musik/titelmelodie.ogg", PseudoImage(90, 90, 7), 1);
        pak.AddStored("klang/ger\xE4usche/t\xFC"
                      "r_\xF6"
                      "ffnen.wav",
                      PseudoImage(20, 20, 8));
        pak.AddStored("klang/ger\xE4usche/schritte.wav", PseudoImage(22, 20, 9));

        pak.AddCompressed("karten/s\xFC"
                          "dland/dorf_am_flu\xDF.map",
                          Repeat("0123456789", 500));
        pak.AddCompressed("karten/nordmark/eisfeste.map", Repeat("#..#~~##", 700));
        pak.AddStored("karten/leer.map", "");
        pak.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnholm-demo-pak: %s\n", e.what());
        return 2;
    }
    return 0;
}
