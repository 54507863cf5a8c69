#include "UpdateJob.h"

#include "AnsiText.h"

TUpdateJob::TUpdateJob(QString archive, QString folder, QString newArchive, int threads,
                       QObject* parent)
    : TJob(parent)
    , FArchive(std::move(archive))
    , FFolder(std::move(folder))
    , FNewArchive(std::move(newArchive))
    , FThreads(threads) {}

TUpdateJob::~TUpdateJob() {
    StopAndJoin();
}

void TUpdateJob::Work() {
    pakbuild::TOptions options;
    options.Add = true;
    options.Threads = FThreads;
    options.Cancel = &FCancel;
    options.Progress = &FProgress;
    try {
        FReport = pakbuild::UpdateArchive(ToCoreFileName(FArchive), ToCoreFileName(FNewArchive),
                                          ToCoreFileName(FFolder), options);
    } catch (const pakbuild::ENamesRefused& e) {
        for (const std::string& message : e.Messages())
            FErrors << FromCoreText(message);
    } catch (const EAborted&) {
    } catch (const std::exception& e) {
        FErrors << FromCoreText(ErrorText(e));
    }
}
