// A database server that goes away in the middle of a fill: the run must end on that table with
// its name in the message, keep the count of what was committed, keep the log, and neither crash
// nor wait forever.
#include "FillKit.h"
#include "PrivateServer.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/SysUtils.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gmock/gmock.h>

#include <map>

namespace kvl::test {
namespace {

using testing::ContainsRegex;
using testing::HasSubstr;
using testing::StartsWith;

struct TLossCase {
    const char* what;
    bool kill; // the client's sessions are killed; otherwise the server stops at once
    bool bulk;
    int faultRow, perTransaction, inserted;
    int errors;        // -1: not looked at
    const char* words; // in the table's log
};

// The fault strikes from inside the run, after a known row: the rows up to the last commit point
// are safe, the rest of that transaction is lost with the connection.
const TLossCase kCases[] = {
    {"an immediate shutdown", false, false, 250, 100, 200, 1, "Error (row 251):"},
    {"a killed session", true, false, 250, 100, 200, 1, "Error (row 251):"},
    // the progress of a commit row comes before its commit, which meets the dead connection
    {"a shutdown at a commit point", false, false, 200, 100, 100, -1, ""},
    // between the last row and the closing commit: the run says every row went with the server,
    // rather than reporting them inserted
    {"a shutdown before the closing commit", false, false, 250, 0, 0, 0,
     "Error while committing (250 rows lost):"},
    // rows of a bulk load reach the server while their batch is still being made: the table ends
    // at the batch's first row
    {"a killed session during a bulk load", true, true, 19900, 10000, 10000, 1, "Error (row 10001):"},
};

// An engine, the shared server that says this machine runs its tests, and the server's words for a
// session it ended (MariaDB's client only says that it lost the server).
struct TServerKind {
    const char *engine, *shared, *killedWords;
};

void PrintTo(const TServerKind& kind, std::ostream* out) {
    *out << kind.engine;
}

const TServerKind kServers[] = {{"PostgreSQL", "KVL_TEST_PG", "terminating connection"},
                                {"Firebird", "KVL_TEST_FB", "connection shutdown"},
                                {"MariaDB", "KVL_TEST_MY", "Lost connection to server|Server has gone away"}};

class ServerLossTest : public testing::TestWithParam<TServerKind> {
protected:
    static void SetUpTestSuite() { KVL_RegisterStandardDrivers(); }
    static void TearDownTestSuite() { servers_.clear(); }

    void SetUp() override {
        auto& server = servers_[GetParam().engine];
        if (!server && std::getenv(GetParam().shared)) server = StartPrivateServer(GetParam().engine);
        const std::string missing =
            !server ? std::string("its shared test server is not set (") + GetParam().shared + ")"
                    : server->Unavailable();
        if (!missing.empty()) {
            if (EveryEngineRequired())
                FAIL() << GetParam().engine << " is required here (CI=true): " << missing;
            GTEST_SKIP() << missing;
        }
        server_ = server.get();
    }

    // Two fresh tables, the second to be filled after the first, and a run that strikes the fault.
    void prepare(const TLossCase& c) {
        table_ = server_->Identifier("loss_" + std::to_string(++tables_));
        next_ = server_->Identifier("loss_" + std::to_string(tables_) + "_after");
        auto setup = KVL_OpenConnection(server_->Uri("kvl_setup"));
        setup->ExecuteCommand("CUSTOM",
                              "create table " + table_ + " (id integer primary key, name varchar(20))");
        setup->ExecuteCommand("CUSTOM", "create table " + next_ + " (id integer)");
        fill_.reset();
        victim_ = KVL_OpenConnection(server_->Uri(victim()));
        fill_ = std::make_unique<TEngineFill>(*victim_);
        auto& id = fill_->FieldAs<TIntegerFillField>(table_, server_->Identifier("id"), fillIncreasing);
        id.RangeFrom = 1;
        id.StaticValue = 1;
        fill_->FieldAs<TTextFillField>(table_, server_->Identifier("name"), fillFixed).StaticValue =
            "before the fault";
        fill_->Rows(table_, c.perTransaction == 0 ? c.faultRow : 100000, c.perTransaction);
        fill_->FieldAs<TIntegerFillField>(next_, server_->Identifier("id"), fillFixed).StaticValue = 7;
        fill_->Rows(next_, 10, 10);
        // row by row, so that the fault meets a known row, unless the bulk load is under test
        fill_->Projects.InsertOnly = !c.bulk;
        struck_ = false;
        fill_->Projects.OnFillProgress = [this, c](TFillProject* project, int row, int, int, TDateTime,
                                                   TDateTime) {
            if (project->TableName != table_ || row != c.faultRow || struck_) return;
            struck_ = true;
            c.kill ? server_->KillSessions(victim()) : server_->StopImmediately();
        };
    }

    std::string victim() const { return "kvl_victim_" + LowerCase(table_); }
    int count(const std::string& table) { return CountRows(server_->Uri("kvl_probe"), table); }

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

TEST_P(ServerLossTest, TheRunEndsOnTheTableAndCountsOnlyTheCommittedRows) {
    for (const TLossCase& c : kCases) {
        SCOPED_TRACE(c.what);
        // only some engines load in bulk; those that do must say so
        if (c.bulk && GetParam().engine == std::string("Firebird")) continue;
        prepare(c);
        if (c.bulk) ASSERT_TRUE(victim_->HasFeature(TKVL_DriverFeature::BulkLoad));
        const std::string message = fill_->Run(std::chrono::seconds(60));
        if (!c.kill) server_->Start();
        const std::string heading = "Error during project: " + table_ + "\n\r";
        EXPECT_THAT(message, StartsWith(c.perTransaction == 0 ? heading + c.words : heading));
        EXPECT_GT(message.size(), heading.size());
        if (c.kill) EXPECT_THAT(message, ContainsRegex(GetParam().killedWords));
        TFillStatistics& stats = fill_->Project(table_).Statistics;
        EXPECT_EQ(stats.RowsInserted, c.inserted);
        if (c.errors >= 0)
            EXPECT_EQ(stats.ErrorCount, c.errors) << "the run went on sending rows into a dead connection";
        EXPECT_THAT(stats.Log.Text(), HasSubstr(c.words));
        EXPECT_EQ(count(table_), c.inserted);
        EXPECT_EQ(count(next_), 0) << "a table after the lost one was filled";
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerLossTest, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<TServerKind>& info) { return info.param.engine; });

} // namespace
} // namespace kvl::test
