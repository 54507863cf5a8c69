#include "Verifier.h"

#include "Exception.h"
#include "Extractor.h"
#include "WorkerThreads.h"
#include "uPakReader.h"

#include <algorithm>

TVerifier::TVerifier(const TPakReader& reader, std::vector<int32_t> entries, int threads,
                     TSinkMaker makeSink)
    : FReader(reader)
    , FEntries(std::move(entries))
    , FMakeSink(std::move(makeSink))
    , FVerdicts(FEntries.size())
    , FBudget(TExtractor::kBufferBudget) {
    // A system short of threads gives fewer workers; without any, there is no check.
    StartAtLeastOneWorker(FWorkers, static_cast<size_t>(std::max(1, threads)), [this] { Work(); });
}

TVerifier::~TVerifier() {
    Stop();
    Join();
}

void TVerifier::Join() {
    for (std::thread& worker : FWorkers)
        if (worker.joinable())
            worker.join();
}

TVerifier::TVerdict TVerifier::Wait(size_t position) const {
    FVerdicts[position].wait(Pending);
    return Verdict(position);
}

std::string TVerifier::Error() const {
    std::lock_guard lock(FErrorGuard);
    return FError;
}

void TVerifier::Work() {
    TInflater inflater;
    inflater.SetBudget(&FBudget);
    for (size_t k; !FStop && (k = FNext++) < FEntries.size();) {
        FCurrent = FEntries[k];
        uint8_t verdict = Unreadable;
        try {
            const bool intact = FMakeSink ? FReader.VerifyEntry(FEntries[k], inflater, *FMakeSink())
                                          : FReader.VerifyEntry(FEntries[k], inflater);
            verdict = intact ? Intact : Damaged;
        } catch (const EAborted&) {
            break;
        } catch (const std::exception& e) {
            std::lock_guard lock(FErrorGuard);
            if (FError.empty())
                FError = e.what();
            FStop = true;
        }
        FVerdicts[k] = verdict;
        FVerdicts[k].notify_all();
        ++FDone;
    }
}
