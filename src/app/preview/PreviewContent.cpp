#include "PreviewContent.h"

#include "AnsiText.h"
#include "TgaImage.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

namespace {

// Longer lines go on in the next one: painting stays fast however a file is laid out.
constexpr int kWrapColumn = 1000;
constexpr int kTabWidth = 4;
constexpr int kHexBytesPerLine = 16;
// "00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ................"
constexpr int kHexWidth = 8 + 2 + kHexBytesPerLine * 3 + 1 + 1 + kHexBytesPerLine;
// Pictures are shown at most this many pixels a side; larger ones are made smaller at once.
constexpr int kPictureSide = 2048;

// Formats whose files carry no reliable signature: taken only when the name says so, since
// other bytes may look like their headers by chance.
bool WithoutSignature(const QByteArray& format) {
    static const QList<QByteArray> formats = {"tga", "wbmp", "xbm", "xpm", "pbm",
                                              "pgm", "ppm",  "ico", "cur"};
    return formats.contains(format);
}

void ShowPicture(TPreview& preview, QImage image, const QByteArray& format) {
    preview.Kind = TPreview::TKind::Picture;
    preview.Description = QStringLiteral("Bild (%1), %2 × %3 Pixel")
                              .arg(QString::fromLatin1(format.toUpper()))
                              .arg(image.width())
                              .arg(image.height());
    if (image.width() > kPictureSide || image.height() > kPictureSide)
        image =
            image.scaled(kPictureSide, kPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    preview.Picture = std::move(image);
}

bool ReadPicture(TPreview& preview, QByteArray& bytes, const QByteArray& suffix) {
    // A TGA file by its name, through the reader of our own, which also takes the files without
    // the format's footer that games write.
    if (suffix == "tga") {
        if (std::optional<QImage> image = ReadTga(bytes)) {
            ShowPicture(preview, std::move(*image), suffix);
            return true;
        }
    }
    // First by content; then as the suffix says, for formats without a signature.
    QList<QByteArray> formats{QByteArray()};
    if (!suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix))
        formats << suffix;
    for (const QByteArray& format : formats) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        reader.setDecideFormatFromContent(format.isEmpty());
        reader.setAutoTransform(true);
        if (!reader.canRead())
            continue;
        const QByteArray found = reader.format();
        if (format.isEmpty() && WithoutSignature(found) && found != suffix)
            continue;
        QImage image = reader.read();
        if (image.isNull())
            continue;
        ShowPicture(preview, std::move(image), found);
        return true;
    }
    return false;
}

// Control characters that text files hold: tab, line breaks, form feed, and the end-of-file
// mark of old DOS files.
bool IsTextControl(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1A;
}

// The length of the UTF-8 sequence that lead begins, and the range its second byte must lie in
// (RFC 3629: no overlong forms, no surrogates, nothing beyond U+10FFFF); 0 for no lead byte.
int Utf8Length(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
        return 4;
    }
    return 0;
}

enum class TEncoding { None, Ascii, Utf8, Cp1252 };

// Whether bytes are valid UTF-8. usable: how many of them make up the text, as a cut may have
// split the last character.
bool IsUtf8(const unsigned char* data, qsizetype size, bool cut, qsizetype& usable) {
    usable = size;
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] < 0x80)
            continue;
        unsigned char low;
        unsigned char high;
        const int length = Utf8Length(data[i], low, high);
        if (length == 0)
            return false;
        int k = 1;
        for (; k < length && i + k < size; ++k)
            if (data[i + k] < (k == 1 ? low : 0x80) || data[i + k] > (k == 1 ? high : 0xBF))
                return false;
        if (k < length) {
            usable = i;
            return cut;
        }
        i += length - 1;
    }
    return true;
}

// How the bytes read as text, if they do: no controls but those of text, and then UTF-8 where
// valid, else Windows-1252 without the five bytes it leaves undefined.
TEncoding DetectEncoding(const QByteArray& bytes, bool cut, qsizetype& usable) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    usable = size;
    bool ascii = true;
    bool cp1252 = true;
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = data[i];
        if ((c < 0x20 && !IsTextControl(c)) || c == 0x7F)
            return TEncoding::None;
        ascii = ascii && c < 0x80;
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            cp1252 = false;
    }
    if (ascii)
        return TEncoding::Ascii;
    if (IsUtf8(data, size, cut, usable))
        return TEncoding::Utf8;
    usable = size;
    return cp1252 ? TEncoding::Cp1252 : TEncoding::None;
}

