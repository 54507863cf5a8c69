#pragma once

#include <QLabel>

class QTimer;
class TArchiveSession;
class TFilePane;

// The status bar's second field: how many files are selected in the list and how much they
// hold ("3 Dateien ausgewählt · 12,3 MB (entpackt 40,1 MB)"), or, with none selected, the
// same of every file the list shows. The size is the stored one, as "Größe" shows it; "entpackt"
// the sizes the entries declare once unpacked. Empty while no archive is open.
class TSelectionStatus : public QLabel {
    Q_OBJECT
public:
    TSelectionStatus(TFilePane& files, TArchiveSession& session, QWidget* parent);

    // Brought up to date at once rather than once the changes that come together are through.
    void Refresh();

private:
    TFilePane& FFiles;
    TArchiveSession& FSession;
    // A selection dragged over a long list changes with every row: the sums follow once per
    // round of events.
    QTimer* FPending;
};
