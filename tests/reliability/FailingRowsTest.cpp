// Rows that the server refuses, on every engine: each is logged and counted, the rest of the
// table goes in, and what the run counts is what a second connection reads.
#include "FillKit.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/SysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvl::test {
namespace {

using testing::HasSubstr;

constexpr int Rows = 20;

class FailingRowsTest : public EngineTest {
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
        EXPECT_THAT(stats.Log.Text(), HasSubstr("Rows inserted: " + std::to_string(inserted))) << table;
        int entries = 0;
        for (const auto& line : stats.Log)
            entries += line.rfind("Error (row ", 0) == 0;
        EXPECT_EQ(entries, Rows - inserted) << table;
    }

    // Unquoted names are stored in upper case by Firebird.
    std::string Name(const std::string& name) const { return is(Engine::Firebird) ? UpperCase(name) : name; }

    std::unique_ptr<TEngineFill> fill_;
};

TEST_P(FailingRowsTest, RefusedRowsAreLoggedCountedAndTheRestIsFilled) {
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
    Increasing(Name("uniq"), Name("id"));
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

INSTANTIATE_TEST_SUITE_P(Engines, FailingRowsTest, AllEngines(), EngineParamName);

} // namespace
} // namespace kvl::test
