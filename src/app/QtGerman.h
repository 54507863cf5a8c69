#pragma once

class QCoreApplication;

// Makes Qt's own texts German whatever the system's language: the buttons and labels of the
// file dialogs, the overwrite question, shortcut names ("Strg+O"). False when Qt's German
// translation is not installed (Debian: qt6-translations-l10n).
bool InstallQtGermanTexts(QCoreApplication& application);
