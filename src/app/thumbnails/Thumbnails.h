#pragma once

#include "ThumbnailCache.h"

#include <QObject>
#include <unordered_map>

class QAction;
class TArchiveSession;
class TFileListModel;
class TFilePane;
class TThumbnailJob;
class TThumbnailView;
class TWindowState;

// "Ansicht → Miniaturen": the folder's files, or the find's hits, as a grid of thumbnails in the
// detail list's place, on the same list and selection, so that every command of the list works
// on the grid as well. Only the thumbnails on show and those a screen around them are decoded,
// on a job; what is decoded is kept within a limit of bytes, the least recently shown going
// first. Whether the grid is on is remembered.
class TThumbnails : public QObject {
    Q_OBJECT
public:
    // What the decoded thumbnails may take at most, unless told otherwise.
    static constexpr int64_t kDefaultLimit = int64_t{48} << 20;

    TThumbnails(TArchiveSession& session, TFilePane& files, TWindowState& state, QObject* parent);
    ~TThumbnails() override;

    QAction* acThumbnails() const { return FAction; }
    TThumbnailView* lvThumbnails() const { return FView; }
    bool Shown() const;
    // The grid in the list's place, or the list back.
    void Show(bool shown);
    // The archive goes: nothing of it is read or kept any more.
    void ForgetArchive();

    const TThumbnailCache& Cache() const { return FCache; }
    void SetCacheLimit(int64_t bytes) { FCache.SetLimit(bytes); }
    // Thumbnails are being decoded.
    bool Busy() const;
    int DecodedCount() const;
    // Whether a file of that name is shown by its picture: by its suffix, as Qt or our own
    // reader can read it.
    static bool IsPictureName(QByteArrayView name);

signals:
    // A thumbnail has been decoded and is shown.
    void Decoded(int32_t entry);

private:
    void ListChanged();
    void RowsShown(int first, int last);
    void Arrived(int32_t entry, const QImage& thumbnail);
    const QImage* ThumbnailOf(int row, bool& picture);
    TFileListModel* List() const;

    TArchiveSession& FSession;
    TFilePane& FFiles;
    TWindowState& FState;
    QAction* FAction;
    TThumbnailView* FView;
    TThumbnailJob* FJob;
    TThumbnailCache FCache{kDefaultLimit};
    std::unordered_map<int32_t, int> FWantedRows; // entry -> row, of the last wish
};
