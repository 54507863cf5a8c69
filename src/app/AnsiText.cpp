#include "AnsiText.h"

#include "Cp1252.h"

QString AnsiToQString(std::string_view text) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    cp1252::ToUtf16(text, reinterpret_cast<char16_t*>(out.data()));
    return out;
}

std::string ToCoreFileName(const QString& fileName) {
    return fileName.toStdString();
}

QString FromCoreText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
