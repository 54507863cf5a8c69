#include "CompareJob.h"

#include "AnsiText.h"
#include "Exception.h"
#include "uPakReader.h"

TCompareJob::TCompareJob(const TPakReader& current, QString olderFile, int threads, QObject* parent)
    : TJob(parent)
    , FCurrent(current)
    , FOlderFile(std::move(olderFile))
    , FThreads(threads) {}

TCompareJob::~TCompareJob() {
    StopAndJoin();
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
