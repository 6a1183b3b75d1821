#pragma once
#include "UTFillProjects/Events.h"

#include <QThread>
#include <exception>
#include <functional>
#include <string>

class TFillProjects;

using TExceptionEvent = std::function<void(const std::string& ExceptionMessage)>;
// Runs on the window's thread after the run has ended.
using TThreadNotify = std::function<void(QObject* Sender)>;

// Runs one whole fill run on a worker thread. For the length of the run it stands in for the
// window as the collection's event handler: each event's arguments are copied here and the
// window's own handler is called with them on the window's thread while the worker waits, so
// the handler may read the run's objects while the run stands still.
//
// Created on the window's thread and not started; Resume starts it. It frees itself once the
// termination notification has run.
class TFillThread : public QThread {
    Q_OBJECT
public:
    explicit TFillThread(TFillProjects& fillProjects);
    ~TFillThread() override;

    void Resume();
    // The window's handlers, set before Resume.
    TExceptionEvent OnException;
    TThreadNotify OnTerminate;

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
    void ExecuteDoFillProgress();
    void ExecuteDoFillFinished();
    void ExecuteDoTaskUpdate();
    void ExecuteExternalDataInit();
    void DoLogException(const std::string& ExceptionMessage);
    void ExecuteLogException();
    // Runs method on the thread this object belongs to (the window's) and waits for it; what
    // the method raises is raised again here.
    void Synchronize(void (TFillThread::*method)());
    void restoreHandlers();

    TFillProjects& FFillProjects;
    TFillProject* FSender = nullptr;
    std::string currTable;
    std::string currTask;
    int currRow = 0;
    int rowErrors = 0;
    int rowsPerSec = 0;
    int tableIndex = 0;
    int rowsToInsert = 0;
    kvl::TDateTime timeElapsed = 0;
    kvl::TDateTime timeNeeded = 0;
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
