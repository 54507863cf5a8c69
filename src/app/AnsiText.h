#pragma once

#include <QString>
#include <string>
#include <string_view>

// Archive texts are Windows-1252 bytes; the window shows them as Unicode.
QString AnsiToQString(std::string_view text);
// A file name as the core wants it (UTF-8).
std::string ToCoreFileName(const QString& fileName);
// A core message (UTF-8) as the window shows it.
QString FromCoreText(std::string_view text);
