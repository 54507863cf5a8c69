#pragma once

#include <QListView>
#include <functional>

class QImage;

// The files of the list as a grid of thumbnails, each with its name below: the same model and
// selection as the detail list, in its place while "Miniaturen" is on. It paints what
// Thumbnail gives and tells which rows it painted, so that only those (and the ones just around
// them) are decoded.
class TThumbnailView : public QListView {
    Q_OBJECT
public:
    // How a row is shown: its thumbnail, or null for a generic file icon (picture: false) or
    // an empty frame while it is being decoded (picture: true).
    using TThumbnailOf = std::function<const QImage*(int row, bool& picture)>;

    TThumbnailView(TThumbnailOf thumbnailOf, QWidget* parent);

    // The window makes the drags itself, as for the list: what is dragged out must be extracted.
    std::function<void()> OnStartDrag;

    // The first and last rows of the latest paint; -1, -1 before one.
    int FirstPainted() const { return FFirst; }
    int LastPainted() const { return FLast; }
    // The size of every item: the thumbnail's square and a line of text.
    QSize CellSize() const;
    // Laid out afresh (another model, its rows reset or sorted, another size): the rows on show
    // are told again at the next paint, whatever they were before.
    void doItemsLayout() override;

signals:
    // Other rows are on show than at the paint before.
    void ShownRowsChanged(int first, int last);

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void startDrag(Qt::DropActions) override;

private:
    friend class TThumbnailDelegate;
    void NotePainted(int row);

    TThumbnailOf FThumbnailOf;
    int FFirst = -1;
    int FLast = -1;
    int FPaintFirst = -1;
    int FPaintLast = -1;
};
