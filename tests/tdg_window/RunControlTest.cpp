#include "RunControlFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "base/Exceptions.h"

#include <atomic>

namespace {

const char* const kAborted = "Test Data Generation aborted by user";

// --- starting a run -----------------------------------------------------------------------

TEST_F(RunControl, WithoutMarkedTablesTellsSoAndChangesNothing) {
    open();
    BoxAnswers boxes;
    window->btnRunClick(control<QToolButton>("btnRun"));
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0],
              QString("There are no tables to fill - make sure that you select at least 1 table."));
    EXPECT_FALSE(window->Filling());
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_EQ(control<QTabWidget>("pcTDG")->currentWidget()->objectName(), QString("tsTDG"));
}

TEST_F(RunControl, AnsweringNoOrCancelStartsNothing) {
    open();
    mark("customers", 10);
    for (auto answer : {QMessageBox::No, QMessageBox::Cancel}) {
        BoxAnswers boxes;
        boxes.Next(answer);
        window->btnRunClick(control<QToolButton>("btnRun"));
        ASSERT_EQ(boxes.Texts.size(), 1u);
        EXPECT_EQ(boxes.Texts[0], QString("Start the filling process?"));
        EXPECT_FALSE(window->Filling());
        EXPECT_EQ(control<QTabWidget>("pcTDG")->currentWidget()->objectName(), QString("tsTDG"));
    }
    EXPECT_EQ(rowCount("customers"), 0);
}

TEST_F(RunControl, ThreadedRunFillsTheRowsWhileTheWindowStaysLive) {
    open();
    mark("customers", 3000, 250);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    int ticks = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(1);
    control<QToolButton>("btnRun")->click();

    // the command returned at once and the run goes on beside the event loop
    EXPECT_TRUE(window->Filling());
    EXPECT_FALSE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QWidget>("pnlLeft")->isEnabled());
    EXPECT_FALSE(control<QWidget>("pnlRight")->isEnabled());
    EXPECT_TRUE(control<QToolButton>("btnCancel")->isEnabled());
    EXPECT_EQ(control<QTabWidget>("pcTDG")->currentWidget()->objectName(), QString("tsMessages"));
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_GT(ticks, 5);

    EXPECT_EQ(rowCount("customers"), 3000);
    auto all = messages();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front(), "[customers] Preparing...");
    EXPECT_EQ(all.back(), "Filling finished");
    EXPECT_TRUE(hasMessage("Initializing city names..."));
    EXPECT_TRUE(hasMessage("Finished initializing city names..."));
    EXPECT_EQ(panel(0), QString("Table: customers"));
    EXPECT_EQ(panel(4), QString("Errors: 0"));
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnCancel")->isEnabled());
    auto* tabs = control<QTabBar>("tsMessageTabs");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QString("customers"));
    // the text view shows what the list holds
    EXPECT_EQ(control<QPlainTextEdit>("memMessages")->document()->blockCount(), static_cast<int>(all.size()));
}

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

TEST_F(RunControl, ARunOfTenThousandRowsPaintsTheProgressAFewHundredTimesAtMostAndEndsOnTheLastRow) {
    open();
    window->show();
    mark("customers", 10000, 1000);
    // the tree is painted while the run prepares the columns it shows
    tree().expand(tableNode("customers"));
    PaintCounter progress(control<QLabel>("sbFillerPanel1"));
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();
    ASSERT_TRUE(waitForRunEnd(120000));

    EXPECT_EQ(rowCount("customers"), 10000);
    // the run reports every row; the window shows them at a human rate
    EXPECT_GT(progress.Paints, 0);
    EXPECT_LE(progress.Paints, 300);
    EXPECT_EQ(panel(4), QString("Errors: 0"));
    QImage bar = control<QLabel>("sbFillerPanel1")->grab().toImage();
    QRect inside = control<QLabel>("sbFillerPanel1")->contentsRect();
    EXPECT_EQ(bar.pixelColor(inside.right() - 2, inside.bottom() - 1), QColor(0, 0, 128))
        << "the last figures reached the bar";
}

