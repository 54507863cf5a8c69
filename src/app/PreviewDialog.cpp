#include "PreviewDialog.h"

#include "LineView.h"
#include "PictureView.h"
#include "PreviewJob.h"
#include "RunStatus.h"

#include <QFileInfo>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

TPreviewDialog::TPreviewDialog(const TPakReader& reader, QWidget* parent)
    : QDialog(parent)
    , FJob(new TPreviewJob(reader, this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Vorschau"));
    resize(560, 440);

    auto* layout = new QVBoxLayout(this);
    lbInfo = new QLabel(this);
    lbNotice = new QLabel(this);
    for (QLabel* label : {lbInfo, lbNotice}) {
        label->setTextFormat(Qt::PlainText); // archive names, never markup
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    lbNotice->setForegroundRole(QPalette::BrightText);
    lbNotice->setBackgroundRole(QPalette::ToolTipBase);
    lbNotice->setAutoFillBackground(true);
    lbNotice->setMargin(4);
    lbNotice->hide();

    FPages = new QStackedWidget(this);
    pvLines = new TLineView(FPages);
    pvPicture = new TPictureView(FPages);
    lbMessage = new QLabel(FPages);
    lbMessage->setTextFormat(Qt::PlainText);
    lbMessage->setAlignment(Qt::AlignCenter);
    lbMessage->setWordWrap(true);
    for (QWidget* page : {static_cast<QWidget*>(pvLines), static_cast<QWidget*>(pvPicture),
                          static_cast<QWidget*>(lbMessage)})
        FPages->addWidget(page);
    layout->addWidget(FPages, 1);

    connect(FJob, &TPreviewJob::Ready, this, &TPreviewDialog::Present);
}

TPreviewDialog::~TPreviewDialog() = default;

void TPreviewDialog::ShowEntry(int32_t index) {
    if (!FShown || FShown->Index != index || FShown->Serial != FExpected)
        FExpected = FJob->Request(index);
    if (isVisible())
        return; // the entry before stays until the next one is ready, without a blank between
    // Opened afresh, it shows nothing from before.
    if (!FShown || FShown->Serial != FExpected) {
        Clear();
        ShowMessage(QStringLiteral("Wird geladen..."));
    }
    show();
    // The keyboard stays where it was, so that the arrow keys go on moving through the list;
    // not every platform keeps it there by itself (WA_ShowWithoutActivating).
    if (parentWidget() && parentWidget()->isActiveWindow())
        parentWidget()->activateWindow();
}

void TPreviewDialog::Forget() {
    FJob->Forget();
    FExpected = 0;
    Clear();
    hide();
}

void TPreviewDialog::Clear() {
    FShown.reset();
    lbInfo->clear();
    lbNotice->hide();
    pvLines->SetLines(0, 0, {});
    pvPicture->SetPicture({});
}

void TPreviewDialog::ShowMessage(const QString& text) {
    lbMessage->setText(text);
    FPages->setCurrentWidget(lbMessage);
}

void TPreviewDialog::Present(const std::shared_ptr<const TPreview>& preview) {
    if (preview->Serial != FExpected)
        return; // an entry passed on the way
    FShown = preview;
    const QString name = QFileInfo(preview->Path).fileName();
    setWindowTitle(QStringLiteral("Vorschau – %1").arg(name));
    QStringList info{preview->Path,
                     TRunStatus::Size(preview->Size, preview->RealSize, TRunStatus::Bytes)};
    if (!preview->Description.isEmpty())
        info << preview->Description;
    lbInfo->setText(info.join(QStringLiteral(" · ")));
    lbNotice->setText(QStringLiteral("Gezeigt wird nur der Anfang der Datei: die ersten %1.")
                          .arg(TRunStatus::Bytes(TPreviewJob::kLimit)));
    lbNotice->setVisible(preview->Cut);

    // The views hold on to nothing of the entry before.
    pvLines->SetLines(0, 0, {});
    pvPicture->SetPicture({});
    switch (preview->Kind) {
    case TPreview::TKind::Text:
    case TPreview::TKind::Hex:
        pvLines->SetLines(preview->LineCount(), preview->Width,
                          [preview](qsizetype line) { return preview->Line(line); });
        FPages->setCurrentWidget(pvLines);
        break;
    case TPreview::TKind::Picture:
        pvPicture->SetPicture(preview->Picture);
        FPages->setCurrentWidget(pvPicture);
        break;
    case TPreview::TKind::Unreadable:
        ShowMessage(preview->Problem);
        break;
    }
    emit Updated();
}
