// A run as the window starts, follows and cancels it, and the thread that carries it.
#include "WindowFixture.h"
#include "support/RecordingEngine.h"

#include "TFillThread.h"
#include "base/Exceptions.h"

#include <chrono>
#include <thread>

namespace {

const char* const kAborted = "Test Data Generation aborted by user";

// Counts the paintings of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* target) { target->installEventFilter(this); }
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

// Whether the progress bar is drawn navy at the share of its width.
bool navyAt(QLabel* bar, double share) {
    QImage image = bar->grab().toImage();
    QRect inside = bar->contentsRect();
    int x = std::min(inside.left() + static_cast<int>(share * inside.width()), inside.right() - 2);
    return image.pixelColor(x, inside.bottom() - 1) == QColor(0, 0, 128);
}

// Runs in one window: refused starts change nothing; a cancelled run stops mid-table; a threaded run
// keeps the window live and shows its progress at a human rate; a run that follows starts with empty
// messages and tabs, and one on tables gone behind the window's back fails as a whole.
TEST_F(RunControl, ThreadedRunsStartOnlyWhenAskedStopWhenCancelledAndKeepTheWindowLive) {
    open();
    window->show();
    // a run that is not started changes nothing: no marked table, or the question answered No or Cancel
    const std::pair<QMessageBox::StandardButton, const char*> refusals[] = {
        {QMessageBox::Ok, "There are no tables to fill - make sure that you select at least 1 table."},
        {QMessageBox::No, "Start the filling process?"},
        {QMessageBox::Cancel, "Start the filling process?"}};
    for (const auto& [answer, text] : refusals) {
        if (answer != QMessageBox::Ok) mark("customers", 10);
        BoxAnswers boxes;
        boxes.Next(answer);
        window->btnRunClick(control<QToolButton>("btnRun"));
        EXPECT_EQ(boxes.Texts, std::vector<QString>{text});
        EXPECT_FALSE(window->Filling());
        EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
        EXPECT_EQ(control<QTabWidget>("pcTDG")->currentWidget()->objectName(), QString("tsTDG"));
        EXPECT_EQ(rowCount("customers"), 0);
    }

    // cancelling asks first: No lets the run go on, Yes stops it mid-table; closing is refused meanwhile
    BoxAnswers boxes;
    std::vector<std::string> all;
    mark("customers", 1000000, 1000);
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();
    ASSERT_TRUE(WaitUntil([this] { return panel(2).endsWith("/s"); }));
    EXPECT_FALSE(window->close());
    EXPECT_EQ(boxes.Texts.back(), QString("Cannot close - test data generation in progress."));

    boxes.Next(QMessageBox::No);
    window->btnCancelClick();
    EXPECT_TRUE(window->Filling());
    EXPECT_FALSE(hasMessage(kAborted));
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnCancel")->click();
    EXPECT_EQ(boxes.Texts.back().toStdString(),
              "This will cancel the data generation process. Any de-activated indices or\n\r"
              "triggers will not be re-activated. Are you sure you want to cancel?");
    ASSERT_EQ(messages().back(), kAborted);
    size_t abortedAt = messages().size() - 1;
    ASSERT_TRUE(waitForRunEnd());

    all = messages();
    EXPECT_EQ(all.front(), "[customers] Preparing...");
    EXPECT_TRUE(hasMessage("Initializing city names..."));
    EXPECT_TRUE(hasMessage("Finished initializing city names..."));
    ASSERT_GT(all.size(), abortedAt + 2);
    EXPECT_EQ(all[abortedAt + 1].rfind("[customers] ", 0), 0u) << all[abortedAt + 1];
    EXPECT_EQ(all.back(), "Filling finished");
    int rows = rowCount("customers");
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 1000000);

    mark("customers", 10000, 1000).EmptyFirst = true;
    // the tree is painted while the run prepares the columns it shows
    tree().expand(tableNode("customers"));
    PaintCounter progress(control<QLabel>("sbFillerPanel1"));
    boxes.Next(QMessageBox::Yes);
    int ticks = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(1);
    control<QToolButton>("btnRun")->click();

