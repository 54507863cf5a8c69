#include "FolderCaptions.h"

#include <iterator>
#include <string_view>

namespace {

struct TCaptionRow {
    const char* Key;
    std::string_view NewFolder;
    std::string_view Label;
};

// The captions in their own letters (UTF-8). The Polish label comes from code page 1250, where
// its bytes BF B1 are "żą"; read as Windows-1252 they showed as "¿±". It keeps its missing colon.
constexpr TCaptionRow CaptionRows[] = {
    {"Default", "New folder", "Current folder:"},
    {"0009", "New folder", "Current folder:"},
    {"0406", "Ny mappe", "Valgt mappe:"},
    {"0407", "Neuer Ordner", "Ausgewählter Ordner:"},
    {"0409", "New folder", "Current folder:"},
    {"040C", "Nouveau Dossier", "Dossier Courant:"},
    {"0410", "Nuova Cartella", "Cartella selezionata:"},
    {"0413", "Nieuwe map", "Huidige map:"},
    {"0415", "Nowy folder", "Bieżący folder"},
    {"0416", "Nova Pasta", "Pasta Atual:"},
    {"0807", "Neuer Ordner", "Ausgewählter Ordner:"},
    {"0809", "New folder", "Current folder:"},
    {"080C", "Nouveau Dossier", "Dossier Courant:"},
    {"0810", "Nuova Cartella", "Cartella selezionata:"},
    {"0C07", "Neuer Ordner", "Ausgewählter Ordner:"},
    {"0C09", "New folder", "Current folder:"},
    {"0C0C", "Nouveau Dossier", "Dossier Courant:"},
    {"1007", "Neuer Ordner", "Ausgewählter Ordner:"},
    {"1009", "New folder", "Current folder:"},
    {"100C", "Nouveau Dossier", "Dossier Courant:"},
    {"1407", "Neuer Ordner", "Ausgewählter Ordner:"},
    {"1409", "New folder", "Current folder:"},
    {"140C", "Nouveau Dossier", "Dossier Courant:"},
    {"1809", "New folder", "Current folder:"},
    {"180C", "Nouveau Dossier", "Dossier Courant:"},
    {"1C09", "New folder", "Current folder:"},
    {"2009", "New folder", "Current folder:"},
    {"2809", "New folder", "Current folder:"},
    {"2C09", "New folder", "Current folder:"},
};
static_assert(std::size(CaptionRows) == 29);

} // namespace

QString NameLabelCaption(const QString& languageKey) {
    return languageKey.endsWith(QLatin1String("07")) ? QStringLiteral("Name des neuen Ordners:")
                                                     : QStringLiteral("Name of the new folder:");
}

namespace {

template <typename Column> QStringList Table(Column column) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(std::size(CaptionRows)));
    for (const TCaptionRow& row : CaptionRows)
        list.append(QLatin1String(row.Key) + u'=' + QString::fromUtf8(column(row)));
    return list;
}

// The key is the text before the first "="; an entry without "=" has the empty key.
QString KeyOf(const QString& entry) {
    const qsizetype equals = entry.indexOf(u'=');
    return equals < 0 ? QString() : entry.left(equals);
}

QString ValueOf(const QString& entry) {
    const qsizetype equals = entry.indexOf(u'=');
    return equals < 0 ? QString() : entry.mid(equals + 1);
}

// The value of the first entry whose key matches, letter case ignored.
const QString* FindKey(const QStringList& list, const QString& key) {
    for (const QString& entry : list)
        if (KeyOf(entry).compare(key, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

} // namespace

QStringList DefaultNewFolderCaptions() {
    return Table([](const TCaptionRow& row) { return row.NewFolder; });
}

QStringList DefaultLabelCaptions() {
    return Table([](const TCaptionRow& row) { return row.Label; });
}

QString LanguageKeyOf(uint16_t languageId) {
    return QStringLiteral("%1").arg(languageId, 4, 16, QChar(u'0')).toUpper();
}

QString PickCaption(const QStringList& list, const QString& languageKey) {
    if (list.isEmpty())
        return {};
    const QString* entry = FindKey(list, languageKey);
    if (entry == nullptr)
        entry = FindKey(list, QStringLiteral("Default"));
    if (entry == nullptr)
        entry = FindKey(list, KeyOf(list.first()));
    return entry == nullptr ? QString() : ValueOf(*entry);
}

QString ListText(const QStringList& list) {
    QString text;
    for (const QString& entry : list)
        text += entry + u'\n';
    return text;
}
