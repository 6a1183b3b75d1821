#pragma once
#include <atomic>
#include <thread>

class TFillProjects;

// While alive, Ctrl-C (and SIGTERM) asks the run to stop after the row in progress; a second
// one ends the process at once. The signals are taken by sigtimedwait on a thread of their
// own, so that stopInsert is never called from a signal handler.
class TStopOnSignal {
public:
    explicit TStopOnSignal(TFillProjects& projects);
    ~TStopOnSignal();
    TStopOnSignal(const TStopOnSignal&) = delete;
    TStopOnSignal& operator=(const TStopOnSignal&) = delete;

    bool Stopped() const { return stopped_; }
    // Blocks the signals in the calling thread. Called before the first connection, so that the
    // threads that client libraries start inherit the mask and the signals wait for the watcher
    // instead of reaching a handler of the library's.
    static void HoldSignals();

private:
    void watch();

    TFillProjects& projects_;
    std::atomic<bool> done_{false};
    std::atomic<bool> stopped_{false};
    std::thread watcher_;
};
