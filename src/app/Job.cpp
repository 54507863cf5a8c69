#include "Job.h"

#include <cassert>

TJob::~TJob() {
    // Joined by the derived destructor: Work must not run on without the job's members.
    assert(!FThread.joinable());
}

void TJob::Start() {
    FThread = std::thread([this] {
        Work();
        QMetaObject::invokeMethod(
            this, [this] { emit Finished(); }, Qt::QueuedConnection);
    });
}

void TJob::Stop() {
    FStop = true;
    StopRequested();
}

void TJob::StopAndJoin() {
    Stop();
    if (FThread.joinable())
        FThread.join();
}
