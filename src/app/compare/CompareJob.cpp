#include "CompareJob.h"

#include "AnsiText.h"
#include "Exception.h"
#include "uPakReader.h"

#include <algorithm>

TCompareJob::TCompareJob(const TPakReader& current, QString olderFile, int threads, QObject* parent)
    : TRunJob(parent)
    , FCurrent(current)
    , FOlderFile(std::move(olderFile))
    , FThreads(threads) {}

TCompareJob::~TCompareJob() {
    StopAndJoin();
}

TJobProgress TCompareJob::Progress() const {
    TJobProgress progress;
    const int64_t total = FProgress.Total;
    const int64_t done = std::min<int64_t>(FProgress.Done, total);
    progress.Position = total == 0 ? 0 : static_cast<int>(done * kSteps / total);
    progress.Done = done;
    return progress;
}

int32_t TCompareJob::Cancel() {
    FCancel = true;
    return -1;
}

TRunStatus::TOutcome TCompareJob::Outcome() const {
    TRunStatus::TOutcome outcome;
    outcome.Files = static_cast<int64_t>(FChanges.size());
    outcome.Cancelled = Cancelled();
    return outcome;
}

std::unique_ptr<TPakReader> TCompareJob::TakeOlder() {
    return std::move(FOlder);
}

void TCompareJob::Work() {
    const std::string fileName = ToCoreFileName(FOlderFile);
    auto older = std::make_unique<TPakReader>();
    try {
        older->SetProgressHook([this](int32_t) { return !FCancel; });
        const bool opened = older->Open(fileName);
        older->SetProgressHook(nullptr); // the reader may outlive the job
        if (!opened)
            return; // cancelled while opening
    } catch (const std::exception& e) {
        FError = FromCoreText(OpenFailureText(fileName, e));
        return;
    }
    try {
        TDiffRequest request;
        request.Threads = FThreads;
        request.Cancel = &FCancel;
        request.Progress = &FProgress;
        FChanges = DiffArchives(*older, FCurrent, request);
        FOlder = std::move(older);
    } catch (const EAborted&) {
        FChanges.clear();
    } catch (const std::exception& e) {
        FChanges.clear();
        FError = FromCoreText(ErrorText(e));
    }
}
