#pragma once

#include <string>
#include <string_view>

// Archive texts are bytes in the Windows-1252 code page. They stay bytes inside the core (keys,
// comparisons); these helpers convert them where they meet the outside world: file names on
// disk, terminal output and the window's labels.
namespace cp1252 {

// The Unicode code point of one Windows-1252 byte. The five bytes the code page leaves undefined
// map to the C1 control of the same value, as Windows itself converts them.
char16_t ToUnicode(unsigned char byte);
// The UTF-16 of text into out, which has room for text.size() units (one per byte).
void ToUtf16(std::string_view text, char16_t* out);

void AppendUtf8(std::string& out, std::string_view text);
std::string ToUtf8(std::string_view text);

// Converts UTF-8 back to Windows-1252; false when the text holds a character the code page
// cannot express (or is not valid UTF-8).
bool FromUtf8(std::string_view utf8, std::string& out);

} // namespace cp1252
