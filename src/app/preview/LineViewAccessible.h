#pragma once

#include <QAccessibleWidget>

class TLineView;

// The preview's lines as assistive technology reads them: a read-only, multi-line text whose
// value is the lines joined by line breaks, with the highlighted line (a hit of the find) as its
// selection and the caret at its beginning. Only the lines asked for are made.
class TLineViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TLineViewAccessible(TLineView* view);

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    TLineView* View() const;
};

// Makes every TLineView answer assistive technology through TLineViewAccessible, and every
// TPictureView through TPictureViewAccessible; once per process, however often it is called.
void InstallPreviewAccessibility();
