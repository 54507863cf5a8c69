#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

class QLabel;
class QStackedWidget;
class TLineView;
class TPakReader;
class TPictureView;
class TPreviewJob;
struct TPreview;

// The preview window: shows one entry of the archive (picture, text or hexadecimal) without
// writing it anywhere. It stays beside the main window without taking the keyboard from it, so
// that moving through the file list shows one file after the other. Entries are read and
// prepared by a TPreviewJob; the window only shows what it reports.
class TPreviewDialog : public QDialog {
    Q_OBJECT
public:
    TPreviewDialog(const TPakReader& reader, QWidget* parent);
    ~TPreviewDialog() override;

    // Opens the window if need be and shows entry index once it has been read.
    void ShowEntry(int32_t index);
    // Closes the window; when this returns, the reader is no longer read.
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

private:
    void Present(const std::shared_ptr<const TPreview>& preview);
    void ShowMessage(const QString& text);
    void Clear();

    TPreviewJob* FJob;
    QStackedWidget* FPages;
    uint64_t FExpected = 0; // the serial of the request that is to be shown
    std::shared_ptr<const TPreview> FShown;
};