TEST_F(RunControl, CancellingMidTableStopsTheRunAndTheRunsNoticesFollow) {
    open();
    mark("customers", 1000000, 1000);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();
    ASSERT_TRUE(WaitUntil([this] { return panel(2).endsWith("/s"); }));

    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnCancel")->click();
    EXPECT_EQ(boxes.Texts.back().toStdString(),
              "This will cancel the data generation process. Any de-activated indices or\n\r"
              "triggers will not be re-activated. Are you sure you want to cancel?");
    ASSERT_EQ(messages().back(), kAborted);
    size_t abortedAt = messages().size() - 1;
    ASSERT_TRUE(waitForRunEnd());

    auto all = messages();
    ASSERT_GT(all.size(), abortedAt + 2);
    EXPECT_EQ(all[abortedAt + 1].rfind("[customers] ", 0), 0u) << all[abortedAt + 1];
    EXPECT_EQ(all.back(), "Filling finished");
    int rows = rowCount("customers");
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 1000000);
}

TEST_F(RunControl, CancelAnsweredNoLetsTheRunGoOn) {
    open();
    mark("customers", 4000, 500);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();
    boxes.Next(QMessageBox::No);
    window->btnCancelClick();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_FALSE(hasMessage(kAborted));
    EXPECT_EQ(rowCount("customers"), 4000);
}

TEST_F(RunControl, ClosingDuringARunIsRefused) {
    open();
    window->show();
    mark("customers", 1000000, 1000);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();

    EXPECT_FALSE(window->close());
    EXPECT_EQ(boxes.Texts.back(), QString("Cannot close - test data generation in progress."));
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());

    boxes.Next(QMessageBox::Yes);
    window->btnCancelClick();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(WaitUntil([this] { return window.isNull(); }));
}

TEST_F(RunControl, RunOnTheWindowsThreadEndsWithABoxInsteadOfALine) {
    open();
    mark("customers", 500, 100);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    boxes.Next(QMessageBox::Ok);
    control<QAction>("miFillNonThreaded")->trigger();
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_EQ(boxes.Texts[1], QString("Finished generating test data!"));
    EXPECT_FALSE(window->Filling());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(hasMessage("Filling finished"));
    EXPECT_EQ(messages().back(), "[customers] All done!");
    EXPECT_EQ(rowCount("customers"), 500);
}

TEST_F(RunControl, SingleConnectionCaseRunsOnTheWindowsThread) {
    open(1, "0");
    mark("customers", 50, 10);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    window->btnRunClick(control<QToolButton>("btnRun"));
    // the command returns only after the run
    EXPECT_FALSE(window->Filling());
    EXPECT_EQ(boxes.Texts.back(), QString("Finished generating test data!"));
    EXPECT_EQ(rowCount("customers"), 50);
}

TEST_F(RunControl, ASecondRunStartsWithEmptyMessagesAndTabs) {
    open();
    mark("customers", 20, 10);
    mark("orders", 20, 10);
    for (int run = 0; run < 2; ++run) {
        BoxAnswers boxes;
        boxes.Next(QMessageBox::Yes);
        window->btnRunClick(control<QToolButton>("btnRun"));
        ASSERT_TRUE(waitForRunEnd());
        auto* tabs = control<QTabBar>("tsMessageTabs");
        ASSERT_EQ(tabs->count(), 3);
        if (run == 0) tabs->setCurrentIndex(1);
    }
    auto all = messages();
    EXPECT_EQ(std::count(all.begin(), all.end(), "Filling finished"), 1);
    EXPECT_EQ(control<QTabBar>("tsMessageTabs")->currentIndex(), 0);
}

// --- the message view ---------------------------------------------------------------------

