#include "FillFieldTestKit.h"

#include "UTFillProjects/TFillErrorLog.h"

#include <string_view>
#include <thread>

namespace {

using namespace std::string_literals;
using Calls = std::vector<std::string>;

// Calls written in one text, apart by "|".
Calls calls(std::string_view text) {
    Calls out;
    for (size_t from = 0, bar = 0; bar != std::string_view::npos; from = bar + 1) {
        bar = text.find('|', from);
        out.emplace_back(text.substr(from, bar == std::string_view::npos ? bar : bar - from));
    }
    return out;
}

// Every event goes into the engine's call list, so that engine operations and events can be
// checked in one sequence.
class FillRun : public ::testing::Test {
protected:
    void SetUp() override {
        engine.Generators = {"GEN_ID"};
        engine.AddTable("T", {{"A", "Integer", false}, {"B", "Integer", true}});
        engine.AddTable("U", {{"X", "Integer", true}});
        engine.AddTable("V", {{"Y", "Integer", true}});
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        for (int i = 0; i < projects.GetProjectCount(); ++i)
            for (auto& f : project(i).GetFillFields()) {
                f->FillType = fillIncreasing;
                static_cast<TIntegerFillField&>(*f).StaticValue = 1;
            }
        projects.OnInitTableFill = [this](TFillProject*, const std::string& table, const std::string& task,
                                          int index, int rows) {
            engine.Calls.push_back("Init " + table + " " + task + " " + std::to_string(index) + " " +
                                   std::to_string(rows));
        };
        projects.OnTaskUpdate = [this](TFillProject*, const std::string& task) {
            engine.Calls.push_back("Task " + task);
        };
        projects.OnFillProgress = [this](TFillProject*, int row, int errors, int, kvl::TDateTime,
                                         kvl::TDateTime) {
            engine.Calls.push_back("Progress " + std::to_string(row) + " " + std::to_string(errors));
            if (onProgress) onProgress(row);
        };
        projects.OnFillFinished = [this](TFillProject* p) {
            engine.Calls.push_back("Finished " + p->TableName);
        };
    }

    TFillProject& project(int i) { return *projects.getFillProject(i); }

    TFillProject& only(int rows, int perTransaction) {
        TFillProject& p = project(0);
        p.doFill = true;
        p.Rows = rows;
        p.RowsPerTransaction = perTransaction;
        return p;
    }

    Calls run() {
        engine.Calls.clear();
        projects.startInsert();
        return engine.Calls;
    }

    std::string runFailing() {
        engine.Calls.clear();
        try {
            projects.startInsert();
        } catch (const kvl::Exception& e) {
            return e.Message();
        }
        ADD_FAILURE() << "the run did not fail";
        return std::string();
    }

