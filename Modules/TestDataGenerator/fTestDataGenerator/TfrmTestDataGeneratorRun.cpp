// The window's side of a run: starting it on the worker or on the window's thread, cancelling
// it, and the handlers of the collection's five events. A threaded run calls the handlers on
// the window's thread through the fill thread, a run on the window's thread directly.
#include "ExternalData/ExternalDataReader.h"
#include "TFillThread.h"
#include "TFillerTreeModel.h"
#include "TOwnerDrawPanel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/DateTime.h"
#include "base/Format.h"
#include "kvl3_lib/UHostSettings.h"
#include "kvl3_lib/fWaitAMoment.h"
#include "uTFillStructureEngineVEX.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <functional>

namespace {

bool confirmed(QWidget* parent, const char* question) {
    auto answer = QMessageBox::question(parent, parent->windowTitle(), QString::fromLatin1(question),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return answer == QMessageBox::Yes;
}

// Restores the window after a run on its own thread, also when the run raised.
class TWindowThreadRunEnd {
public:
    explicit TWindowThreadRunEnd(std::function<void()> end) : end_(std::move(end)) {}
    ~TWindowThreadRunEnd() { end_(); }
    TWindowThreadRunEnd(const TWindowThreadRunEnd&) = delete;
    TWindowThreadRunEnd& operator=(const TWindowThreadRunEnd&) = delete;

private:
    std::function<void()> end_;
};

} // namespace

void TfrmTestDataGenerator::connectRunControl() {
    // an exception must not cross the toolkit's event dispatch; the toolkit's error report is
    // a message box
    auto guarded = [this](auto command) {
        return [this, command] {
            try {
                command();
            } catch (const std::exception& e) {
                QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
            }
        };
    };
    connect(btnRun, &QToolButton::clicked, this, guarded([this] { btnRunClick(btnRun); }));
    connect(miFillThreaded, &QAction::triggered, this, guarded([this] { btnRunClick(miFillThreaded); }));
    connect(miFillNonThreaded, &QAction::triggered, this,
            guarded([this] { btnRunClick(miFillNonThreaded); }));
    connect(btnCancel, &QToolButton::clicked, this, guarded([this] { btnCancelClick(); }));
    connect(btnLoad, &QToolButton::clicked, this, guarded([this] { btnLoadClick(); }));
    connect(btnSave, &QToolButton::clicked, this, guarded([this] { btnSaveClick(); }));
    connect(aMoveTableUp, &QAction::triggered, this, guarded([this] { aMoveTableUpExecute(); }));
    connect(aMoveTableDown, &QAction::triggered, this, guarded([this] { aMoveTableDownExecute(); }));
    connect(aShuffleOnlyToFill, &QAction::triggered, this, guarded([this] { aShuffleOnlyToFillExecute(); }));
    connect(aShuffleAll, &QAction::triggered, this, guarded([this] { aShuffleAllExecute(); }));
    connect(aShuffleAllWithOptions, &QAction::triggered, this,
            guarded([this] { aShuffleAllWithOptionsExecute(); }));
    connect(aGuessSettings, &QAction::triggered, this, guarded([this] { aGuessSettingsExecute(); }));
    connect(aGuessAllSettings, &QAction::triggered, this, guarded([this] { aGuessAllSettingsExecute(); }));
    connect(aFillPlan, &QAction::triggered, this, guarded([this] { aFillPlanExecute(); }));
    connect(tsMessageTabs, &QTabBar::currentChanged, this, &TfrmTestDataGenerator::tsMessageTabsChange);
    new TOwnerDrawPanel(sbFillerPanels[1],
                        [this](QPainter& canvas, const QRect& rect) { sbFillerDrawPanel(canvas, rect); });
}

void TfrmTestDataGenerator::btnRunClick(QObject* Sender) {
    if (FFillProjects->GetProjectToFillCount() == 0) {
        QMessageBox::information(
            this, windowTitle(),
            QStringLiteral("There are no tables to fill - make sure that you select at least 1 table."));
        return;
    }
    if (!confirmed(this, "Start the filling process?")) return;
    EnableControls(false);
    pcTDG->setCurrentWidget(tsMessages);
    clearMessages();
    FFilling = true;
    if (Sender == miFillNonThreaded || GetConnection()->ModeText() == "0")
        runOnWindowThread();
    else
        runThreaded();
}

void TfrmTestDataGenerator::runOnWindowThread() {
    setEnabled(false);
    FStructureEngine->UseConnection(GetConnection());
    TWindowThreadRunEnd end([this] {
        setEnabled(true);
        FFilling = false;
        kvl::TfrmWaitAMoment::HideForm();
        EnableControls(true);
    });
    kvl::TfrmWaitAMoment::ShowForm();
    FFillProjects->startInsert();
    kvl::TfrmWaitAMoment::HideForm();
    QMessageBox::information(this, windowTitle(), QStringLiteral("Finished generating test data!"));
}

void TfrmTestDataGenerator::runThreaded() {
    auto* thread = new TFillThread(*FFillProjects);
    thread->OnException = [this](const std::string& message) { ThreadError(message); };
    thread->OnTerminate = [this](QObject* sender) { ThreadTerminate(sender); };
    // the end of the run and a cancel show what is left at once
    thread->OnDelivered = [this] { flushMessagesNowAndThen(); };
    FRunThread = thread;
    FTreeModel->Freeze();
    thread->Resume();
}

void TfrmTestDataGenerator::btnCancelClick() {
    if (!confirmed(this, "This will cancel the data generation process. Any de-activated indices or\n\r"
                         "triggers will not be re-activated. Are you sure you want to cancel?"))
        return;
    FFillProjects->stopInsert();
    // what the run reported before the cancel comes first
    if (FRunThread) FRunThread->DeliverPending();
    AddMessage("Test Data Generation aborted by user");
    flushMessages();
}

void TfrmTestDataGenerator::ThreadTerminate(QObject*) {
    FRunThread = nullptr;
    FTreeModel->Thaw();
    FFilling = false;
    AddMessage("Filling finished");
    EnableControls(true);
}

void TfrmTestDataGenerator::ThreadError(const std::string& ExceptionMessage) {
    AddMessage("Critical Error: " + ExceptionMessage);
}

void TfrmTestDataGenerator::EnableControls(bool Enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{btnRun, btnLoad, btnSave, pnlRight, pnlLeft})
        control->setEnabled(Enable);
    for (QAction* action : {aMoveTableUp, aMoveTableDown, aShuffleOnlyToFill, aShuffleAll,
                            aShuffleAllWithOptions, aFillPlan, aGuessSettings, aGuessAllSettings})
        action->setEnabled(Enable);
    btnCancel->setEnabled(!Enable);
}