TEST_F(RunControl, MessagesAreTrimmedAndSplitIntoLines) {
    open();
    window->AddMessage("  \t first\r\nsecond\nthird \r\n");
    window->AddMessage(" \r\n\t ");
    EXPECT_EQ(messages(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(control<QPlainTextEdit>("memMessages")->toPlainText(), QString("first\nsecond\nthird"));
}

TEST_F(RunControl, ATableTabShowsTheTablesLogAndHidesNewMessages) {
    open();
    TFillProject& customers = project("customers");
    customers.Statistics.Log.Add("row 7 failed");
    window->AddMessage("before");
    window->FillProjects().OnFillFinished(&customers);
    auto* tabs = control<QTabBar>("tsMessageTabs");
    auto* view = control<QPlainTextEdit>("memMessages");
    ASSERT_EQ(tabs->count(), 2);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(view->toPlainText(), QString("row 7 failed"));
    window->AddMessage("while away");
    EXPECT_EQ(view->toPlainText(), QString("row 7 failed"));
    tabs->setCurrentIndex(0);
    EXPECT_EQ(view->toPlainText(), QString("before\nwhile away"));
}

// --- status bar ---------------------------------------------------------------------------

TEST_F(RunControl, ProgressShowsRateTimeLeftAndErrors) {
    open();
    TFillProjects& projects = window->FillProjects();
    TFillProject& customers = project("customers");
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
    projects.OnTaskUpdate(&customers, "Committing...");
    EXPECT_EQ(panel(5), QString("Committing..."));
    EXPECT_EQ(messages().back(), "[customers] Committing...");
}

TEST_F(RunControl, ProgressBarIsNavyUpToTheCurrentRow) {
    open();
    window->show();
    auto* bar = control<QLabel>("sbFillerPanel1");
    auto navyAt = [bar](double share) {
        QImage image = bar->grab().toImage();
        QRect inside = bar->contentsRect();
        int x = inside.left() + static_cast<int>(share * inside.width());
        return image.pixelColor(x, inside.top() + inside.height() - 2) == QColor(0, 0, 128);
    };
    EXPECT_FALSE(navyAt(0.1)) << "nothing is drawn before a table starts";
    TFillProject& customers = project("customers");
    window->FillProjects().OnInitTableFill(&customers, "customers", "", 0, 1000);
    window->FillProjects().OnFillProgress(&customers, 500, 0, 1, 0, 0);
    EXPECT_TRUE(navyAt(0.1));
    EXPECT_TRUE(navyAt(0.4));
    EXPECT_FALSE(navyAt(0.6));
    EXPECT_FALSE(navyAt(0.9));
}

TEST_F(RunControl, WordListsAreReadFromTheArchives) {
    open();
    kvl::TStringList cities;
    window->FillProjects().OnExternalDataInit(xdCities, cities);
    EXPECT_GT(cities.Count(), 100);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Initializing city names...",
                                                    "Finished initializing city names..."}));
}

} // namespace

namespace {

// --- failures -----------------------------------------------------------------------------

class FailingRun : public RunControl {
protected:
    // the table goes away behind the window's back, so its run fails as a whole
    void dropCustomers() {
        auto connection = kvl::KVL_OpenConnection("sqlite:" + path.string());
        connection->ExecuteCommand("CUSTOM", "drop table orders");
        connection->ExecuteCommand("CUSTOM", "drop table customers");
    }
};

TEST_F(FailingRun, ThreadedRunReportsTheErrorThenEnds) {
    open();
    mark("customers", 100);
    dropCustomers();
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    window->btnRunClick(control<QToolButton>("btnRun"));
    ASSERT_TRUE(waitForRunEnd());
    ASSERT_TRUE(hasMessageStarting("Critical Error: "));
    EXPECT_EQ(messages().back(), "Filling finished");
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnCancel")->isEnabled());
}

TEST_F(FailingRun, RunOnTheWindowsThreadLeavesTheErrorToTheCallerAndRestoresTheWindow) {
    open();
    mark("customers", 100);
    dropCustomers();
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    EXPECT_THROW(window->btnRunClick(control<QAction>("miFillNonThreaded")), std::exception);
    EXPECT_FALSE(window->Filling());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnCancel")->isEnabled());
    for (const QString& text : boxes.Texts)
        EXPECT_NE(text, QString("Finished generating test data!"));
    EXPECT_FALSE(hasMessage("Filling finished"));
}

} // namespace

