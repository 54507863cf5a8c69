#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

// The bar above the file list for a find over the whole archive (pnFind): its field (edFind),
// "im Inhalt" (cbContent: the files' content rather than their names) and its close button.
// Only the controls: what a find does is the file list's.
class TFindBar : public QWidget {
    Q_OBJECT
public:
    explicit TFindBar(QWidget* parent);

    QLineEdit* edFind() const { return FEdit; }
    QCheckBox* cbContent() const { return FContent; }
    bool InContent() const;

signals:
    void TextChanged(const QString& text);
    void ContentToggled();
    // The close button or Escape in the field.
    void CloseRequested();
    // Enter or the arrow down in the field: on into the hits.
    void IntoListRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* FEdit;
    QCheckBox* FContent;
};
