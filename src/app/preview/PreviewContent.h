#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// One entry as the preview shows it: a picture, text or, for everything else, its bytes in
// hexadecimal. Made on the preview's thread from the bytes read, shown by the window's.
struct TPreview {
    enum class TKind { Text, Picture, Hex, Unreadable };

    uint64_t Serial = 0; // the request this answers
    int32_t Index = -1;
    bool OtherArchive = false; // an entry of another archive than the window's (a comparison's)
    QString Path;
    uint64_t Size = 0; // the content's size as the archive declares it
    // The content's true size, where it was read to its end and came out smaller than declared.
    std::optional<uint64_t> RealSize;
    TKind Kind = TKind::Unreadable;
    bool Cut = false;    // only the beginning of the content was read
    QString Description; // what the content is: "Text (UTF-8)", "Bild (PNG), 640 × 480 Pixel"
    QString Problem;     // Unreadable: why

    QByteArray Bytes;                  // Hex
    QString Text;                      // Text: the lines shown, one after the other
    std::vector<qsizetype> LineStarts; // Text: where each line begins in Text, then Text's end
    // Text: the line shown first for each line of the content, as the find counts them (ended
    // by "\n"); long ones are shown as several.
    std::vector<qsizetype> ContentLines;
    int Width = 0;  // Text and Hex: characters of the longest line
    QImage Picture; // Picture: made smaller when it is larger than a screen

    qsizetype LineCount() const;
    QString Line(qsizetype line) const;
    // The line shown for the content's line number (from 1); -1 where none is shown (a number
    // past the part read, or no text).
    qsizetype ShownLineOf(uint64_t number) const;
};

// Decides what bytes from the beginning of an entry are and prepares them for showing: a picture
// Qt can read (told by its content, or by the name's suffix for formats without a signature),
// text in UTF-8 or Windows-1252, or else the bytes themselves. A cut content is never taken for
// a picture.
void PreparePreview(TPreview& preview, QByteArray bytes, const QString& name);

// A TGA picture (see TgaImage.h) as Qt holds pictures; nothing when bytes are none.
std::optional<QImage> ReadTga(const QByteArray& bytes);