namespace {

// --- a server that goes away ----------------------------------------------------------------

// A connection whose server goes away after a given number of statements: from then on every
// statement and commit fails as on a lost connection. Its clones share the count.
struct Severance {
    std::atomic<int> statementsLeft{-1}; // -1: never
    bool Severed() { return statementsLeft.load() == 0; }
    void Count() {
        int left = statementsLeft.load();
        if (left > 0) statementsLeft.compare_exchange_strong(left, left - 1);
    }
};

class SeveringConnection : public kvl::TKVL_Connection {
public:
    using Switch = std::shared_ptr<Severance>;
    SeveringConnection(std::unique_ptr<kvl::TKVL_Connection> inner, Switch severed)
        : inner_(std::move(inner)), severed_(std::move(severed)) {}
    bool Connected() const override { return inner_->Connected(); }
    void Connect() override { inner_->Connect(); }
    void Disconnect() override { inner_->Disconnect(); }
    int ServerKind() const override { return inner_->ServerKind(); }
    std::string ModeText() const override { return inner_->ModeText(); }
    std::string ConnectionString() const override { return inner_->ConnectionString(); }
    void ExecuteCommand(const std::string& kind, const std::string& sql) override {
        check(*severed_);
        inner_->ExecuteCommand(kind, sql);
    }
    std::unique_ptr<kvl::TKVL_Connection> Clone() const override {
        return std::make_unique<SeveringConnection>(inner_->Clone(), severed_);
    }
    std::unique_ptr<kvl::TKVL_Transaction> NewTransaction() override {
        return std::make_unique<Transaction>(inner_->NewTransaction(), severed_);
    }
    std::unique_ptr<kvl::TKVL_Query> NewQuery() override {
        return std::make_unique<Query>(inner_->NewQuery(), severed_, *this);
    }
    std::shared_ptr<kvl::IKVL_Database> Database() override { return inner_->Database(); }

private:
    static void check(Severance& severance) {
        if (severance.Severed()) throw kvl::EKVL_ConnectionLost("server closed the connection unexpectedly");
    }

    class Transaction : public kvl::TKVL_Transaction {
    public:
        Transaction(std::unique_ptr<kvl::TKVL_Transaction> inner, Switch severed)
            : inner_(std::move(inner)), severed_(std::move(severed)) {}
        void StartTransaction() override {
            check(*severed_);
            inner_->StartTransaction();
        }
        void Commit() override {
            check(*severed_);
            inner_->Commit();
        }
        void Rollback() override { inner_->Rollback(); }
        bool InTransaction() const override { return inner_->InTransaction(); }
        void SetTransactionFlag(bool autoStart) override { inner_->SetTransactionFlag(autoStart); }
        kvl::TKVL_Transaction& Inner() { return *inner_; }

    private:
        std::unique_ptr<kvl::TKVL_Transaction> inner_;
        Switch severed_;
    };

