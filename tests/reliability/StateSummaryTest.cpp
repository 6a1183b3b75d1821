// The summary of a table's log tells what the run really switched off and on: the server may
// refuse to switch an index off (one that backs a key) or back on (a unique index whose
// column took duplicates meanwhile).
#include "FillKit.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/SysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvl::test {
namespace {

using testing::HasSubstr;
using testing::Not;

class StateSummaryTest : public EngineTest {};

TEST_P(StateSummaryTest, NamesWhatWasSwitchedOffAndWhatStayedOff) {
    exec("create table summed (id integer not null primary key, v integer, w integer)");
    exec("create index ix_plain on summed (v)");
    exec("create unique index ix_unique on summed (w)");
    const bool switches = is(Engine::Firebird);
    if (switches) exec("create trigger tr_summed for summed before insert as begin end");
    const std::string table = switches ? "SUMMED" : "summed";
    auto name = [&](const char* column) { return switches ? std::string(column) : LowerCase(column); };

    TEngineFill fill(*conn_);
    auto& id = fill.FieldAs<TIntegerFillField>(table, name("ID"), fillIncreasing);
    id.RangeFrom = 1;
    id.StaticValue = 1;
    // one value for every row: the unique index cannot come back on
    fill.FieldAs<TIntegerFillField>(table, name("W"), fillFixed).StaticValue = 7;
    fill.Rows(table, 3, 10);
    TFillProject& project = fill.Project(table);
    project.CreateStructure();
    project.DisableIndices = project.DisableTriggers = true;

    const std::string message = fill.Run();
    const std::string log = project.Statistics.Log.Text();
    if (!switches) {
        // the unique index refuses the second row, and nothing was switched
        EXPECT_EQ(message, "");
        EXPECT_THAT(log, HasSubstr("No indices were deactivated"));
        EXPECT_EQ(project.Statistics.RowsInserted, 1);
        return;
    }
    EXPECT_EQ(message, "");
    EXPECT_EQ(project.Statistics.RowsInserted, 3);
    EXPECT_EQ(project.Statistics.IndicesDeactivated, 2) << log;
    EXPECT_THAT(log, HasSubstr("Indices deactivated:\r\nIX_PLAIN\r\nIX_UNIQUE\r\n\r\n"));
    EXPECT_THAT(log, HasSubstr("Indices reactivated: 1 of 2\r\nIndices left deactivated:\r\nIX_UNIQUE\r\n"));
    EXPECT_THAT(log, HasSubstr("Triggers deactivated:\r\nTR_SUMMED\r\nTriggers reactivated: 1 of 1"));
    EXPECT_THAT(log, Not(HasSubstr("Triggers left deactivated")));
    EXPECT_EQ(
        scalar("select coalesce(rdb$index_inactive, 0) from rdb$indices where rdb$index_name = 'IX_UNIQUE'"),
        "1");
    EXPECT_EQ(
        scalar("select coalesce(rdb$index_inactive, 0) from rdb$indices where rdb$index_name = 'IX_PLAIN'"),
        "0");
}

INSTANTIATE_TEST_SUITE_P(Engines, StateSummaryTest, AllEngines(), EngineParamName);

} // namespace
} // namespace kvl::test
