#include "TFillThread.h"

#include "UTFillProjects/TFillProjects.h"

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
        if (OnTerminate) OnTerminate(this);
        deleteLater();
    });
}

TFillThread::~TFillThread() {
    wait();
}

void TFillThread::Resume() {
    start(FPriority);
}

void TFillThread::Execute() {
    try {
        FFillProjects.startInsert();
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
    std::exception_ptr raised;
    QMetaObject::invokeMethod(
        this,
        [this, method, &raised] {
            try {
                (this->*method)();
            } catch (...) {
                raised = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (raised) std::rethrow_exception(raised);
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
    FSender = Sender;
    currRow = currRow_;
    rowErrors = rowErrors_;
    rowsPerSec = rowsPerSec_;
    timeElapsed = timeElapsed_;
    timeNeeded = timeNeeded_;
    Synchronize(&TFillThread::ExecuteDoFillProgress);
}

void TFillThread::ReroutOnFillFinished(TFillProject* Sender) {
    FSender = Sender;
    Synchronize(&TFillThread::ExecuteDoFillFinished);
}

void TFillThread::ReroutOnTaskUpdate(TFillProject* Sender, const std::string& task) {
    FSender = Sender;
    currTask = task;
    Synchronize(&TFillThread::ExecuteDoTaskUpdate);
}

void TFillThread::ReroutExternalDataInit(TExternalDataKind DataKind_, kvl::TStringList& TargetList_) {
    DataKind = DataKind_;
    TargetList = &TargetList_;
    Synchronize(&TFillThread::ExecuteExternalDataInit);
}

void TFillThread::ExecuteDoInitTableFill() {
    if (FOnInitTableFill) FOnInitTableFill(FSender, currTable, currTask, tableIndex, rowsToInsert);
}

void TFillThread::ExecuteDoFillProgress() {
    if (FOnFillProgress) FOnFillProgress(FSender, currRow, rowErrors, rowsPerSec, timeElapsed, timeNeeded);
}

void TFillThread::ExecuteDoFillFinished() {
    if (FOnFillFinished) FOnFillFinished(FSender);
}

void TFillThread::ExecuteDoTaskUpdate() {
    if (FOnTaskUpdate) FOnTaskUpdate(FSender, currTask);
}

void TFillThread::ExecuteExternalDataInit() {
    if (FOnExternalDataInit) FOnExternalDataInit(DataKind, *TargetList);
}

void TFillThread::DoLogException(const std::string& ExceptionMessage) {
    // without a handler the message is dropped, and nothing needs the window's thread
    if (!OnException) return;
    exceptionMessage = ExceptionMessage;
    Synchronize(&TFillThread::ExecuteLogException);
}

void TFillThread::ExecuteLogException() {
    if (OnException) OnException(exceptionMessage);
}
