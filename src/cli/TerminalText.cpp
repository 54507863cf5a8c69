#include "TerminalText.h"

#include "Cp1252.h"

#include <cstdio>

namespace {

bool NeedsEscape(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '\\';
}

void AppendEscaped(std::string& out, unsigned char c) {
    switch (c) {
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    case '\\':
        out += "\\\\";
        return;
    default:
        char code[8];
        std::snprintf(code, sizeof code, c < 0x80 ? "\\x%02X" : "\\u%04X", c);
        out += code;
    }
}

} // namespace

void AppendTerminalText(std::string& out, std::string_view archiveText) {
    size_t plain = 0; // start of the run not yet copied
    for (size_t i = 0; i < archiveText.size(); ++i) {
        const auto c = static_cast<unsigned char>(archiveText[i]);
        if (c < 0x80 && !NeedsEscape(c))
            continue;
        out.append(archiveText.data() + plain, i - plain);
        plain = i + 1;
        const char16_t unicode = cp1252::ToUnicode(c);
        if (NeedsEscape(c) || (unicode >= 0x80 && unicode <= 0x9F))
            AppendEscaped(out, static_cast<unsigned char>(unicode));
        else
            cp1252::AppendUtf8(out, archiveText.substr(i, 1));
    }
    out.append(archiveText.data() + plain, archiveText.size() - plain);
}

std::string TerminalSafe(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // U+0080..U+009F are C2 80..C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(utf8[i + 1]) >= 0x80) {
            AppendEscaped(out, static_cast<unsigned char>(utf8[++i]));
        } else if (NeedsEscape(c)) {
            AppendEscaped(out, c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}
