// A PostgreSQL server that goes away in the middle of a fill: the run must end on that table
// with its name in the message, keep the count of what was committed, keep the log, and neither
// crash nor wait forever.
#include "FillKit.h"
#include "PrivateCluster.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kvl::test {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

constexpr int FaultAtRow = 250;
constexpr int PerTransaction = 100;
constexpr int CommittedBeforeFault = 200;

class ServerLossTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        KVL_RegisterStandardDrivers();
        // The shared server's presence says that this machine is meant to run PostgreSQL tests.
        if (!std::getenv("KVL_TEST_PG")) return;
        cluster_ = new TPrivateCluster();
    }
    static void TearDownTestSuite() {
        delete cluster_;
        cluster_ = nullptr;
    }

    void SetUp() override {
        std::string missing = !cluster_ ? "KVL_TEST_PG is not set" : cluster_->Unavailable();
        if (!missing.empty()) {
            if (EveryEngineRequired()) FAIL() << "PostgreSQL is required here (CI=true): " << missing;
            GTEST_SKIP() << missing;
        }
        table_ = "loss_" + std::to_string(++tables_);
        next_ = table_ + "_after";
        auto setup = KVL_OpenConnection(cluster_->Uri("kvl_setup"));
        setup->ExecuteCommand("CUSTOM",
                              "create table " + table_ + " (id integer primary key, name varchar(20))");
        setup->ExecuteCommand("CUSTOM", "create table " + next_ + " (id integer)");
        victim_ = KVL_OpenConnection(cluster_->Uri(Victim()));
        fill_ = std::make_unique<TEngineFill>(*victim_);
        auto& id = fill_->FieldAs<TIntegerFillField>(table_, "id", fillIncreasing);
        id.RangeFrom = 1;
        id.StaticValue = 1;
        fill_->FieldAs<TTextFillField>(table_, "name", fillFixed).StaticValue = "before the fault";
        fill_->Rows(table_, 100000, PerTransaction);
        fill_->FieldAs<TIntegerFillField>(next_, "id", fillFixed).StaticValue = 7;
        fill_->Rows(next_, 10, 10);
    }
    void TearDown() override {
        fill_.reset();
        victim_.reset();
    }

    std::string Victim() const { return "kvl_victim_" + table_; }

    // The fault strikes from inside the run, after a known row: the rows up to the last commit
    // point are safe, the rest of that transaction is lost with the connection.
    template <typename Fault> void FaultAfterRow(Fault fault, int faultRow = FaultAtRow) {
        fill_->Projects.OnFillProgress = [this, fault, faultRow](TFillProject* project, int row, int, int,
                                                                 TDateTime, TDateTime) {
            if (project->TableName == table_ && row == faultRow && !struck_) {
                struck_ = true;
                fault();
            }
        };
    }

    int Count(const std::string& table) { return CountRows(cluster_->Uri("kvl_probe"), table); }

    void ExpectTheRunEndedOnTheTable(const std::string& message) {
        EXPECT_TRUE(struck_);
        EXPECT_THAT(message, StartsWith("Error during project: " + table_ + "\n\r"));
        EXPECT_GT(message.size(), ("Error during project: " + table_ + "\n\r").size());
        TFillStatistics& stats = fill_->Project(table_).Statistics;
        EXPECT_EQ(stats.RowsInserted, CommittedBeforeFault);
        EXPECT_EQ(stats.ErrorCount, 1) << "the run went on sending rows into a dead connection";
        const std::string log = stats.Log.Text();
        EXPECT_THAT(log, HasSubstr("Error (row " + std::to_string(FaultAtRow + 1) + "):"));
        // the window writes the log where the user can read it after the program is gone
        const std::string path = TempPath(table_ + ".log");
        stats.Log.SaveToFile(path);
        std::stringstream onDisk;
        onDisk << std::ifstream(path).rdbuf();
        EXPECT_THAT(onDisk.str(), HasSubstr("Error (row " + std::to_string(FaultAtRow + 1) + "):"));
        std::remove(path.c_str());
    }

    static TPrivateCluster* cluster_;
    static int tables_;
    std::string table_, next_;
    std::unique_ptr<TKVL_Connection> victim_;
    std::unique_ptr<TEngineFill> fill_;
    bool struck_ = false;
};

TPrivateCluster* ServerLossTest::cluster_ = nullptr;
int ServerLossTest::tables_ = 0;

TEST_F(ServerLossTest, ImmediateShutdownEndsTheRunOnTheTableAndKeepsTheCommittedRows) {
    FaultAfterRow([] { cluster_->StopImmediately(); });
    const std::string message = fill_->Run(std::chrono::seconds(60));
    ExpectTheRunEndedOnTheTable(message);
    cluster_->Start();
    EXPECT_EQ(Count(table_), CommittedBeforeFault);
    EXPECT_EQ(Count(next_), 0) << "a table after the lost one was filled";
}

TEST_F(ServerLossTest, KilledSessionEndsTheRunOnTheTableAndKeepsTheCommittedRows) {
    FaultAfterRow([this] {
        auto killer = KVL_OpenConnection(cluster_->Uri("kvl_killer"));
        killer->ExecuteCommand("CUSTOM", "select pg_terminate_backend(pid) from pg_stat_activity "
                                         "where application_name = '" +
                                             Victim() + "'");
    });
    const std::string message = fill_->Run(std::chrono::seconds(60));
    ExpectTheRunEndedOnTheTable(message);
    EXPECT_THAT(message, HasSubstr("terminating connection"));
    EXPECT_EQ(Count(table_), CommittedBeforeFault);
    EXPECT_EQ(Count(next_), 0);
}

// The progress of a commit row comes before its commit: the commit is what meets the dead
// connection, and the rows of that transaction are lost with it.
TEST_F(ServerLossTest, KilledSessionAtACommitPointKeepsTheRowsOfTheCommitsBefore) {
    FaultAfterRow([] { cluster_->StopImmediately(); }, CommittedBeforeFault);
    const std::string message = fill_->Run(std::chrono::seconds(60));
    cluster_->Start();
    EXPECT_THAT(message, StartsWith("Error during project: " + table_ + "\n\r"));
    EXPECT_EQ(fill_->Project(table_).Statistics.RowsInserted, CommittedBeforeFault - PerTransaction);
    EXPECT_EQ(Count(table_), CommittedBeforeFault - PerTransaction);
    EXPECT_EQ(Count(next_), 0);
}

} // namespace
} // namespace kvl::test
