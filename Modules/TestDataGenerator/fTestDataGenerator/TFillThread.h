#pragma once
#include "UTFillProjects/Events.h"

#include <QThread>
#include <QTimer>
#include <atomic>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TFillProjects;

using TExceptionEvent = std::function<void(const std::string& ExceptionMessage)>;
// Runs on the window's thread after the run has ended.
using TThreadNotify = std::function<void(QObject* Sender)>;

// Runs one whole fill run on a worker thread. For the length of the run it stands in for the
// window as the collection's event handler, and calls the window's own handlers with copies of
// the arguments on the window's thread.
//
// Progress and task notices do not hold the worker: they are queued, and the window's thread
// takes the queue at most DeliveryIntervalMs apart. The run reports every row, so the worker
// keeps the latest figures to itself and queues them only once the window has taken what was
// queued before, or ahead of any other notice: a report costs the worker a few stores, and the
// window ten updates a second, always ending on the final figures. Each update paints the
// figures that changed, and the window adds the run's messages to its view at most twice a
// second: the window's thread spends about 1.5 % of a core during a run.
// The start of a table, its end, word lists and a failure still wait for the window (they are
// rare, and their handlers may raise into the run); the queue is handed over before them, so the
// window sees the notices in the order the run sent them.
//
// Created on the window's thread and not started; Resume starts it. It frees itself once the
// termination notification has run.
class TFillThread : public QThread {
    Q_OBJECT
public:
    explicit TFillThread(TFillProjects& fillProjects);
    ~TFillThread() override;

    static constexpr int DeliveryIntervalMs = 100;

    void Resume();
    // Hands the queued notices to the window's handlers now (window's thread).
    void DeliverPending();
    // The window's handlers, set before Resume.
    TExceptionEvent OnException;
    TThreadNotify OnTerminate;
    // After each handing over of queued notices (window's thread), e.g. to show the batch.
    std::function<void()> OnDelivered;

    void ReroutOnInitTableFill(TFillProject* Sender, const std::string& currTable_,
                               const std::string& currTask_, int tableIndex_, int rowsToInsert_);
    void ReroutOnFillProgress(TFillProject* Sender, int currRow_, int rowErrors_, int rowsPerSec_,
                              kvl::TDateTime timeElapsed_, kvl::TDateTime timeNeeded_);
    void ReroutOnFillFinished(TFillProject* Sender);
    void ReroutOnTaskUpdate(TFillProject* Sender, const std::string& task);
    void ReroutExternalDataInit(TExternalDataKind DataKind_, kvl::TStringList& TargetList_);

protected:
    void run() override { Execute(); }
    void Execute();

private:
    void ExecuteDoInitTableFill();
    void ExecuteDoFillFinished();
    void ExecuteExternalDataInit();
    void DoLogException(const std::string& ExceptionMessage);
    void ExecuteLogException();
    // Runs method on the thread this object belongs to (the window's) and waits for it; what
    // the method raises is raised again here.
    void Synchronize(void (TFillThread::*method)());
    void restoreHandlers();

    // A notice that does not wait: a progress report or, with task set, a task notice.
    struct TQueuedNotice {
        TFillProject* Sender = nullptr;
        bool IsTask = false;
        std::string task;
        int currRow = 0;
        int rowErrors = 0;
        int rowsPerSec = 0;
        kvl::TDateTime timeElapsed = 0;
        kvl::TDateTime timeNeeded = 0;
    };
    void enqueue(TQueuedNotice&& notice);
    // Queues the figures held back, if any (worker).
    void releaseProgress();
    void deliver(const TQueuedNotice& notice);
    // Raises in the worker what a queued notice's handler raised on the window's thread.
    void raiseDeliveryError();

    std::mutex FQueueLock;
    std::vector<TQueuedNotice> FQueue;     // guarded by FQueueLock
    std::exception_ptr FDeliveryError;     // guarded by FQueueLock
    std::deque<TQueuedNotice> FInDelivery; // window's thread only
    TQueuedNotice FHeldProgress;           // worker only
    bool FHoldingProgress = false;         // worker only
    // Set by the window's thread when it has taken the queue: the next figures go right in.
    std::atomic<bool> FProgressWanted{true};
    int FDeliveryDepth = 0; // window's thread only
    QTimer FDeliveryTimer;

    TFillProjects& FFillProjects;
    TFillProject* FSender = nullptr;
    std::string currTable;
    std::string currTask;
    int tableIndex = 0;
    int rowsToInsert = 0;
    TExternalDataKind DataKind = xdCities;
    kvl::TStringList* TargetList = nullptr;
    std::string exceptionMessage;
    TInitTableFill FOnInitTableFill;
    TFillNotify FOnFillProgress;
    TFillFinished FOnFillFinished;
    TTaskNotify FOnTaskUpdate;
    TExternalDataInit FOnExternalDataInit;
    Priority FPriority = LowPriority;
};
