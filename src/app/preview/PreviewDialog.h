#pragma once

#include <QColor>
#include <QDockWidget>
#include <cstdint>
#include <memory>

class QLabel;
class QStackedWidget;
class TLineView;
class TPakReader;
class TPictureView;
class TPreviewJob;
struct TPreview;

// How well text of one colour reads on the other: the ratio of their relative luminances (each
// plus 0.05), from 1 (none) to 21 (black on white). 4.5 is enough for text of usual size.
double ContrastRatio(const QColor& text, const QColor& background);

// The preview: shows one entry of the archive (picture, text or hexadecimal) without writing it
// anywhere. A pane docked beside the file list (on the right at first) that the user may move to
// another side or float as a window of its own; the main window remembers where it was left.
// It never takes the keyboard from the list, so that moving through the list shows one file
// after the other. Entries are read and prepared by a TPreviewJob; the pane only shows what it
// reports.
class TPreviewDialog : public QDockWidget {
    Q_OBJECT
public:
    // The main window docks it; objectName "dkPreview" names it in the window's saved state.
    TPreviewDialog(const TPakReader& reader, QWidget* parent);
    ~TPreviewDialog() override;

    // Opens the pane if need be and shows entry index once it has been read: of from (another
    // archive, which stays open until Forget), or of the window's archive. line: the number
    // (from 1) of a line of text to show highlighted and in sight, a hit of the find; 0 for none.
    void ShowEntry(int32_t index, const TPakReader* from = nullptr, uint64_t line = 0);
    // Closes the pane; when this returns, the reader is no longer read.
    void Forget();
    // What is on show: null until the first entry has been read.
    const TPreview* Shown() const { return FShown.get(); }

    QLabel* lbInfo = nullptr;   // name, size, kind
    QLabel* lbNotice = nullptr; // only the beginning is shown
    TLineView* pvLines = nullptr;
    TPictureView* pvPicture = nullptr;
    QLabel* lbMessage = nullptr; // loading, or why nothing can be shown

signals:
    // An entry's preview is on show.
    void Updated();

protected:
    void changeEvent(QEvent* event) override;

private:
    void Present(const std::shared_ptr<const TPreview>& preview);
    // The notice's colours: a text role on a background role of the palette, the first pair
    // that reads well enough.
    void ChooseNoticeColours();
    void ShowMessage(const QString& text);
    // The line asked for by ShowEntry, highlighted in the text on show.
    void HighlightLine();
    void Clear();

    TPreviewJob* FJob;
    QStackedWidget* FPages;
    uint64_t FExpected = 0; // the serial of the request that is to be shown
    uint64_t FLine = 0;     // see ShowEntry
    std::shared_ptr<const TPreview> FShown;
};