    // the command returned at once; what could change the projects is off while the run goes on
    EXPECT_TRUE(window->Filling());
    for (const char* name : {"aMoveTableUp", "aMoveTableDown", "aShuffleOnlyToFill", "aShuffleAll",
                             "aShuffleAllWithOptions", "aFillPlan", "aGuessSettings", "aGuessAllSettings"})
        EXPECT_FALSE(control<QAction>(name)->isEnabled()) << name;
    for (const char* name : {"btnLoad", "btnSave", "btnRun", "pnlLeft", "pnlRight"})
        EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(control<QToolButton>("btnCancel")->isEnabled());
    EXPECT_EQ(control<QTabWidget>("pcTDG")->currentWidget()->objectName(), QString("tsMessages"));
    ASSERT_TRUE(waitForRunEnd(120000));
    EXPECT_GT(ticks, 5);

    EXPECT_EQ(rowCount("customers"), 10000);
    // the run reports every row; the window shows them at a human rate
    EXPECT_GT(progress.Paints, 0);
    EXPECT_LE(progress.Paints, 300);
    EXPECT_TRUE(navyAt(control<QLabel>("sbFillerPanel1"), 1.0)) << "the last figures reached the bar";
    all = messages();
    EXPECT_EQ(all.back(), "Filling finished");
    EXPECT_EQ(panel(4), QString("Errors: 0"));
    EXPECT_TRUE(control<QAction>("aShuffleAll")->isEnabled());
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnCancel")->isEnabled());
    auto* tabs = control<QTabBar>("tsMessageTabs");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QString("customers"));
    EXPECT_EQ(control<QPlainTextEdit>("memMessages")->document()->blockCount(), static_cast<int>(all.size()));

    tabs->setCurrentIndex(1);
    mark("customers", 20, 10);
    mark("orders", 20, 10);
    boxes.Next(QMessageBox::Yes);
    window->btnRunClick(control<QToolButton>("btnRun"));
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->currentIndex(), 0);
    all = messages();
    EXPECT_EQ(std::count(all.begin(), all.end(), "Filling finished"), 1);

    exec("drop table orders");
    exec("drop table customers");
    boxes.Next(QMessageBox::Yes);
    window->btnRunClick(control<QToolButton>("btnRun"));
    ASSERT_TRUE(waitForRunEnd());
    all = messages();
    EXPECT_TRUE(
        std::any_of(all.begin(), all.end(), [](auto& m) { return m.rfind("Critical Error: ", 0) == 0; }));
    EXPECT_EQ(all.back(), "Filling finished") << "and the window comes back as after the first run";
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(WaitUntil([this] { return window.isNull(); }));
}

// A run on the window's thread, chosen from the menu or forced by a single-connection server,
// returns only when it is over and ends with a box instead of a line; its error is left to the
// caller, with no box of success.
class WindowsThreadRun : public RunControl, public ::testing::WithParamInterface<bool> {};

TEST_P(WindowsThreadRun, EndsWithABoxInsteadOfALineOrLeavesItsErrorToTheCaller) {
    const bool fromTheMenu = GetParam();
    fromTheMenu ? open() : open(1, "0");
    auto restored = [this] {
        EXPECT_FALSE(window->Filling());
        EXPECT_TRUE(window->isEnabled());
        EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
        EXPECT_FALSE(hasMessage("Filling finished"));
    };
    BoxAnswers boxes;
    // the table goes away behind the window's back, so its run fails as a whole
    mark("orders", 100);
    exec("drop table orders");
    boxes.Next(QMessageBox::Yes);
    QObject* sender = fromTheMenu ? static_cast<QObject*>(control<QAction>("miFillNonThreaded"))
                                  : control<QToolButton>("btnRun");
    EXPECT_THROW(window->btnRunClick(sender), std::exception);
    EXPECT_EQ(boxes.Texts.size(), 1u);
    restored();

    project("orders").SetdoFill(false);
    mark("customers", 500, 100);
    boxes.Next(QMessageBox::Yes);
    if (fromTheMenu)
        control<QAction>("miFillNonThreaded")->trigger();
    else
        window->btnRunClick(control<QToolButton>("btnRun"));
    ASSERT_EQ(boxes.Texts.size(), 3u);
    EXPECT_EQ(boxes.Texts[2], QString("Finished generating test data!"));
    EXPECT_EQ(messages().back(), "[customers] All done!");
    EXPECT_EQ(rowCount("customers"), 500);
    restored();
}

INSTANTIATE_TEST_SUITE_P(MenuOrServer, WindowsThreadRun, ::testing::Bool());

