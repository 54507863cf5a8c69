#include "WindowsNames.h"

#include "Cp1252.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::string_view, 4> kDevices = {"CON", "NUL", "AUX", "PRN"};

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsAsciiIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

// Windows takes a device for the part before the first dot, after dropping trailing spaces:
// "nul", "NUL.txt" and "com1 .tar.gz" all open the device.
bool IsDeviceName(std::string_view component) {
    std::string_view stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    for (std::string_view device : kDevices)
        if (EqualsAsciiIgnoringCase(stem, device))
            return true;
    // COM1-COM9 and LPT1-LPT9; Windows also takes the superscript digits ¹²³ (Windows-1252
    // 0xB9, 0xB2, 0xB3) there.
    if (stem.size() != 4 || !(EqualsAsciiIgnoringCase(stem.substr(0, 3), "COM") ||
                              EqualsAsciiIgnoringCase(stem.substr(0, 3), "LPT")))
        return false;
    const auto digit = static_cast<unsigned char>(stem[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

std::string ComponentProblem(std::string_view component) {
    for (const char c : component) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20)
            return "enthält ein Steuerzeichen";
        switch (c) {
        case ':':
            return "enthält einen Doppelpunkt";
        case '\\':
            return "enthält einen umgekehrten Schrägstrich";
        case '<':
        case '>':
        case '"':
        case '|':
        case '?':
        case '*':
            return std::string("enthält das Zeichen ") + c;
        default:
            break;
        }
    }
    if (component.back() == '.' || component.back() == ' ')
        return component.back() == '.' ? "endet mit einem Punkt" : "endet mit einem Leerzeichen";
    if (IsDeviceName(component))
        return "ist ein reservierter Gerätename";
    return {};
}

// The capital of a character of Windows-1252 as Windows compares file names; every letter of
// the code page with a capital has it in the code page, two bytes long in UTF-8 as the letter.
char32_t FoldedCodePoint(char32_t c) {
    if (c < 0x80)
        return static_cast<char32_t>(AsciiUpper(static_cast<char>(c)));
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    switch (c) {
    case 0xFF: // ÿ
        return 0x178;
    case 0x161: // š
        return 0x160;
    case 0x153: // œ
        return 0x152;
    case 0x17E: // ž
        return 0x17D;
    default:
        return c;
    }
}

// Decodes one code point of UTF-8 at text[at] and moves at past it; a byte that starts no valid
// sequence stands for itself (it then compares only with itself).
char32_t NextCodePoint(std::string_view text, size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead >= 0xC0 && lead < 0xE0 && at + 1 < text.size()) {
        const auto trail = static_cast<unsigned char>(text[at + 1]);
        if ((trail & 0xC0) == 0x80) {
            at += 2;
            return static_cast<char32_t>((lead & 0x1F) << 6 | (trail & 0x3F));
        }
    }
    ++at;
    // Longer sequences: no character of Windows-1252 has a capital among them; kept apart from
    // the code points above by an offset.
    return lead < 0x80 ? lead : 0x110000 + lead;
}

} // namespace

std::string WindowsPathProblem(std::string_view dir, std::string_view name) {
    auto check = [](std::string_view component) -> std::string {
        if (component.empty() || component == "." || component == "..")
            return {};
        const std::string problem = ComponentProblem(component);
        if (problem.empty())
            return {};
        return "Windows erlaubt den Namen „" + cp1252::ToUtf8(component) + "“ nicht: er " + problem;
    };
    size_t start = 0;
    for (size_t i = 0; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '/')
            continue;
        if (std::string problem = check(dir.substr(start, i - start)); !problem.empty())
            return problem;
        start = i + 1;
    }
    return check(name);
}

bool SameOrBelowIgnoringCase(std::string_view path, std::string_view prefix) {
    size_t p = 0;
    size_t q = 0;
    while (q < prefix.size()) {
        if (p >= path.size() ||
            FoldedCodePoint(NextCodePoint(path, p)) != FoldedCodePoint(NextCodePoint(prefix, q)))
            return false;
    }
    return p == path.size() || path[p] == '/';
}

bool SameOrBelowOnDisk(std::string_view path, std::string_view prefix) {
    if constexpr (kRefusesWindowsNames)
        return SameOrBelowIgnoringCase(path, prefix);
    return path.starts_with(prefix) && (path.size() == prefix.size() || path[prefix.size()] == '/');
}