void TfrmTestDataGenerator::FormClose(kvl::TCloseAction& Action) {
    if (!FFilling) {
        Action = kvl::TCloseAction::caFree;
        return;
    }
    QMessageBox::information(this, windowTitle(),
                             QStringLiteral("Cannot close - test data generation in progress."));
    Action = kvl::TCloseAction::caNone;
}

void TfrmTestDataGenerator::setPanelText(int Panel, const std::string& Text) {
    QLabel* panel = sbFillerPanels[Panel];
    panel->setText(QString::fromStdString(Text));
    // A panel whose size may change has the status bar lay out and repaint every panel at each
    // new text, a fifth of the window's work during a run. So a panel keeps the size of its
    // texts, growing with a longer one; the last panel takes the rest of the bar.
    if (Panel == 5 || Text.empty()) return;
    QSize hint = panel->sizeHint();
    QSize size(std::max(panel->minimumWidth(), hint.width()),
               std::max(panel->minimumHeight(), hint.height()));
    if (panel->minimumSize() != size || panel->maximumSize() != size) panel->setFixedSize(size);
}

void TfrmTestDataGenerator::FillProjectsInitTableFill(TFillProject* Sender, const std::string& currTable,
                                                      const std::string&, int, int rowsToInsert) {
    setPanelText(0, "Table: " + currTable);
    FRowsToInsert = rowsToInsert;
    FCurrentRow = 0;
    AddMessage("[" + Sender->TableName + "] Preparing...");
}

void TfrmTestDataGenerator::FillProjectsFillProgress(TFillProject*, int currRow, int rowErrors,
                                                     int rowsPerSec, kvl::TDateTime,
                                                     kvl::TDateTime timeNeeded) {
    FCurrentRow = currRow;
    if (currRow == 0) {
        setPanelText(2, "");
        setPanelText(3, "Starting...");
        setPanelText(4, "");
    } else {
        setPanelText(2, kvl::Format("%d/s", {rowsPerSec}));
        setPanelText(3, kvl::FormatDateTime("\"Est. time left:\" hh:nn:ss", timeNeeded));
        setPanelText(4, kvl::Format("Errors: %d", {rowErrors}));
    }
    // A threaded run's figures are painted with the window's next painting, in one pass with
    // the messages; the labels ask for it as their texts change, the bar is asked here. A run
    // on the window's thread leaves it no time to paint, so the status bar is painted now.
    if (FRunThread)
        sbFillerPanels[1]->update();
    else
        sbFiller->repaint();
}

void TfrmTestDataGenerator::FillProjectsTaskUpdate(TFillProject* Sender, const std::string& task) {
    setPanelText(5, task);
    AddMessage("[" + Sender->TableName + "] " + task);
}

void TfrmTestDataGenerator::FillProjectsFillFinished(TFillProject* Sender) {
    kvl::TfrmWaitAMoment::ProgressTick();
    int tab = tsMessageTabs->addTab(QString::fromStdString(Sender->TableName));
    tsMessageTabs->setTabData(tab, QVariant::fromValue(static_cast<void*>(Sender)));
    tsMessageTabs->repaint();
}

void TfrmTestDataGenerator::FillProjectsExternalDataInit(TExternalDataKind DataKind,
                                                         kvl::TStringList& TargetList) {
    auto kind = static_cast<size_t>(DataKind);
    std::string name(TDG_EXTERNALDATA_DATANAMES[kind]);
    AddMessage(kvl::Format("Initializing %s...", {name}));
    tdg::LoadExternalData(kvl::KVL_HostSettings().TDG_DATA_DIR, std::string(TDG_EXTERNALDATA_FILENAMES[kind]),
                          std::string(TDG_EXTERNALDATA_ZIPPEDNAME[kind]),
                          std::string(TDG_EXTERNALDATA_PASSWORDS[kind]), TargetList);
    AddMessage(kvl::Format("Finished initializing %s...", {name}));
}