    class Query : public kvl::TKVL_Query {
    public:
        Query(std::unique_ptr<kvl::TKVL_Query> inner, Switch severed, kvl::TKVL_Connection& connection)
            : inner_(std::move(inner)), severed_(std::move(severed)), connection_(connection) {}
        void SetTransaction(kvl::TKVL_Transaction* transaction) override {
            auto* ours = dynamic_cast<Transaction*>(transaction);
            inner_->SetTransaction(ours ? &ours->Inner() : transaction);
        }
        void Prepare() override {
            sync();
            inner_->Prepare();
        }
        void Unprepare() override { inner_->Unprepare(); }
        bool Prepared() const override { return inner_->Prepared(); }
        void Execute() override {
            check(*severed_);
            severed_->Count();
            sync();
            inner_->Execute();
        }
        int ParamCount() const override { return inner_->ParamCount(); }
        std::string ParamName(int index) const override { return inner_->ParamName(index); }
        int ParamType(int index) const override { return inner_->ParamType(index); }
        void SetParamType(int index, int fieldType) override { inner_->SetParamType(index, fieldType); }
        void SetParamNull(int index) override { inner_->SetParamNull(index); }
        void SetParamValue(int index, const kvl::TVariant& value) override {
            inner_->SetParamValue(index, value);
        }
        void SetBlobParam(const std::string& name, std::istream& stream) override {
            inner_->SetBlobParam(name, stream);
        }
        kvl::TKVL_Connection& Connection() const override { return connection_; }
        void SetOption(const std::string& name, const std::string& value) override {
            inner_->SetOption(name, value);
        }
        void Open() override {
            check(*severed_);
            sync();
            inner_->Open();
        }
        bool Eof() const override { return inner_->Eof(); }
        void Next() override { inner_->Next(); }
        void Close() override { inner_->Close(); }
        int FieldCount() const override { return inner_->FieldCount(); }
        std::string FieldName(int index) const override { return inner_->FieldName(index); }
        bool FieldIsNull(int index) const override { return inner_->FieldIsNull(index); }
        std::string FieldAsString(int index) const override { return inner_->FieldAsString(index); }
        std::string FieldAsString(const std::string& name) const override {
            return inner_->FieldAsString(name);
        }

    private:
        // the statement's text is written into this object's lines
        void sync() {
            if (SQL().ChangeCount() == synced_) return;
            inner_->SQL().SetText(SQL().Text());
            synced_ = SQL().ChangeCount();
        }

        std::unique_ptr<kvl::TKVL_Query> inner_;
        Switch severed_;
        kvl::TKVL_Connection& connection_;
        uint64_t synced_ = ~uint64_t{0};
    };

    std::unique_ptr<kvl::TKVL_Connection> inner_;
    Switch severed_;
};

class LostServer : public RunControl {
protected:
    SeveringConnection::Switch severed = std::make_shared<Severance>();

    // The server goes away during the 2,501st row: two commits of 1,000 rows are behind it.
    void openSevering() {
        severed->statementsLeft = 2500;
        session =
            std::make_unique<SeveringConnection>(kvl::KVL_OpenConnection("sqlite:" + path.string()), severed);
        window =
            new TfrmTestDataGenerator(nullptr, session.get(), kvl::TKVL_InterfaceList(), session->Database());
    }
};

TEST_F(LostServer, AThreadedRunEndsOnTheTableAndTheWindowIsUsableAgain) {
    openSevering();
    mark("customers", 1000000, 1000);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();
    ASSERT_TRUE(waitForRunEnd());

    ASSERT_TRUE(hasMessageStarting("Critical Error: Error during project: customers"));
    EXPECT_EQ(messages().back(), "Filling finished");
    // what was committed before the loss stays, and the count says so
    EXPECT_EQ(project("customers").Statistics.RowsInserted, 2000);
    EXPECT_EQ(rowCount("customers"), 2000);

    EXPECT_FALSE(window->Filling());
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnCancel")->isEnabled());
    EXPECT_TRUE(control<QWidget>("pnlLeft")->isEnabled());
    EXPECT_TRUE(control<QWidget>("pnlRight")->isEnabled());
}

TEST_F(LostServer, ARunOnTheWindowsThreadGivesTheErrorBackAndRestoresTheWindow) {
    openSevering();
    mark("customers", 1000000, 1000);
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    EXPECT_THROW(window->btnRunClick(control<QAction>("miFillNonThreaded")), kvl::Exception);
    EXPECT_FALSE(window->Filling());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(control<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnCancel")->isEnabled());
    EXPECT_EQ(rowCount("customers"), 2000);
}

} // namespace
