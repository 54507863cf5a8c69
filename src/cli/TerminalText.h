#pragma once

#include <string>
#include <string_view>

// Text for a terminal or a log, made harmless: control characters in archive names could move
// the cursor, erase a warning, forge an extra line or cut a message short. C0 controls and DEL
// appear as \xHH (\n, \r and \t by their names), C1 controls as \u00HH, and "\" as "\\", so
// every name reads back unambiguously.

// Appends archive text (Windows-1252) as escaped UTF-8.
void AppendTerminalText(std::string& out, std::string_view archiveText);

// Escapes a UTF-8 message.
std::string TerminalSafe(std::string_view utf8);
