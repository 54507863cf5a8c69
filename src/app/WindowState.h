#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class IRegistryStore;

// What the window remembers between runs, in the settings store next to the recent list: its
// geometry and splitter, and the folders the open dialog, the save dialog and the folder chooser
// were last left in, and the optional columns of the file list. Each value is written when it
// changes, so a killed program loses nothing but its last window geometry.
class TWindowState {
public:
    static inline const QString kGeometry = QStringLiteral("WindowGeometry");
    static inline const QString kSplitter = QStringLiteral("Splitter");
    // Where the window's panes are (the preview), written with the geometry: side, size, or
    // floating.
    static inline const QString kPanes = QStringLiteral("Panes");
    static inline const QString kOpenFolder = QStringLiteral("OpenFolder");
    static inline const QString kSaveFolder = QStringLiteral("SaveFolder");
    static inline const QString kExtractFolder = QStringLiteral("ExtractFolder");
    // The folder last used to write a new archive from.
    static inline const QString kUpdateFolder = QStringLiteral("UpdateFolder");
    // The optional columns of the file list that are shown, comma-separated.
    static inline const QString kColumns = QStringLiteral("Columns");
    // "1" when the file list shows its sizes in units ("Größen lesbar").
    static inline const QString kReadableSizes = QStringLiteral("ReadableSizes");

    TWindowState(std::shared_ptr<IRegistryStore> store, QString keyPath);

    // Empty when nothing is stored (or the store cannot be read).
    QString Text(const QString& name) const;
    QByteArray Bytes(const QString& name) const;
    // A value that cannot be stored is not worth a message: the window works without it.
    void SetText(const QString& name, const QString& text);
    void SetBytes(const QString& name, const QByteArray& bytes);

private:
    std::shared_ptr<IRegistryStore> FStore;
    QString FKeyPath;
};
