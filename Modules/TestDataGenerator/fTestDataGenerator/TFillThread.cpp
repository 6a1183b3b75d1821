#include "TFillThread.h"

#include "UTFillProjects/TFillProjects.h"

#include <utility>

TFillThread::TFillThread(TFillProjects& fillProjects) : FFillProjects(fillProjects) {
    using namespace std::placeholders;
    // one step below the window's thread, so that the window stays responsive
    FPriority = LowPriority;
    FOnInitTableFill = FFillProjects.OnInitTableFill;
    FFillProjects.OnInitTableFill = std::bind(&TFillThread::ReroutOnInitTableFill, this, _1, _2, _3, _4, _5);
    FOnFillProgress = FFillProjects.OnFillProgress;
    FFillProjects.OnFillProgress =
        std::bind(&TFillThread::ReroutOnFillProgress, this, _1, _2, _3, _4, _5, _6);
    FOnFillFinished = FFillProjects.OnFillFinished;
    FFillProjects.OnFillFinished = std::bind(&TFillThread::ReroutOnFillFinished, this, _1);
    FOnTaskUpdate = FFillProjects.OnTaskUpdate;
    FFillProjects.OnTaskUpdate = std::bind(&TFillThread::ReroutOnTaskUpdate, this, _1, _2);
    FOnExternalDataInit = FFillProjects.OnExternalDataInit;
    FFillProjects.OnExternalDataInit = std::bind(&TFillThread::ReroutExternalDataInit, this, _1, _2);

    // finished is emitted on the worker; this object lives on the window's thread, so the
    // notification is queued there
    connect(this, &QThread::finished, this, [this] {
        FDeliveryTimer.stop();
        DeliverPending();
        if (OnTerminate) OnTerminate(this);
        deleteLater();
    });
    FDeliveryTimer.setInterval(DeliveryIntervalMs);
    connect(&FDeliveryTimer, &QTimer::timeout, this, &TFillThread::DeliverPending);
}

TFillThread::~TFillThread() {
    wait();
}

void TFillThread::Resume() {
    FDeliveryTimer.start();
    start(FPriority);
}

void TFillThread::enqueue(TQueuedNotice&& notice) {
    std::lock_guard lock(FQueueLock);
    if (FDeliveryError) std::rethrow_exception(std::exchange(FDeliveryError, nullptr));
    // only the latest figures are worth showing
    if (!notice.IsTask && !FQueue.empty() && !FQueue.back().IsTask)
        FQueue.back() = std::move(notice);
    else
        FQueue.push_back(std::move(notice));
}

void TFillThread::releaseProgress() {
    if (!FHoldingProgress) return;
    FHoldingProgress = false;
    FProgressWanted.store(false, std::memory_order_relaxed);
    enqueue(std::move(FHeldProgress));
}

void TFillThread::raiseDeliveryError() {
    std::lock_guard lock(FQueueLock);
    if (FDeliveryError) std::rethrow_exception(std::exchange(FDeliveryError, nullptr));
}

void TFillThread::DeliverPending() {
    {
        std::lock_guard lock(FQueueLock);
        for (auto& notice : FQueue)
            FInDelivery.push_back(std::move(notice));
        FQueue.clear();
    }
    FProgressWanted.store(true, std::memory_order_relaxed);
    // A handler that lets the window process events may come back here; it goes on with the
    // same queue, so the order holds.
    ++FDeliveryDepth;
    while (!FInDelivery.empty()) {
        TQueuedNotice notice = std::move(FInDelivery.front());
        FInDelivery.pop_front();
        try {
            deliver(notice);
        } catch (...) {
            std::lock_guard lock(FQueueLock);
            if (!FDeliveryError) FDeliveryError = std::current_exception();
        }
    }
    --FDeliveryDepth;
    if (FDeliveryDepth == 0 && OnDelivered) OnDelivered();
}

void TFillThread::deliver(const TQueuedNotice& notice) {
    if (notice.IsTask) {
        if (FOnTaskUpdate) FOnTaskUpdate(notice.Sender, notice.task);
        return;
    }
    if (FOnFillProgress)
        FOnFillProgress(notice.Sender, notice.currRow, notice.rowErrors, notice.rowsPerSec,
                        notice.timeElapsed, notice.timeNeeded);
}