// Splits text into the lines shown: at every line break (CR LF, LF or CR) and after
// kWrapColumn characters, with tabs expanded and the other controls shown as spaces.
void SetLines(TPreview& preview, const QString& text) {
    QString& out = preview.Text;
    out.reserve(text.size());
    preview.LineStarts.push_back(0);
    preview.ContentLines.push_back(0);
    int column = 0;
    auto lineBreak = [&] {
        preview.Width = std::max(preview.Width, column);
        preview.LineStarts.push_back(out.size());
        column = 0;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar('\r') || c == QChar('\n')) {
            if (c == QChar('\r') && i + 1 < text.size() && text[i + 1] == QChar('\n'))
                ++i;
            lineBreak();
            // A lone "\r" breaks the line shown, but the find counts lines by "\n" only.
            if (text[i] == QChar('\n'))
                preview.ContentLines.push_back(static_cast<qsizetype>(preview.LineStarts.size()) -
                                               1);
            continue;
        }
        if (column == kWrapColumn)
            lineBreak();
        if (c == QChar('\t')) {
            do
                out += QChar(' ');
            while (++column % kTabWidth != 0 && column < kWrapColumn);
            continue;
        }
        out += c.unicode() < 0x20 ? QChar(' ') : c;
        ++column;
    }
    preview.Width = std::max(preview.Width, column);
    // A final line break ends the last line rather than begin an empty one.
    if (preview.LineStarts.size() == 1 || preview.LineStarts.back() != out.size())
        preview.LineStarts.push_back(out.size());
}

bool PrepareText(TPreview& preview, const QByteArray& bytes) {
    qsizetype usable = 0;
    const TEncoding encoding = DetectEncoding(bytes, preview.Cut, usable);
    QString text;
    switch (encoding) {
    case TEncoding::None:
        return false;
    case TEncoding::Ascii:
    case TEncoding::Utf8: {
        const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        text = QString::fromUtf8(bytes.constData() + bom, usable - bom);
        break;
    }
    case TEncoding::Cp1252:
        text = AnsiToQString(std::string_view(bytes.constData(), static_cast<size_t>(usable)));
        break;
    }
    preview.Kind = TPreview::TKind::Text;
    preview.Description = bytes.isEmpty()                ? QStringLiteral("Leere Datei")
                          : encoding == TEncoding::Ascii ? QStringLiteral("Text (ASCII)")
                          : encoding == TEncoding::Utf8  ? QStringLiteral("Text (UTF-8)")
                                                         : QStringLiteral("Text (Windows-1252)");
    SetLines(preview, text);
    return true;
}

QString HexLine(const QByteArray& bytes, qsizetype line) {
    static const char* digits = "0123456789ABCDEF";
    const qsizetype start = line * kHexBytesPerLine;
    const qsizetype count = std::min<qsizetype>(kHexBytesPerLine, bytes.size() - start);
    QString out(kHexWidth, QChar(' '));
    const QString offset = QStringLiteral("%1").arg(start, 8, 16, QChar('0')).toUpper();
    out.replace(0, 8, offset);
    for (qsizetype k = 0; k < count; ++k) {
        const auto c = static_cast<unsigned char>(bytes[start + k]);
        const qsizetype at = 10 + k * 3 + (k >= kHexBytesPerLine / 2 ? 1 : 0);
        out[at] = QChar(digits[c >> 4]);
        out[at + 1] = QChar(digits[c & 15]);
        const bool printable = (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c != 0xAD);
        out[kHexWidth - kHexBytesPerLine + k] = printable ? QChar(c) : QChar('.');
    }
    out.truncate(kHexWidth - kHexBytesPerLine + count);
    return out;
}

} // namespace

std::optional<QImage> ReadTga(const QByteArray& bytes) {
    std::optional<TTgaImage> tga =
        DecodeTga(reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<size_t>(bytes.size()));
    if (!tga)
        return std::nullopt;
    QImage image(tga->Width, tga->Height,
                 tga->HasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) // no memory for it
        return std::nullopt;
    for (int y = 0; y < tga->Height; ++y)
        std::copy_n(tga->Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(tga->Width),
                    tga->Width, reinterpret_cast<uint32_t*>(image.scanLine(y)));
    return image;
}

qsizetype TPreview::LineCount() const {
    switch (Kind) {
    case TKind::Text:
        return static_cast<qsizetype>(LineStarts.size()) - 1;
    case TKind::Hex:
        return (Bytes.size() + kHexBytesPerLine - 1) / kHexBytesPerLine;
    default:
        return 0;
    }
}

QString TPreview::Line(qsizetype line) const {
    if (Kind == TKind::Hex)
        return HexLine(Bytes, line);
    const auto at = static_cast<size_t>(line);
    return Text.mid(LineStarts[at], LineStarts[at + 1] - LineStarts[at]);
}

qsizetype TPreview::ShownLineOf(uint64_t number) const {
    if (Kind != TKind::Text || number == 0 || number > ContentLines.size())
        return -1;
    const qsizetype shown = ContentLines[number - 1];
    return shown < LineCount() ? shown : -1;
}

void PreparePreview(TPreview& preview, QByteArray bytes, const QString& name) {
    const QByteArray suffix = QFileInfo(name).suffix().toLower().toLatin1();
    if (!preview.Cut && ReadPicture(preview, bytes, suffix))
        return;
    if (PrepareText(preview, bytes))
        return;
    preview.Kind = TPreview::TKind::Hex;
    preview.Description = QStringLiteral("Binärdaten, hexadezimal");
    preview.Width = kHexWidth;
    preview.Bytes = std::move(bytes);
}
