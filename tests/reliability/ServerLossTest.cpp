// A database server that goes away in the middle of a fill: the run must end on that table with
// its name in the message, keep the count of what was committed, keep the log, and neither crash
// nor wait forever.
#include "FillKit.h"
#include "PrivateCluster.h"
#include "PrivateFirebird.h"
#include "PrivateMariadb.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/SysUtils.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace kvl::test {
namespace {

using testing::ContainsRegex;
using testing::HasSubstr;
using testing::StartsWith;

constexpr int FaultAtRow = 250;
constexpr int PerTransaction = 100;
constexpr int CommittedBeforeFault = 200;

class ServerLossTest : public testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() { KVL_RegisterStandardDrivers(); }
    static void TearDownTestSuite() { servers_.clear(); }

    // Started once per process, and only for the engine asked for: ctest runs each test alone.
    static TPrivateServer* ServerFor(const std::string& name) {
        auto& server = servers_[name];
        // The shared servers' presence says that this machine is meant to run these engines' tests.
        if (!server && name == "PostgreSQL" && std::getenv("KVL_TEST_PG"))
            server = std::make_unique<TPrivateCluster>();
        if (!server && name == "Firebird" && std::getenv("KVL_TEST_FB"))
            server = std::make_unique<TPrivateFirebird>();
        if (!server && name == "MariaDB" && std::getenv("KVL_TEST_MY"))
            server = std::make_unique<TPrivateMariadb>();
        return server.get();
    }

    void SetUp() override {
        TPrivateServer* server = ServerFor(GetParam());
        std::string missing =
            !server ? "its shared test server is not set (KVL_TEST_PG, KVL_TEST_FB, KVL_TEST_MY)"
                    : server->Unavailable();
        if (!missing.empty()) {
            if (EveryEngineRequired()) FAIL() << GetParam() << " is required here (CI=true): " << missing;
            GTEST_SKIP() << missing;
        }
        server_ = server;
        table_ = server_->Identifier("loss_" + std::to_string(++tables_));
        next_ = server_->Identifier("loss_" + std::to_string(tables_) + "_after");
        auto setup = KVL_OpenConnection(server_->Uri("kvl_setup"));
        setup->ExecuteCommand("CUSTOM",
                              "create table " + table_ + " (id integer primary key, name varchar(20))");
        setup->ExecuteCommand("CUSTOM", "create table " + next_ + " (id integer)");
        victim_ = KVL_OpenConnection(server_->Uri(Victim()));
        fill_ = std::make_unique<TEngineFill>(*victim_);
        auto& id = fill_->FieldAs<TIntegerFillField>(table_, server_->Identifier("id"), fillIncreasing);
        id.RangeFrom = 1;
        id.StaticValue = 1;
        fill_->FieldAs<TTextFillField>(table_, server_->Identifier("name"), fillFixed).StaticValue =
            "before the fault";
        fill_->Rows(table_, 100000, PerTransaction);
        fill_->FieldAs<TIntegerFillField>(next_, server_->Identifier("id"), fillFixed).StaticValue = 7;
        fill_->Rows(next_, 10, 10);
        // row by row, so that the fault meets a known row; the bulk load has its own test
        fill_->Projects.InsertOnly = true;
    }
    void TearDown() override {
        fill_.reset();
        victim_.reset();
    }

    std::string Victim() const { return "kvl_victim_" + LowerCase(table_); }

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

    int Count(const std::string& table) { return CountRows(server_->Uri("kvl_probe"), table); }

    // The server's own words for a session it ended, as a pattern; MariaDB's client says only
    // that it lost the server, in words that depend on whether a statement was under way.
    std::string KilledSessionWords() const {
        static const std::map<std::string, std::string> words = {
            {"PostgreSQL", "terminating connection"},
            {"Firebird", "connection shutdown"},
            {"MariaDB", "Lost connection to server|Server has gone away"}};
        return words.at(GetParam());
    }

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

    static std::map<std::string, std::unique_ptr<TPrivateServer>> servers_;
    static int tables_;
    TPrivateServer* server_ = nullptr;
    std::string table_, next_;
    std::unique_ptr<TKVL_Connection> victim_;
    std::unique_ptr<TEngineFill> fill_;
    bool struck_ = false;
};

std::map<std::string, std::unique_ptr<TPrivateServer>> ServerLossTest::servers_;
int ServerLossTest::tables_ = 0;

