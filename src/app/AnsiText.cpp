#include "AnsiText.h"

#include "Cp1252.h"

QString AnsiToQString(std::string_view text) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* data = out.data();
    for (size_t i = 0; i < text.size(); ++i)
        data[i] = QChar(cp1252::ToUnicode(static_cast<unsigned char>(text[i])));
    return out;
}

std::string ToCoreFileName(const QString& fileName) {
    return fileName.toStdString();
}

QString FromCoreText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
