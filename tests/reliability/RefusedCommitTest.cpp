// A commit that the server refuses, on every engine: the rows of that transaction are gone, so
// the run must not count them, must say in the log how many went and why, and must fail.
#include "FillKit.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvl::test {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

constexpr int Rows = 20;
constexpr int Highest = 12; // rows 13 and on are refused at commit

class RefusedCommitTest : public EngineTest {};

TEST_P(RefusedCommitTest, CountsOnlyCommittedRowsLogsTheLossAndFailsTheTable) {
    struct Case {
        const char* table;
        int perTransaction, committed, lost;
    };
    // at a commit point the rows up to the point before stay; the closing commit keeps none
    const Case cases[] = {{"refused_at_close", 0, 0, Rows}, {"refused_at_point", 5, 10, 5}};
    for (const Case& c : cases)
        for (const auto& sql : RefusedAtCommitTable(engine(), c.table, Highest))
            exec(sql);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        TEngineFill fill(*conn_);
        auto& v = fill.FieldAs<TIntegerFillField>(c.table, "v", fillIncreasing);
        v.RangeFrom = 1;
        v.StaticValue = 1;
        fill.Rows(c.table, Rows, c.perTransaction);

        const std::string message = fill.Run();
        const std::string heading = "Error while committing (" + std::to_string(c.lost) + " rows lost):";
        EXPECT_THAT(message, StartsWith("Error during project: " + std::string(c.table) + "\n\r" + heading));
        const TFillStatistics& stats = fill.Project(c.table).Statistics;
        EXPECT_EQ(stats.RowsInserted, c.committed);
        EXPECT_EQ(scalar(std::string("select count(*) from \"") + c.table + "\""),
                  std::to_string(c.committed));
        // the server's own words follow the heading
        const int entry = stats.Log.IndexOf(heading);
        ASSERT_GE(entry, 0) << stats.Log.Text();
        EXPECT_FALSE(stats.Log[entry + 1].empty());
        EXPECT_THAT(stats.Log.Text(), HasSubstr("Rows inserted: " + std::to_string(c.committed)));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, RefusedCommitTest, EnginesRefusingAtCommit(), EngineParamName);

} // namespace
} // namespace kvl::test