    int count(const std::string& call) const {
        return static_cast<int>(std::count(engine.Calls.begin(), engine.Calls.end(), call));
    }
    bool has(const std::string& call) const { return count(call) > 0; }
    Calls starting(const std::string& prefix) const {
        Calls out;
        std::copy_if(engine.Calls.begin(), engine.Calls.end(), std::back_inserter(out),
                     [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
        return out;
    }
    // The calls from the first one given to the end.
    Calls callsFrom(const std::string& call) const {
        return Calls(std::find(engine.Calls.begin(), engine.Calls.end(), call), engine.Calls.end());
    }
    int countPrefix(const std::string& prefix) const { return static_cast<int>(starting(prefix).size()); }
    Calls logOf(int i) { return project(i).Statistics.Log.Items(); }
    static Calls summaryOf(const Calls& log) {
        auto it = std::find(log.begin(), log.end(), "************* End of Error Section ************");
        return it == log.end() ? Calls() : Calls(it, log.end());
    }

    RecordingEngine engine;
    TFillProjects projects;
    std::function<void(int row)> onProgress;
};

// The log starts afresh; its summary shows only the time-of-day part of the insert time.
TEST_F(FillRun, OneTableGoesThroughEveryStepInOrderAndLogsHeaderAndSummary) {
    TFillProject& p = only(3, 2);
    p.EmptyFirst = p.DisableIndices = p.DisableTriggers = true;
    p.Statistics.Log.Add("left over from the last run");
    int reads = 0;
    projects.RunClock = [&] { return reads++ == 0 ? 0.1 : 0.1 + 25.0 / 24; };
    EXPECT_EQ(run(), calls("Connect|Task Emptying table...|EmptyTable T|Init T Preparing 1 3|Progress 0 0|"
                           "Task Deactivating indices...|Indices off T|Task Deactivating triggers...|"
                           "Triggers off T|Before T|Task Preparing insertion|Prepare|"
                           "Task Insertion started [3 rows]|StartTransaction|Progress 1 0|Progress 2 0|"
                           "Task Committing data [2 rows inserted]|CommitTransaction|StartTransaction|"
                           "Progress 3 0|CommitTransaction|Task Unpreparing...|After T|UnprepareInsert T|"
                           "Unprepare statement|Task Finished filling [3 rows inserted]|"
                           "Task Reactivating indices...|Indices on T|Task Reactivating triggers...|"
                           "Triggers on T|Task All done!|Finished T|Disconnect"));
    EXPECT_EQ(engine.Statement.PreparedText,
              "insert into \"T\" (\r\n\"A\"\r\n,\r\n\"B\"\r\n)\r\nvalues (\r\n:P0\r\n,\r\n:P1\r\n)");
    ASSERT_EQ(engine.Statement.Rows.size(), 3u);
    EXPECT_EQ(engine.Statement.Rows[2][0].AsInt64(), 2);
    EXPECT_EQ(p.Statistics.RowsInserted, 3);
    EXPECT_FALSE(projects.FillingStarted);
    Calls log = logOf(0);
    ASSERT_EQ(log.size(), 15u);
    EXPECT_EQ(log[0], "Korvel - Test Data Generator - error-log");
    EXPECT_EQ(log[1].rfind("Job started at ", 0), 0u);
    EXPECT_GT(log[1].size(), std::string("Job started at ").size() + 6);
    EXPECT_EQ(Calls(log.begin() + 2, log.end()),
              calls("for table: T||**************** Error Section ****************|||"
                    "************* End of Error Section ************||Time needed for insertion: 01:00:00|"
                    "Rows inserted: 3|Errors encountered: 0|No indices were deactivated||"));
}

TEST_F(FillRun, SummaryNamesWhatTheServerSwitchedOffAndWhatItLeftOff) {
    engine.Tables[0].Indices = {"IX_A", "IX_B", "IX_PK"};
    engine.Tables[0].Triggers = {"TR_1"};
    engine.RefusedStates = {"IX_PK off", "IX_B on"};
    TFillProject& p = only(1, 10);
    p.CreateStructure();
    p.DisableIndices = p.DisableTriggers = true;
    run();
    Calls summary = summaryOf(logOf(0));
    ASSERT_EQ(summary.size(), 17u);
    EXPECT_EQ(Calls(summary.begin() + 5, summary.end()),
              calls("Indices deactivated:|IX_A|IX_B||" + summary[9] +
                    "|Indices reactivated: 1 of 2|Indices left deactivated:|IX_B||Triggers deactivated:|TR_1|"
                    "Triggers reactivated: 1 of 1"));
    EXPECT_EQ(summary[9].rfind("Time needed for rebuilding these: ", 0), 0u);
    EXPECT_EQ(p.Statistics.IndicesDeactivated, 2);
    EXPECT_EQ(p.Statistics.TriggersDeactivated, 1);
    // the next fill counts afresh
    p.DisableIndices = p.DisableTriggers = false;
    run();
    EXPECT_EQ(p.Statistics.IndicesDeactivated, 0);
    EXPECT_EQ(summaryOf(logOf(0))[5], "No indices were deactivated");
}

// A commit after every so many rows, reported after the row's progress; none in between at zero;
// zero rows still prepare, commit and finish once.
TEST_F(FillRun, CommitsEveryRowsPerTransactionAndReportsEveryRowWithoutErrors) {
    struct Case {
        int rows, perTransaction;
        Calls commitTasks;
    };
    const Case cases[] = {
        {250, 100, {"Task Committing data [100 rows inserted]", "Task Committing data [200 rows inserted]"}},
        {120, 0, {}},
        {0, 10, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        only(c.rows, c.perTransaction);
        run();
        const Calls commitTasks = starting("Task Committing data");
        EXPECT_EQ(commitTasks, c.commitTasks);
        EXPECT_EQ(count("StartTransaction"), static_cast<int>(c.commitTasks.size()) + 1);
        EXPECT_EQ(count("CommitTransaction"), static_cast<int>(c.commitTasks.size()) + 1);
        EXPECT_EQ(countPrefix("Progress"), c.rows + 1);
        EXPECT_EQ(project(0).Statistics.RowsInserted, c.rows);
        for (const std::string& call :
             {"Prepare"s, "Task Insertion started [" + std::to_string(c.rows) + " rows]",
              "Task Finished filling [" + std::to_string(c.rows) + " rows inserted]", "Task All done!"s,
              "Finished T"s})
            EXPECT_EQ(count(call), 1) << call;
        if (commitTasks.empty()) continue;
        auto commit = std::find(engine.Calls.begin(), engine.Calls.end(), commitTasks[0]);
        EXPECT_EQ(*(commit - 1), "Progress 100 0");
        EXPECT_EQ(*(commit + 3), "Progress 101 0");
    }
}

// The log keeps the server's words without the client's preamble and the statement.
TEST_F(FillRun, FailedRowIsLoggedAndAfterACommitPointCommitsAgainWithTheSameCount) {
    only(9, 4);
    engine.Statement.Fail = [](int n, const std::vector<kvl::TVariant>&) {
        if (n == 5)
            throw kvl::EKVL_DatabaseError(
                "  Unsuccessful execution caused by system error.\r\nISC ERROR MESSAGE:\n"
                "violation of PRIMARY or UNIQUE KEY constraint \"PK_T\" on table \"T\"\n"
                "STATEMENT:\ninsert into T values (1)\n");
    };
    run();
    EXPECT_EQ(count("Task Committing data [4 rows inserted]"), 2);
    EXPECT_EQ(count("Task Committing data [8 rows inserted]"), 1);
    EXPECT_EQ(project(0).Statistics.ErrorCount, 1);
    // with one error the rows are no longer reported one by one
    EXPECT_TRUE(has("Progress 4 0"));
    EXPECT_EQ(countPrefix("Progress"), 5);
    Calls log = logOf(0);
    EXPECT_EQ(Calls(log.begin() + 6, log.begin() + 9),
              calls("Error (row 5):|violation of PRIMARY or UNIQUE KEY constraint \"PK_T\" on table \"T\"|"));
    EXPECT_EQ(summaryOf(log)[3], "Rows inserted: 8");
    EXPECT_EQ(summaryOf(log)[4], "Errors encountered: 1");
}

TEST_F(FillRun, ProgressFollowsEveryRowWhileErrorsAreAMultipleOfTenAndEveryHundredthRowOtherwise) {
    only(230, 0);
    // rows 3 to 11 fail, nine errors until row 212 fails as the tenth
    engine.Statement.Fail = [](int n, const std::vector<kvl::TVariant>&) {
        if ((n >= 3 && n <= 11) || n == 212) throw kvl::EKVL_DatabaseError("no");
    };
    run();
    Calls expected = calls("Progress 0 0|Progress 1 0|Progress 2 0|Progress 100 9|Progress 200 9");
    for (int row = 212; row <= 230; ++row)
        expected.push_back("Progress " + std::to_string(row) + " 10");
    EXPECT_EQ(starting("Progress"), expected);
    EXPECT_EQ(project(0).Statistics.ErrorCount, 10);
    EXPECT_EQ(project(0).Statistics.RowsInserted, 220);
}

TEST_F(FillRun, ProgressNumbersAreMeasuredFromTheFirstTransaction) {
    only(200, 0);
    const kvl::TDateTime start = 0.5, later = 0.5 + 10.0 / 86400;
    int reads = 0;
    projects.RunClock = [&] { return reads++ == 0 ? start : later; };
    int rate = -1;
    kvl::TDateTime elapsed = 0, needed = 0;
    projects.OnFillProgress = [&](TFillProject*, int row, int, int rowsPerSec, kvl::TDateTime e,
                                  kvl::TDateTime n) {
        if (row != 100) return;
        rate = rowsPerSec;
        elapsed = e;
        needed = n;
    };
    run();
    // 10 s plus the offset of a millionth of a day: 100 rows in 10.0864 s
    EXPECT_EQ(rate, 9);
    EXPECT_NEAR(elapsed * 86400, 10.0864, 1e-6);
    EXPECT_NEAR(needed * 86400, 10.0864, 1e-6); // half done
    EXPECT_NEAR(project(0).Statistics.InsertTime * 86400, 10, 1e-6);
}

TEST(FillErrorLog, CleaningKeepsTheServersWordsAlone) {
    const std::pair<const char*, const char*> cases[] = {
        {"x ISC ERROR MESSAGE:-abc STATEMENT: y", "abc"}, // the character after the marker goes
        {"ISC ERROR MESSAGE:", ""},
        {"STATEMENT: a ISC ERROR MESSAGE: b", "b"},
        {"\t STATEMENT: kept as is \r\n", "STATEMENT: kept as is"},
        {"plain", "plain"}};
    for (auto [message, cleaned] : cases)
        EXPECT_EQ(CleanServerMessage(std::string_view(message)), cleaned) << message;
}

TEST_F(FillRun, NotNullColumnLeftUnfilledIsWarnedAboutAndTheFillGoesOn) {
    TFillProject& p = only(2, 0);
    p.GetFillFields()[0]->FillType = fillNothing; // A is NOT NULL without a default
    run();
    const std::string warning = "WARNING: At least one NOT NULL field is left unfilled for table \"T\".";
    EXPECT_TRUE(has("Task " + warning));
    EXPECT_EQ(logOf(0)[6], warning);
    EXPECT_EQ(p.Statistics.RowsInserted, 2);
    EXPECT_EQ(engine.Statement.PreparedText, "insert into \"T\" (\r\n\"B\"\r\n)\r\nvalues (\r\n:P1\r\n)");
    EXPECT_EQ(engine.ParamMap, std::vector<int>{1}) << "parameters keep the field's position";
}

// A generator column gets the server's expression and no parameter, unless it names no generator.
// No share of NULLs gives none; a full share never asks the field for a value.
TEST_F(FillRun, GeneratorColumnGetsAnExpressionAndNullShareDecidesBeforeTheFieldIsAsked) {
    for (const bool named : {true, false}) {
        TFillProject& p = only(20, 0);
        auto& a = static_cast<TIntegerFillField&>(*p.GetFillFields()[0]);
        a.FillType = fillGenerator;
        ASSERT_EQ(a.GeneratorName, "GEN_ID");
        if (!named) a.GeneratorName.clear();
        auto& b = static_cast<TIntegerFillField&>(*p.GetFillFields()[1]);
        b.IncludeNulls = true;
        b.NullPercentage = named ? 0 : 100;
        engine.Statement.Rows.clear();
        run();
        EXPECT_EQ(engine.Statement.PreparedText,
                  "insert into \"T\" (\r\n\"A\"\r\n,\r\n\"B\"\r\n)\r\nvalues (\r\n" +
                      std::string(named ? "next(\"GEN_ID\")" : ":P0") + "\r\n,\r\n:P1\r\n)");
        EXPECT_EQ(engine.ParamMap, (named ? std::vector<int>{1} : std::vector<int>{0, 1}));
        EXPECT_EQ(p.Statistics.RowsInserted, 20);
        ASSERT_EQ(engine.Statement.Rows.size(), 20u);
        for (const auto& row : engine.Statement.Rows)
            EXPECT_EQ(row.back().IsNull(), !named);
        EXPECT_EQ(b.Counter, b.RangeFrom + (named ? 20 : 0));
    }
}

TEST_F(FillRun, TableWithoutFilledColumnEndsTheRunUntouched) {
    TFillProject& p = only(2, 0);
    for (auto& f : p.GetFillFields())
        f->FillType = fillNothing;
    project(1).doFill = true;
    EXPECT_EQ(runFailing(),
              "Error during project: T\n\rCan't start filling without at least one field to fill.");
    EXPECT_EQ(engine.Calls, (Calls{"Connect", "Init T Preparing 1 2", "Progress 0 0", "Disconnect"}));
    EXPECT_FALSE(projects.FillingStarted);
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { p.SetSQLAndParamDatatypes(); }),
              "No columns to fill for table T - please check your settings.");
}

TEST_F(FillRun, FailedPrepareNamesTheColumnClosesTheTableAndLeavesIndicesOff) {
    TFillProject& p = only(2, 0);
    p.DisableIndices = true;
    p.GetFillFields()[1]->FillType = fillReferential; // no values to refer to
    p.GetFillFields()[1]->RefTable = "R";
    p.GetFillFields()[1]->RefColumn = "ID";
    EXPECT_EQ(runFailing(), "Error during project: T\n\rError during \"prepare\" of column \"B\": no "
                            "referential values found in \"R.ID\".");
    EXPECT_EQ(
        callsFrom("Task Preparing insertion"),
        calls("Task Preparing insertion|GetColumnData R.ID|CommitTransaction|Task Unpreparing...|After T|"
              "UnprepareInsert T|Unprepare statement|Disconnect"));
}

// Failures to switch indices or triggers are logged, those while closing are ignored, and the
// fill goes on; a stop asked for before the run does not stop it.
TEST_F(FillRun, StateChangeAndClosingFailuresLetTheFillGoOn) {
    TFillProject& p = only(2, 0);
    p.DisableIndices = p.DisableTriggers = true;
    projects.stopInsert();
    engine.FailOn = [](const std::string& call) {
        if (call.rfind("Indices", 0) == 0 || call.rfind("Triggers", 0) == 0)
            throw kvl::Exception(call + " failed ");
        if (call == "After T" || call == "UnprepareInsert T" || call == "Disconnect")
            throw kvl::Exception("closing failed");
    };
    run();
    Calls log = logOf(0);
    EXPECT_EQ(Calls(log.begin() + 6, log.begin() + 18),
              calls("Error while deactivating indices:|Indices off T failed||"
                    "Error while deactivating triggers:|Triggers off T failed||"
                    "Error while reactivating indices:|Indices on T failed||"
                    "Error while reactivating triggers:|Triggers on T failed|"));
    EXPECT_EQ(p.Statistics.RowsInserted, 2);
    EXPECT_TRUE(has("Task All done!"));
}

// A commit the server refuses takes its transaction's rows along: they are not counted, the log
// says how many went and why, the table is closed with its indices back on, and the run fails.
TEST_F(FillRun, RefusedCommitFailsTheTableAndCountsOnlyCommittedRows) {
    struct Case {
        const char* name;
        int rows, perTransaction, refusedCommit, executions, committed, lost;
    };
    for (const Case& c :
         {Case{"closing commit", 5, 0, 1, 5, 0, 5}, Case{"closing commit after points", 7, 3, 3, 7, 6, 1},
          Case{"commit point", 10, 4, 2, 8, 4, 4}}) {
        SCOPED_TRACE(c.name);
        TFillProject& p = only(c.rows, c.perTransaction);
        p.DisableIndices = true;
        project(1).doFill = true;
        int commits = 0;
        engine.FailOn = [&](const std::string& call) {
            if (call == "CommitTransaction" && ++commits == c.refusedCommit)
                throw kvl::EKVL_DatabaseError("ISC ERROR MESSAGE:\nkey refused at commit\nSTATEMENT: commit");
        };
        engine.Statement.Executions = 0;
        const std::string heading = "Error while committing (" + std::to_string(c.lost) + " rows lost):";
        EXPECT_EQ(runFailing(), "Error during project: T\n\r" + heading + " key refused at commit");
        EXPECT_EQ(engine.Statement.Executions, c.executions);
        EXPECT_EQ(p.Statistics.RowsInserted, c.committed);
        EXPECT_EQ(p.Statistics.RowsLost, c.lost);
        EXPECT_TRUE(has("Task Finished filling [" + std::to_string(c.committed) + " rows inserted]"));
        EXPECT_TRUE(has("Indices on T"));
        EXPECT_FALSE(has("Task All done!"));
        EXPECT_FALSE(has("Finished T"));
        EXPECT_EQ(countPrefix("Init U"), 0) << "a table after the failed one was started";
        const Calls log = logOf(0), entry{heading, "key refused at commit"}, summary = summaryOf(log);
        EXPECT_NE(std::search(log.begin(), log.end(), entry.begin(), entry.end()), log.end());
        for (const std::string& line : {"Rows inserted: " + std::to_string(c.committed),
                                        "Rows lost at a refused commit: " + std::to_string(c.lost)})
            EXPECT_NE(std::find(summary.begin(), summary.end(), line), summary.end()) << line;
        project(1).doFill = false;
    }
}

// A stop, or the caller clearing the started flag, ends the table after the current row as
// stopped, without its summary, and starts no other table.
TEST_F(FillRun, StopDuringATableEndsItAsStoppedAndStartsNoOtherTable) {
    for (const bool byFlag : {false, true}) {
        SCOPED_TRACE(byFlag);
        TFillProject& p = only(10, 2);
        p.DisableIndices = p.DisableTriggers = true;
        project(1).doFill = true;
        onProgress = [&](int row) {
            if (row != 3) return;
            if (byFlag)
                projects.SetFillingStarted(false);
            else
                projects.stopInsert();
        };
        run();
        EXPECT_EQ(callsFrom("Progress 3 0"),
                  calls("Progress 3 0|CommitTransaction|Task Unpreparing...|After T|UnprepareInsert T|"
                        "Unprepare statement|Finished T|Task Finished filling [3 rows inserted]|Disconnect"));
        EXPECT_TRUE(summaryOf(logOf(0)).empty());
        EXPECT_EQ(p.Statistics.RowsInserted, 3);
        EXPECT_TRUE(p.StopRequested);
        EXPECT_FALSE(projects.StopRequested);
        EXPECT_FALSE(projects.FillingStarted);
    }
}

// A stop while the indices come back on ends the table there, without its summary or finished
// event; once the triggers come back on, the table ends as usual. No other table starts.
TEST_F(FillRun, StopWhileReactivatingEndsTheTableThere) {
    for (const std::string& stopAt : {"Indices on T", "Triggers on T"}) {
        SCOPED_TRACE(stopAt);
        TFillProject& p = only(2, 0);
        p.DisableIndices = p.DisableTriggers = true;
        project(1).doFill = true;
        engine.FailOn = [&](const std::string& call) {
            if (call == stopAt) projects.stopInsert();
        };
        run();
        const bool ended = stopAt == "Triggers on T";
        EXPECT_TRUE(has("Task Finished filling [2 rows inserted]"));
        EXPECT_EQ(has("Task Reactivating triggers..."), ended);
        EXPECT_EQ(has("Task All done!"), ended);
        EXPECT_EQ(has("Finished T"), ended);
        EXPECT_EQ(summaryOf(logOf(0)).empty(), !ended);
        EXPECT_EQ(countPrefix("Init U"), 0);
    }
}

// Only tables to fill are emptied, last first, before any is filled; positions count every table.
// A failure before the insert phase skips the table's closing and ends the run after the tables
// before it.
TEST_F(FillRun, TablesAreEmptiedLastFirstAndAFailedTableEndsTheRun) {
    for (int i : {0, 2}) {
        project(i).doFill = true;
        project(i).Rows = 1;
    }
    for (int i = 0; i < 3; ++i)
        project(i).EmptyFirst = true;
    project(2).DisableTriggers = true;
    engine.FailOn = [](const std::string& call) {
        if (call == "Before V") throw kvl::Exception("cannot switch identity insert");
    };
    EXPECT_EQ(runFailing(), "Error during project: V\n\rcannot switch identity insert");
    Calls order;
    for (const auto& c : engine.Calls)
        if (c.rfind("EmptyTable", 0) == 0 || c.rfind("Init", 0) == 0) order.push_back(c);
    EXPECT_EQ(order, calls("EmptyTable V|EmptyTable T|Init T Preparing 1 1|Init V Preparing 3 1"));
    EXPECT_TRUE(has("Finished T"));
    EXPECT_EQ(count("Task Preparing insertion"), 1);
    EXPECT_EQ(count("CommitTransaction"), 1);
    EXPECT_TRUE(has("Triggers off V"));
    EXPECT_FALSE(has("Triggers on V"));
    EXPECT_EQ(engine.Calls.back(), "Disconnect");
}

TEST_F(FillRun, ConnectAndEmptyingFailuresPropagateUnwrapped) {
    only(1, 0).EmptyFirst = true;
    engine.FailOn = [](const std::string& call) {
        if (call == "EmptyTable T") throw kvl::EKVL_DatabaseError("locked");
    };
    EXPECT_EQ(runFailing(), "locked");
    EXPECT_EQ(engine.Calls.back(), "Disconnect");
    EXPECT_FALSE(projects.FillingStarted);

    engine.FailOn = [](const std::string& call) {
        if (call == "Connect") throw kvl::EKVL_DatabaseError("refused");
    };
    EXPECT_THROW(projects.startInsert(), kvl::EKVL_DatabaseError);
}

// Each run draws its values from a sequence of its own: two runs at once, as two windows start
// them, neither race for one generator nor take numbers out of each other's sequence.

constexpr int Rows = 5000;

// One window's fill: random integers with a share of NULLs, into a recording engine.
struct TWindowFill {
    explicit TWindowFill(uint64_t seed) {
        engine.AddTable("T", {{"A", "Integer", true}, {"B", "Integer", true}});
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        projects.RandomSeed = seed;
        TFillProject& p = *projects.getFillProject(0);
        p.doFill = true;
        p.Rows = Rows;
        p.RowsPerTransaction = 1000;
        for (auto& f : p.GetFillFields()) {
            auto& field = static_cast<TIntegerFillField&>(*f);
            field.FillType = fillRandom;
            field.RangeFrom = 1;
            field.RangeTo = 1000000;
            field.IncludeNulls = true;
            field.NullPercentage = 20;
        }
    }

