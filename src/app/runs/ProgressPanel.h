#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;
class QPushButton;

// The panel of a run over many files (pnExtract): the name of the file at work (lbExtract), the
// bar (pbProgress) and "Abbrechen" (btCancel). It floats in the middle of the window it belongs
// to, above everything else there, and is hidden while no run goes on.
class TProgressPanel : public QFrame {
    Q_OBJECT
public:
    explicit TProgressPanel(QWidget* window);

    QLabel* lbExtract() const { return FLabel; }
    QProgressBar* pbProgress() const { return FBar; }
    QPushButton* btCancel() const { return FCancel; }

    // Shown in the middle of the window, above its other controls.
    void ShowCentered();

signals:
    void CancelClicked();

private:
    // The one place of the panel's geometry, in pixels of a 13-pixel font.
    void Arrange();
    int Scaled(int pixels) const;

    QLabel* FLabel;
    QProgressBar* FBar;
    QPushButton* FCancel;
};