void TFillThread::Execute() {
    try {
        FFillProjects.startInsert();
        releaseProgress();
    } catch (const std::exception& e) {
        try {
            DoLogException(e.what());
        } catch (...) {
            // the window failed to show the message; the run is over either way
        }
    }
    restoreHandlers();
}

void TFillThread::restoreHandlers() {
    FFillProjects.OnInitTableFill = FOnInitTableFill;
    FFillProjects.OnFillProgress = FOnFillProgress;
    FFillProjects.OnFillFinished = FOnFillFinished;
    FFillProjects.OnTaskUpdate = FOnTaskUpdate;
    FFillProjects.OnExternalDataInit = FOnExternalDataInit;
}

void TFillThread::Synchronize(void (TFillThread::*method)()) {
    releaseProgress();
    std::exception_ptr raised;
    QMetaObject::invokeMethod(
        this,
        [this, method, &raised] {
            try {
                DeliverPending();
                (this->*method)();
            } catch (...) {
                raised = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (raised) std::rethrow_exception(raised);
    raiseDeliveryError();
}

void TFillThread::ReroutOnInitTableFill(TFillProject* Sender, const std::string& currTable_,
                                        const std::string& currTask_, int tableIndex_, int rowsToInsert_) {
    FSender = Sender;
    currTable = currTable_;
    currTask = currTask_;
    tableIndex = tableIndex_;
    rowsToInsert = rowsToInsert_;
    Synchronize(&TFillThread::ExecuteDoInitTableFill);
}

void TFillThread::ReroutOnFillProgress(TFillProject* Sender, int currRow_, int rowErrors_, int rowsPerSec_,
                                       kvl::TDateTime timeElapsed_, kvl::TDateTime timeNeeded_) {
    TQueuedNotice& notice = FHeldProgress;
    notice.Sender = Sender;
    notice.IsTask = false;
    notice.currRow = currRow_;
    notice.rowErrors = rowErrors_;
    notice.rowsPerSec = rowsPerSec_;
    notice.timeElapsed = timeElapsed_;
    notice.timeNeeded = timeNeeded_;
    FHoldingProgress = true;
    if (FProgressWanted.load(std::memory_order_relaxed)) releaseProgress();
}

void TFillThread::ReroutOnFillFinished(TFillProject* Sender) {
    FSender = Sender;
    Synchronize(&TFillThread::ExecuteDoFillFinished);
}

void TFillThread::ReroutOnTaskUpdate(TFillProject* Sender, const std::string& task) {
    releaseProgress();
    TQueuedNotice notice;
    notice.Sender = Sender;
    notice.IsTask = true;
    notice.task = task;
    enqueue(std::move(notice));
}

void TFillThread::ReroutExternalDataInit(TExternalDataKind DataKind_, kvl::TStringList& TargetList_) {
    DataKind = DataKind_;
    TargetList = &TargetList_;
    Synchronize(&TFillThread::ExecuteExternalDataInit);
}

void TFillThread::ExecuteDoInitTableFill() {
    if (FOnInitTableFill) FOnInitTableFill(FSender, currTable, currTask, tableIndex, rowsToInsert);
}

void TFillThread::ExecuteDoFillFinished() {
    if (FOnFillFinished) FOnFillFinished(FSender);
}

void TFillThread::ExecuteExternalDataInit() {
    if (FOnExternalDataInit) FOnExternalDataInit(DataKind, *TargetList);
}

void TFillThread::DoLogException(const std::string& ExceptionMessage) {
    // the figures before the failure come first, also when the message has nowhere to go
    releaseProgress();
    // without a handler the message is dropped, and nothing needs the window's thread
    if (!OnException) return;
    exceptionMessage = ExceptionMessage;
    Synchronize(&TFillThread::ExecuteLogException);
}

void TFillThread::ExecuteLogException() {
    if (OnException) OnException(exceptionMessage);
}
