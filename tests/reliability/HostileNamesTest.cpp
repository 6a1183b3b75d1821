// Tables and columns whose names hold quotes, blanks, semicolons, reserved words and letters
// outside ASCII: the insert must reach exactly those objects on every engine, which it only
// does when the engine quotes every identifier instead of pasting it.
#include "FillKit.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"

#include <gtest/gtest.h>

namespace kvl::test {
namespace {

constexpr int Rows = 12;

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

class HostileNamesTest : public EngineTest {
protected:
    void TearDown() override {
        fill_.reset();
        EngineTest::TearDown();
    }
    std::unique_ptr<TEngineFill> fill_;
};

TEST_P(HostileNamesTest, TablesAndColumnsWithHostileNamesAreFilled) {
    exec("create table t (id integer)"); // what a pasted "delete from t" would empty
    exec("insert into t (id) values (1)");
    for (const auto& h : HostileTables)
        exec("create table " + Quoted(h.Table) + " (" + Quoted(h.IdColumn) + " integer, " +
             Quoted(h.TextColumn) + " varchar(20))");

    fill_ = std::make_unique<TEngineFill>(*conn_);
    for (const auto& h : HostileTables) {
        auto& id = fill_->FieldAs<TIntegerFillField>(h.Table, h.IdColumn, fillIncreasing);
        id.RangeFrom = 1;
        id.StaticValue = 1;
        fill_->FieldAs<TTextFillField>(h.Table, h.TextColumn, fillFixed).StaticValue = "it's; \"ok\"";
        fill_->Rows(h.Table, Rows, 5);
        fill_->Project(h.Table).EmptyFirst = true;
    }
    ASSERT_EQ(fill_->Run(), "");

    for (const auto& h : HostileTables) {
        SCOPED_TRACE(h.Table);
        TFillStatistics& stats = fill_->Project(h.Table).Statistics;
        EXPECT_EQ(stats.ErrorCount, 0) << stats.Log.Text();
        EXPECT_EQ(stats.RowsInserted, Rows);
        EXPECT_EQ(scalar("select count(*) from " + Quoted(h.Table)), std::to_string(Rows));
        EXPECT_EQ(scalar("select sum(" + Quoted(h.IdColumn) + ") from " + Quoted(h.Table)),
                  std::to_string(Rows * (Rows + 1) / 2));
        EXPECT_EQ(scalar("select count(*) from " + Quoted(h.Table) + " where " + Quoted(h.TextColumn) +
                         " = 'it''s; \"ok\"'"),
                  std::to_string(Rows));
    }
    EXPECT_EQ(scalar("select count(*) from t"), "1");
}

INSTANTIATE_TEST_SUITE_P(Engines, HostileNamesTest, AllEngines(), EngineParamName);

} // namespace
} // namespace kvl::test