TEST_P(ServerLossTest, ImmediateShutdownEndsTheRunOnTheTableAndKeepsTheCommittedRows) {
    FaultAfterRow([this] { server_->StopImmediately(); });
    const std::string message = fill_->Run(std::chrono::seconds(60));
    ExpectTheRunEndedOnTheTable(message);
    server_->Start();
    EXPECT_EQ(Count(table_), CommittedBeforeFault);
    EXPECT_EQ(Count(next_), 0) << "a table after the lost one was filled";
}

TEST_P(ServerLossTest, KilledSessionEndsTheRunOnTheTableAndKeepsTheCommittedRows) {
    FaultAfterRow([this] { server_->KillSessions(Victim()); });
    const std::string message = fill_->Run(std::chrono::seconds(60));
    ExpectTheRunEndedOnTheTable(message);
    EXPECT_THAT(message, ContainsRegex(KilledSessionWords()));
    EXPECT_EQ(Count(table_), CommittedBeforeFault);
    EXPECT_EQ(Count(next_), 0);
}

// The progress of a commit row comes before its commit: the commit is what meets the dead
// connection, and the rows of that transaction are lost with it.
TEST_P(ServerLossTest, ServerLostAtACommitPointKeepsTheRowsOfTheCommitsBefore) {
    FaultAfterRow([this] { server_->StopImmediately(); }, CommittedBeforeFault);
    const std::string message = fill_->Run(std::chrono::seconds(60));
    server_->Start();
    EXPECT_THAT(message, StartsWith("Error during project: " + table_ + "\n\r"));
    EXPECT_EQ(fill_->Project(table_).Statistics.RowsInserted, CommittedBeforeFault - PerTransaction);
    EXPECT_EQ(Count(table_), CommittedBeforeFault - PerTransaction);
    EXPECT_EQ(Count(next_), 0);
}

// Between the last row and the closing commit: every row of the table went with the server, and
// the run says so rather than reporting them inserted.
TEST_P(ServerLossTest, ServerLostBeforeTheClosingCommitCountsNoneOfItsRows) {
    fill_->Rows(table_, FaultAtRow, 0);
    FaultAfterRow([this] { server_->StopImmediately(); });
    const std::string message = fill_->Run(std::chrono::seconds(60));
    server_->Start();
    const std::string heading = "Error while committing (" + std::to_string(FaultAtRow) + " rows lost):";
    EXPECT_THAT(message, StartsWith("Error during project: " + table_ + "\n\r" + heading));
    TFillStatistics& stats = fill_->Project(table_).Statistics;
    EXPECT_EQ(stats.RowsInserted, 0);
    EXPECT_EQ(stats.ErrorCount, 0);
    EXPECT_THAT(stats.Log.Text(), HasSubstr(heading));
    EXPECT_EQ(Count(table_), 0);
}

// Rows of a bulk load reach the server while their batch is still being made: the fault strikes
// after the batch has begun streaming, and the table ends at the batch's first row.
class BulkLoadServerLossTest : public ServerLossTest {};

TEST_P(BulkLoadServerLossTest, AKilledSessionEndsABulkLoadAsWell) {
    ASSERT_TRUE(victim_->HasFeature(TKVL_DriverFeature::BulkLoad));
    constexpr int Batch = 10000;
    fill_->Projects.InsertOnly = false;
    fill_->Rows(table_, 100000, Batch);
    FaultAfterRow([this] { server_->KillSessions(Victim()); }, 2 * Batch - 100);
    const std::string message = fill_->Run(std::chrono::seconds(60));
    EXPECT_TRUE(struck_);
    EXPECT_THAT(message, StartsWith("Error during project: " + table_ + "\n\r"));
    EXPECT_THAT(message, ContainsRegex(KilledSessionWords()));
    TFillStatistics& stats = fill_->Project(table_).Statistics;
    EXPECT_EQ(stats.RowsInserted, Batch);
    EXPECT_EQ(stats.ErrorCount, 1);
    EXPECT_THAT(stats.Log.Text(), HasSubstr("Error (row " + std::to_string(Batch + 1) + "):"));
    EXPECT_EQ(Count(table_), Batch);
    EXPECT_EQ(Count(next_), 0);
}

std::string ServerName(const testing::TestParamInfo<std::string>& info) {
    return info.param;
}
INSTANTIATE_TEST_SUITE_P(Servers, ServerLossTest, testing::Values("PostgreSQL", "Firebird", "MariaDB"),
                         ServerName);
INSTANTIATE_TEST_SUITE_P(Servers, BulkLoadServerLossTest, testing::Values("PostgreSQL", "MariaDB"),
                         ServerName);

} // namespace
} // namespace kvl::test
