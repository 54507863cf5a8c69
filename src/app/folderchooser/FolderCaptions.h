#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The folder chooser's caption tables: entries "key=value", the key being a language
// identifier in four uppercase hexadecimal digits or "Default".

// The new-folder button's captions and the dialog's label captions, 29 entries each with the
// same keys in the same order.
QStringList DefaultNewFolderCaptions();
QStringList DefaultLabelCaptions();

// The label of the new folder's name prompt: German for the German languages (identifiers
// ending in 07), else English.
QString NameLabelCaption(const QString& languageKey);

// A language identifier as a caption key: four uppercase hexadecimal digits ("0407").
QString LanguageKeyOf(uint16_t languageId);

// The caption for languageKey: the value of the first entry with that key (letter case
// ignored), else of the "Default" entry, else of the first entry's key; empty for an empty list.
QString PickCaption(const QStringList& list, const QString& languageKey);

// A list as one text: every entry followed by a line break. Lists with the same text hold the
// same captions.
QString ListText(const QStringList& list);
