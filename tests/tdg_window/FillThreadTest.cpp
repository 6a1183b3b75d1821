#include "support/RecordingEngine.h"
#include "support_gui/GuiTestSupport.h"

#include "TFillThread.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"

#include <QPointer>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

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
    // the notices of init and task show their own task texts in turn
    EXPECT_LT(at("Init U Preparing 2 250"), at("Task U Preparing insertion"));
    EXPECT_LT(at("Task U Preparing insertion"), at("Task U Insertion started [250 rows]"));
    EXPECT_LT(at("Init T Preparing 1 250"), at("Task T Insertion started [250 rows]"));
    EXPECT_LT(at("Task T Insertion started [250 rows]"), at("Finished T"));
    EXPECT_LT(at("Finished T"), at("Init U Preparing 2 250"));
    EXPECT_LT(at("Task U Insertion started [250 rows]"), at("Finished U"));
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

TEST_F(FillThreadRun, AHandlerThatRaisesEndsTheRunWithACriticalErrorThenFinished) {
    failOnInit = true;
    runThreaded();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "Init T Preparing 1 250");
    EXPECT_EQ(log[log.size() - 2], "Critical Error: Error during project: T\n\rhandler failed");
    EXPECT_EQ(log.back(), "Filling finished");
    EXPECT_EQ(std::count(log.begin(), log.end(), "Init U Preparing 2 250"), 0) << "no further table starts";
    EXPECT_EQ(engine.Statement.Executions, 0);

    // the handlers are the window's again after a failed run too
    log.clear();
    failOnInit = false;
    projects.doInitTableFill(projects.getFillProject(1), "U", "again", 2, 1);
    EXPECT_EQ(log, std::vector<std::string>{"Init U again 2 1"});
}

TEST_F(FillThreadRun, AStopFromTheWindowEndsTheRunAfterTheCurrentTable) {
    projects.OnFillFinished = [this](TFillProject* s) {
        note("Finished " + s->TableName);
        projects.stopInsert();
    };
    runThreaded();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Init U Preparing 2 250"), 0);
    EXPECT_EQ(engine.Statement.Executions, 250);
    EXPECT_EQ(log.back(), "Filling finished");
}

} // namespace
