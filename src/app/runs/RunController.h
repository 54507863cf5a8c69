#pragma once

#include "ExtractionJob.h"
#include "RunStatus.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPushButton;
class QTimer;
class QWidget;
class TCheckJob;
class TPakReader;
class TPrompts;
class TProgressPanel;
class TStatusLine;

// The one owner of the runs over an archive's entries: the extraction (of one file, of many, of
// a drag's files) and the check. One run at a time; it starts them, shows their progress on the
// panel and in the status line, tells about damaged entries as they come and sums the run up
// when it ends. Whoever starts a run hears Ended; nothing else of it is seen outside.
class TRunController : public QObject {
    Q_OBJECT
public:
    enum class TKind {
        Single, // one file through the save dialog: panel only when it takes long, no summary
        Files,  // many files into a folder the user chose
        Drag,   // a drag's files into a temporary folder: panel only when long, no figures
        Check,  // every entry read, nothing written
        Write,  // a new archive written from the open one
    };
    // What a run is, as Start takes it.
    struct TRun {
        TKind Kind = TKind::Files;
        int Range = 0;                   // of the bar
        std::optional<TRunStatus> Line;  // the status line's figures; none: no figures
        QString Folder;                  // where it writes, for "Zielordner öffnen"
        std::function<void(bool)> Ended; // told whether every file is there (drags)
        QString Label; // the panel's text while the job names no entry of the archive
    };

    TRunController(const TPakReader& reader, TPrompts& prompts, TStatusLine& status,
                   QWidget* window);
    ~TRunController() override;

    TProgressPanel& Panel() const { return *FPanel; }
    // Beside a run's summary in the status bar, until the next status text.
    QPushButton* btOpenFolder() const { return FOpenFolder; }

    bool Running() const { return FJob != nullptr; }
    std::optional<TKind> Kind() const;
    bool CancelRequested() const { return FCancel; }
    // How often the panel is brought up to date; 0: before every file, with the extraction
    // waiting until the window has handled its events (as tests want it).
    void SetEventInterval(int milliseconds) { FEventIntervalMs = milliseconds; }
    void SetWorkerCount(int workers) { FWorkerCount = workers; }
    int WorkerCount() const { return FWorkerCount; }

    // A run goes on: says so, and the caller's command stops.
    bool RefuseWhileRunning();
    // Whether a close may end the run going on (asks only when it would lose work).
    bool ConfirmStop();

    void ExtractSingle(int32_t index, const QString& target);
    void ExtractFiles(const QString& folder, std::vector<TExtractionJob::TItem> items);
    void ExtractDrag(const QString& folder, std::vector<TExtractionJob::TItem> items,
                     std::function<void(bool)> ended);
    void Check();
    // Starts job as run; a job whose thread could not be made leaves things as they were and
    // throws std::system_error.
    void Start(TRun run, std::unique_ptr<TRunJob> job);
    void Cancel();
    void OpenRunFolder();

signals:
    // The panel was brought up to date: the file at work and the bar's position.
    void ExtractProgress(const QString& name, int position);
    // An extraction has ended and what it reported has been shown.
    void ExtractionFinished();
    // An entry's content turned out smaller than it declares.
    void RealSizeFound(int32_t index, uint64_t bytes);
    // A run has ended; the controller is idle.
    void Ended();

private:
    void JobEnded();
    void Stepped(int32_t index);
    void RefreshPanel();
    void ShowRunStatus(const TJobProgress& progress);
    void ShowRunSummary(const TRun& run, const TRunStatus::TOutcome& outcome);
    void ReportDamaged(int32_t index);
    void ReportExtraction(const TExtractionJob& job, TKind kind);
    void ReportCheck(const TCheckJob& job);
    QStringList DamagedList(const std::vector<int32_t>& entries) const;
    QString EntryName(int32_t index) const;

    const TPakReader& FReader;
    TPrompts& FPrompts;
    TStatusLine& FStatus;
    QWidget* FWindow;
    TProgressPanel* FPanel;
    QPushButton* FOpenFolder;
    QTimer* FPanelTimer;

    std::unique_ptr<TRunJob> FJob;
    TRun FRun;
    QString FFolder; // of the last run with a summary
    bool FCancel = false;
    std::vector<int32_t> FDamaged; // found by the run, in the order they were found
    bool FDamagedQuiet = false;    // the user wants the rest of them in the summary only
    QElapsedTimer FJobClock;       // since the job started
    int FEventIntervalMs = 100;
    int FWorkerCount;
};
