#pragma once

#include <QAbstractScrollArea>
#include <functional>

// Lines of fixed-pitch text, read-only, of which only those in sight are ever made and painted:
// a preview of millions of lines opens and scrolls as fast as one of ten.
class TLineView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using TLineSource = std::function<QString(qsizetype line)>;

    explicit TLineView(QWidget* parent = nullptr);

    // count lines of at most width characters each, made by source when they come into sight.
    void SetLines(qsizetype count, int width, TLineSource source);
    qsizetype LineCount() const { return FCount; }
    QString Line(qsizetype line) const { return FSource(line); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBars();

    qsizetype FCount = 0;
    int FWidth = 0;
    TLineSource FSource;
};
