#pragma once

#include <QLocale>
#include <cstdint>

// The system's default language as the 16-bit language identifier the caption tables are keyed
// by (German (Germany) 0x0407, English (United States) 0x0409, ...).

// The identifier of a locale: its language in its country where that pair has one, else the
// language's default identifier; English (United States) for the C locale and for languages
// without an identifier here.
uint16_t LanguageIdForLocale(const QLocale& locale);

// The identifier of the system locale.
uint16_t GetSystemDefaultLangID();