TEST_F(RunControl, MessagesAndProgressShowWhatTheRunReportsInTheirOwnPlaces) {
    open();
    auto* view = control<QPlainTextEdit>("memMessages");
    window->AddMessage("  \t first\r\nsecond\nthird \r\n");
    window->AddMessage(" \r\n\t ");
    EXPECT_EQ(messages(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(view->toPlainText(), QString("first\nsecond\nthird"));

    TFillProject& customers = project("customers");
    customers.Statistics.Log.Add("row 7 failed");
    window->FillProjects().OnFillFinished(&customers);
    auto* tabs = control<QTabBar>("tsMessageTabs");
    ASSERT_EQ(tabs->count(), 2);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(view->toPlainText(), QString("row 7 failed"));
    window->AddMessage("while away");
    EXPECT_EQ(view->toPlainText(), QString("row 7 failed"));
    tabs->setCurrentIndex(0);
    EXPECT_EQ(view->toPlainText(), QString("first\nsecond\nthird\nwhile away"));

    // the progress shows rate, time left, errors and a navy bar up to the current row
    window->show();
    auto* bar = control<QLabel>("sbFillerPanel1");
    EXPECT_FALSE(navyAt(bar, 0.1)) << "nothing is drawn before a table starts";
    TFillProjects& projects = window->FillProjects();
    projects.OnInitTableFill(&customers, "customers", "", 0, 300);
    projects.OnFillProgress(&customers, 0, 0, 0, 0, 0);
    EXPECT_EQ(panel(2), QString());
    EXPECT_EQ(panel(3), QString("Starting..."));
    EXPECT_EQ(panel(4), QString());
    // two days, 1 h 2 min 3 s: the days are not shown
    kvl::TDateTime left = 2 + (3600 + 120 + 3) / 86400.0;
    projects.OnFillProgress(&customers, 150, 4, 37, 0, left);
    EXPECT_EQ(panel(0), QString("Table: customers"));
    EXPECT_EQ(panel(2), QString("37/s"));
    EXPECT_EQ(panel(3), QString("Est. time left: 01:02:03"));
    EXPECT_EQ(panel(4), QString("Errors: 4"));
    EXPECT_TRUE(navyAt(bar, 0.4));
    EXPECT_FALSE(navyAt(bar, 0.6));
    projects.OnTaskUpdate(&customers, "Committing...");
    EXPECT_EQ(panel(5), QString("Committing..."));
    EXPECT_EQ(messages().back(), "[customers] Committing...");

    // the panels keep their size, so that a new figure repaints its own panel only; a longer
    // figure still widens its panel instead of being cut
    auto* rate = control<QLabel>("sbFillerPanel2");
    auto rateShown = [&](int rowsPerSec) {
        projects.OnFillProgress(&customers, 1, 0, rowsPerSec, 0, 0);
        QApplication::processEvents();
        return rate->width();
    };
    int usual = rateShown(37);
    int wide = rateShown(1234567890);
    EXPECT_GT(wide, usual);
    EXPECT_GE(wide, rate->sizeHint().width()) << "the figure is shown whole";
    EXPECT_EQ(rateShown(38), wide);
}

// The window's side of a threaded run, as the window's handlers and its thread callbacks would
// see it: every event is logged with the thread it ran on.
class FillThreadRun : public ::testing::Test {
protected:
    void SetUp() override {
        engine.AddTable("T", {{"A", "Integer", false}});
        engine.AddTable("U", {{"X", "Integer", true}, {"Name", "Varchar", true, 20}});
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        for (TFillProject* p : projects.Projects) {
            p->doFill = true;
            p->Rows = 250;
            p->RowsPerTransaction = 100;
            for (auto& f : p->GetFillFields())
                f->FillType = fillIncreasing;
        }
        projects.OnInitTableFill = [this](TFillProject*, const std::string& table, const std::string& task,
                                          int i, int rows) {
            note("Init " + table + " " + task + " " + std::to_string(i) + " " + std::to_string(rows));
            if (failOnInit) throw kvl::Exception("handler failed");
        };
        projects.OnTaskUpdate = [this](TFillProject* s, const std::string& task) {
            note("Task " + s->TableName + " " + task);
        };
        projects.OnFillFinished = [this](TFillProject* s) { note("Finished " + s->TableName); };
    }

    void note(const std::string& text) {
        log.push_back(text);
        if (QThread::currentThread() != qApp->thread()) offThread.push_back(text);
    }

    // Starts the thread as the window does and waits for its termination notification.
    void runThreaded() {
        auto* thread = new TFillThread(projects);
        worker = thread;
        thread->OnException = [this](const std::string& m) { note("Critical Error: " + m); };
        thread->OnTerminate = [this](QObject* sender) {
            EXPECT_EQ(sender, worker.data());
            note("Filling finished");
            terminated = true;
        };
        thread->Resume();
        ASSERT_TRUE(WaitUntil([this] { return terminated; }));
        EXPECT_TRUE(WaitUntil([this] { return worker.isNull(); })) << "the thread frees itself";
        EXPECT_TRUE(offThread.empty()) << offThread.front();
    }

    RecordingEngine engine;
    TFillProjects projects;
    std::vector<std::string> log;
    std::vector<std::string> offThread;
    QPointer<TFillThread> worker;
    bool terminated = false;
    bool failOnInit = false;
};

// A slow window: a worker waiting for it would be shown every one of its 502 reports. The word
// lists are filled by the window on its thread too.
TEST_F(FillThreadRun, EveryEventRunsOnTheWindowsThreadInTheRunsOrderWithTheLatestFigures) {
    projects.OnFillProgress = [this](TFillProject* s, int row, int errors, int, kvl::TDateTime,
                                     kvl::TDateTime) {
        note("Progress " + s->TableName + " " + std::to_string(row) + " " + std::to_string(errors));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    projects.getFillProject(1)->GetFillFields()[1]->FillType = fillCities;
    std::vector<TExternalDataKind> asked;
    projects.OnExternalDataInit = [&](TExternalDataKind kind, kvl::TStringList& target) {
        asked.push_back(kind);
        note("External");
        target.Add("Oslo");
    };
    runThreaded();
    EXPECT_EQ(engine.Statement.Executions, 500);
    EXPECT_EQ(asked, std::vector<TExternalDataKind>{xdCities});
    EXPECT_EQ(engine.Statement.Rows.back().back().AsString(), "Oslo");
    auto at = [this](const std::string& entry) {
        return std::find(log.begin(), log.end(), entry) - log.begin();
    };
    // the waiting notices of init and finish keep their places among the queued ones of the tasks
    EXPECT_LT(at("Task T Insertion started [250 rows]"), at("Finished T"));
    EXPECT_LT(at("Finished T"), at("Init U Preparing 2 250"));
    EXPECT_LT(at("Init U Preparing 2 250"), at("Task U Preparing insertion"));
    EXPECT_LT(std::count_if(log.begin(), log.end(), [](auto& e) { return e.rfind("Progress ", 0) == 0; }),
              250)
        << "one showing per report would be 502";
    // what the window last shows of each table before its end: the final figures
    for (std::string table : {"T", "U"}) {
        auto before = log.rbegin() + static_cast<long>(log.size()) - at("Finished " + table);
        EXPECT_EQ(*std::find_if(before, log.rend(), [](auto& e) { return e.rfind("Progress ", 0) == 0; }),
                  "Progress " + table + " 250 0");
    }
    EXPECT_EQ(log.back(), "Filling finished");
}

// A stop from the window ends the run after the current table; a handler that raises ends it with
// a critical error, then finished.
TEST_F(FillThreadRun, AStopOrARaisingHandlerEndsTheRunEarly) {
    projects.OnFillFinished = [this](TFillProject* s) {
        note("Finished " + s->TableName);
        projects.stopInsert();
    };
    runThreaded();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Init U Preparing 2 250"), 0);
    EXPECT_EQ(engine.Statement.Executions, 250);
    EXPECT_EQ(log.back(), "Filling finished");

    log.clear();
    terminated = false;
    failOnInit = true;
    runThreaded();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "Init T Preparing 1 250");
    EXPECT_EQ(log[log.size() - 2], "Critical Error: Error during project: T\n\rhandler failed");
    EXPECT_EQ(log.back(), "Filling finished");
    EXPECT_EQ(std::count(log.begin(), log.end(), "Init U Preparing 2 250"), 0) << "no further table starts";
    EXPECT_EQ(engine.Statement.Executions, 250);

    // the handlers are the window's again after a failed run too
    log.clear();
    failOnInit = false;
    projects.doInitTableFill(projects.getFillProject(1), "U", "again", 2, 1);
    EXPECT_EQ(log, std::vector<std::string>{"Init U again 2 1"});
}

} // namespace
