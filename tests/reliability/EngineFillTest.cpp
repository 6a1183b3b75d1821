// Fills on every engine that the server makes hard: rows it refuses, names that only quoted
// identifiers reach, indices it will not switch. Each run ends with figures that agree with what
// a second connection reads.
#include "FillKit.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/SysUtils.h"

#include <gmock/gmock.h>

namespace kvl::test {
namespace {

using testing::HasSubstr;
using testing::Not;

// Rows refused by the server are logged and counted, and the rest of the table goes in.
constexpr int Rows = 20;

class EngineFillTest : public EngineTest {
protected:
    void TearDown() override {
        fill_.reset();
        EngineTest::TearDown();
    }

    // Integers 1, 2, ... Rows into the column.
    void Increasing(const std::string& table, const std::string& column) {
        auto& f = fill_->FieldAs<TIntegerFillField>(table, column, fillIncreasing);
        f.RangeFrom = 1;
        f.StaticValue = 1;
        // commit points fall between failures, and a failure falls on a commit point
        fill_->Rows(table, Rows, 3);
    }

    int Count(const std::string& table) { return std::stoi(scalar("select count(*) from " + table)); }

    // The run's own figures agree with the database and with the table's error log.
    void ExpectCounted(const std::string& table, int inserted, int before = 0) {
        TFillStatistics& stats = fill_->Project(Name(table)).Statistics;
        EXPECT_EQ(stats.RowsInserted, inserted) << table;
        EXPECT_EQ(stats.ErrorCount, Rows - inserted) << table;
        EXPECT_EQ(Count(table), before + inserted) << table;
        int entries = 0;
        for (const auto& line : stats.Log)
            entries += line.rfind("Error (row ", 0) == 0;
        EXPECT_EQ(entries, Rows - inserted) << table;
    }

    // Unquoted names are stored in upper case by Firebird.
    std::string Name(const std::string& name) const { return is(Engine::Firebird) ? UpperCase(name) : name; }

