#pragma once

#include <QObject>
#include <atomic>
#include <thread>

// The thread of one of the window's jobs (load, extraction, check, find, preview): started once,
// asked to stop from any thread, joined before the job goes. Finished is delivered on the thread
// the job object lives on, the window's, once Work has returned; whoever listens may delete the
// job from there (deleteLater, as the signal is being delivered).
class TJob : public QObject {
    Q_OBJECT
public:
    explicit TJob(QObject* parent = nullptr)
        : QObject(parent) {}
    // A derived job ends its thread in its own destructor (StopAndJoin), while its members exist.
    ~TJob() override;

    // Runs Work on a thread of its own. A system out of threads throws std::system_error, and the
    // job stays unstarted.
    void Start();
    bool Started() const { return FThread.joinable(); }
    // May be called from any thread: Stopping turns true, and StopRequested wakes what waits.
    void Stop();
    bool Stopping() const { return FStop.load(std::memory_order_relaxed); }

signals:
    void Finished();

protected:
    virtual void Work() = 0;
    // Called by Stop, on the calling thread: wakes Work where it waits.
    virtual void StopRequested() {}
    void StopAndJoin();

private:
    std::atomic<bool> FStop{false};
    std::thread FThread;
};
