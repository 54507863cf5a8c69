#include "PreviewDialog.h"

#include "AccessibleText.h"
#include "LineView.h"
#include "PictureView.h"
#include "PreviewJob.h"
#include "Prompts.h"
#include "RunStatus.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>

TPreviewDialog::TPreviewDialog(const TPakReader& reader, QWidget* parent)
    : QDockWidget(QStringLiteral("Vorschau"), parent)
    , FJob(new TPreviewJob(reader, this)) {
    setObjectName(QStringLiteral("dkPreview"));
    // Floating, it is a window of its own that must not take the keyboard from the list.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAllowedAreas(Qt::AllDockWidgetAreas);

    auto* content = new QWidget(this);
    setWidget(content);
    auto* layout = new QVBoxLayout(content);
    lbInfo = new QLabel(content);
    lbNotice = new QLabel(content);
    for (QLabel* label : {lbInfo, lbNotice}) {
        label->setTextFormat(Qt::PlainText); // archive names, never markup
        label->setWordWrap(true);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        layout->addWidget(label);
    }
    lbNotice->setAutoFillBackground(true);
    ChooseNoticeColours();
    lbNotice->setMargin(4);
    lbNotice->hide();

    FPages = new QStackedWidget(content);
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
    SetAccessibleText(lbInfo, {}, QStringLiteral("Name, Größe und Art der gezeigten Datei"));
    SetAccessibleText(lbNotice, {}, QStringLiteral("Hinweis zur Vorschau"));
    SetAccessibleText(lbMessage, {},
                      QStringLiteral("Dass die Datei geladen wird, oder warum sie nicht gezeigt "
                                     "werden kann"));
    SetAccessibleText(pvLines, QStringLiteral("Inhalt der Datei"),
                      QStringLiteral("Der Text der Datei oder ihre Bytes hexadezimal, nur zum "
                                     "Lesen; die Zeile eines Treffers der Suche ist ausgewählt"));
    SetAccessibleText(pvPicture, QStringLiteral("Bild der Datei"),
                      QStringLiteral("Das Bild, das die Datei enthält"));

    connect(FJob, &TPreviewJob::Ready, this, &TPreviewDialog::Present);
}

TPreviewDialog::~TPreviewDialog() = default;

double ContrastRatio(const QColor& text, const QColor& background) {
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double c) {
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
               0.0722 * linear(colour.blueF());
    };
    const double a = luminance(text) + 0.05;
    const double b = luminance(background) + 0.05;
    return std::max(a, b) / std::min(a, b);
}

void TPreviewDialog::ChooseNoticeColours() {
    // A hint's own colours first, so that the notice stands out from the text below it.
    constexpr std::pair<QPalette::ColorRole, QPalette::ColorRole> kPairs[] = {
        {QPalette::ToolTipText, QPalette::ToolTipBase},
        {QPalette::Text, QPalette::AlternateBase},
        {QPalette::WindowText, QPalette::Window},
    };
    auto chosen = kPairs[std::size(kPairs) - 1];
    for (const auto& pair : kPairs)
        if (ContrastRatio(palette().color(pair.first), palette().color(pair.second)) >= 4.5) {
            chosen = pair;
            break;
        }
    lbNotice->setForegroundRole(chosen.first);
    lbNotice->setBackgroundRole(chosen.second);
}

void TPreviewDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        ChooseNoticeColours();
    QDockWidget::changeEvent(event);
}

void TPreviewDialog::ShowEntry(int32_t index, const TPakReader* from, uint64_t line) {
    FLine = line;
    if (!FShown || FShown->Index != index || FShown->OtherArchive != (from != nullptr) ||
        FShown->Serial != FExpected)
        FExpected = FJob->Request(index, from);
    else
        HighlightLine(); // the same file, perhaps as a hit now
    if (isVisible())
        return; // the entry before stays until the next one is ready, without a blank between
    // Opened afresh, it shows nothing from before.
    if (!FShown || FShown->Serial != FExpected) {
        Clear();
        ShowMessage(QStringLiteral("Wird geladen..."));
    }
    // Where the user left it: docked on its side, or floating where it was.
    QWidget* focused = QApplication::focusWidget();
    show();
    // The keyboard stays where it was, so that the arrow keys go on moving through the list;
    // not every platform keeps it there by itself (WA_ShowWithoutActivating).
    if (isFloating() && parentWidget() && parentWidget()->isActiveWindow())
        parentWidget()->activateWindow();
    if (focused && !focused->hasFocus())
        focused->setFocus();
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

void TPreviewDialog::HighlightLine() {
    pvLines->SetHighlight(FShown ? FShown->ShownLineOf(FLine) : -1);
}

void TPreviewDialog::Present(const std::shared_ptr<const TPreview>& preview) {
    if (preview->Serial != FExpected)
        return; // an entry passed on the way
    FShown = preview;
    const QString name = QFileInfo(preview->Path).fileName();
    setWindowTitle(QStringLiteral("Vorschau – %1").arg(ShortenedNames(name)));
    // A long name is shortened in the middle: it must not make the window wider than the screen.
    QStringList info{ShortenedNames(preview->Path),
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
        HighlightLine();
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