    const auto& Values() const { return engine.Statement.Rows; }

    RecordingEngine engine;
    TFillProjects projects;
};

TEST(RunRandom, TwoRunsAtOnceWithOneSeedMakeTheSameRows) {
    auto first = std::make_unique<TWindowFill>(42);
    auto second = std::make_unique<TWindowFill>(42);
    // the window's thread draws as well while the runs go on
    std::thread a([&] { first->projects.startInsert(); });
    std::thread b([&] { second->projects.startInsert(); });
    for (int i = 0; i < 100000; ++i)
        kvl::Random(100);
    a.join();
    b.join();
    ASSERT_EQ(first->Values().size(), static_cast<size_t>(Rows));
    EXPECT_TRUE(first->Values() == second->Values()) << "the two runs disturbed each other's sequence";

    TWindowFill alone(42), other(43);
    alone.projects.startInsert();
    other.projects.startInsert();
    EXPECT_TRUE(alone.Values() == first->Values()) << "a run at the same time changed the data";
    EXPECT_FALSE(other.Values() == first->Values()) << "the seed makes no difference";
}

TEST(RunRandom, AnUnseededRunTakesItsSequenceFromTheClock) {
    TWindowFill first(0), second(0);
    first.projects.RandomSeed.reset();
    second.projects.RandomSeed.reset();
    first.projects.startInsert();
    second.projects.startInsert();
    EXPECT_FALSE(first.Values() == second.Values());
}

} // namespace