    std::unique_ptr<TEngineFill> fill_;
};

TEST_P(EngineFillTest, RefusedRowsAreLoggedCountedAndTheRestIsFilled) {
    exec("create table parent (id integer not null primary key)");
    for (int id = 1; id <= 15; ++id)
        exec("insert into parent (id) values (" + std::to_string(id) + ")");
    exec("create table uniq (id integer not null primary key)");
    exec("insert into uniq (id) values (5)");
    exec("insert into uniq (id) values (12)");
    exec("create table fk (parent_id integer references parent(id))");
    exec("create table chk (qty integer check (qty <> 3 and qty <> 7 and qty <> 9))");
    exec("create table nn (id integer, label varchar(10) not null)");
    exec("create table toolong (code varchar(3))");

    fill_ = std::make_unique<TEngineFill>(*conn_);
    // counting down, it meets the rows the table holds (a counter up goes on after them)
    Increasing(Name("uniq"), Name("id"));
    auto& down = fill_->FieldAs<TIntegerFillField>(Name("uniq"), Name("id"), fillIncreasing);
    down.RangeFrom = Rows;
    down.StaticValue = -1;
    Increasing(Name("fk"), Name("parent_id"));
    Increasing(Name("chk"), Name("qty"));
    Increasing(Name("nn"), Name("id"));
    // A catalogue read before the column was made NOT NULL: the run sends NULLs, the server refuses.
    auto& label = fill_->FieldAs<TTextFillField>(Name("nn"), Name("label"), fillFixed);
    label.StaticValue = "x";
    label.Nullable = true;
    label.IncludeNulls = true;
    label.NullPercentage = 50;
    auto& code = fill_->FieldAs<TTextFillField>(Name("toolong"), Name("code"), fillIncreasing);
    code.IncStart = 995; // "995" to "999" fit, "1000" and on are one character too long
    code.IncStep = 1;
    fill_->Rows(Name("toolong"), Rows, 3);

    ASSERT_EQ(fill_->Run(), "");

    ExpectCounted("uniq", Rows - 2, 2);
    ExpectCounted("fk", 15);
    ExpectCounted("chk", Rows - 3);
    TFillStatistics& nn = fill_->Project(Name("nn")).Statistics;
    EXPECT_GT(nn.ErrorCount, 0);
    EXPECT_EQ(nn.RowsInserted + nn.ErrorCount, Rows);
    EXPECT_EQ(Count("nn"), nn.RowsInserted);
    EXPECT_EQ(scalar("select count(*) from nn where label <> 'x'"), "0")
        << "a NULL was stored as something else";
    // SQLite keeps a text of any length, whatever the declared size says.
    ExpectCounted("toolong", is(Engine::SQLite) ? Rows : 5);
}

std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

struct HostileTable {
    std::string Table, IdColumn, TextColumn;
};

const HostileTable HostileTables[] = {
    {"order", "select", "from"},                  // reserved words
    {"it's \"quoted\"", "o'clock", "say \"hi\""}, // both kinds of quotes
    {"drop; table", "a;b", "x; delete from t"},   // statement separators
    {"with blanks", " lead", "two  words"},       // blanks, also a leading one
    {"Größe", "Maß", "naïve café"},               // letters outside ASCII
};

// Names with quotes, blanks, semicolons, reserved words and letters outside ASCII: the insert must
// reach exactly those objects, which it only does when the engine quotes every identifier.
TEST_P(EngineFillTest, TablesAndColumnsWithHostileNamesAreFilled) {
    exec("create table t (id integer)"); // what a pasted "delete from t" would empty
    exec("insert into t (id) values (1)");
    for (const auto& h : HostileTables)
        exec("create table " + Quoted(h.Table) + " (" + Quoted(h.IdColumn) + " integer, " +
             Quoted(h.TextColumn) + " varchar(20))");

    fill_ = std::make_unique<TEngineFill>(*conn_);
    for (const auto& h : HostileTables) {
        Increasing(h.Table, h.IdColumn);
        fill_->FieldAs<TTextFillField>(h.Table, h.TextColumn, fillFixed).StaticValue = "it's; \"ok\"";
        fill_->Project(h.Table).EmptyFirst = true;
    }
    ASSERT_EQ(fill_->Run(), "");

    for (const auto& h : HostileTables) {
        SCOPED_TRACE(h.Table);
        TFillStatistics& stats = fill_->Project(h.Table).Statistics;
        EXPECT_EQ(stats.ErrorCount, 0) << stats.Log.Text();
        EXPECT_EQ(stats.RowsInserted, Rows);
        // with the text's count, the sum of the keys leaves room for no other rows
        EXPECT_EQ(scalar("select sum(" + Quoted(h.IdColumn) + ") from " + Quoted(h.Table)),
                  std::to_string(Rows * (Rows + 1) / 2));
        EXPECT_EQ(scalar("select count(*) from " + Quoted(h.Table) + " where " + Quoted(h.TextColumn) +
                         " = 'it''s; \"ok\"'"),
                  std::to_string(Rows));
    }
    EXPECT_EQ(scalar("select count(*) from t"), "1");
}

// The summary of a table's log tells what the run really switched off and on: the server may
// refuse to switch an index off (one that backs a key) or back on (a unique index whose column
// took duplicates meanwhile).
TEST_P(EngineFillTest, TheLogNamesWhatWasSwitchedOffAndWhatStayedOff) {
    exec("create table summed (id integer not null primary key, v integer, w integer)");
    exec("create index ix_plain on summed (v)");
    exec("create unique index ix_unique on summed (w)");
    const bool switches = is(Engine::Firebird);
    if (switches) exec("create trigger tr_summed for summed before insert as begin end");
    const std::string table = Name("summed");
    fill_ = std::make_unique<TEngineFill>(*conn_);
    Increasing(table, Name("id"));
    // one value for every row: the unique index cannot come back on
    fill_->FieldAs<TIntegerFillField>(table, Name("w"), fillFixed).StaticValue = 7;
    fill_->Rows(table, 3, 10);
    TFillProject& project = fill_->Project(table);
    project.CreateStructure();
    project.DisableIndices = project.DisableTriggers = true;

    EXPECT_EQ(fill_->Run(), "");
    const std::string log = project.Statistics.Log.Text();
    if (!switches) {
        // the unique index refuses the second row, and nothing was switched
        EXPECT_THAT(log, HasSubstr("No indices were deactivated"));
        EXPECT_EQ(project.Statistics.RowsInserted, 1);
        return;
    }
    EXPECT_EQ(project.Statistics.RowsInserted, 3);
    EXPECT_THAT(log, HasSubstr("Indices deactivated:\r\nIX_PLAIN\r\nIX_UNIQUE\r\n\r\n"));
    EXPECT_THAT(log, HasSubstr("Indices reactivated: 1 of 2\r\nIndices left deactivated:\r\nIX_UNIQUE\r\n"));
    EXPECT_THAT(log, HasSubstr("Triggers deactivated:\r\nTR_SUMMED\r\nTriggers reactivated: 1 of 1"));
    EXPECT_THAT(log, Not(HasSubstr("Triggers left deactivated")));
    EXPECT_EQ(scalar("select list(trim(rdb$index_name)) from rdb$indices where rdb$index_inactive = 1 and "
                     "rdb$index_name starting with 'IX_'"),
              "IX_UNIQUE");
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineFillTest, AllEngines(), EngineParamName);

} // namespace
} // namespace kvl::test
