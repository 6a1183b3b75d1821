// How the run tells a lost connection from a refused row, without any server: the recording
// engine raises what the drivers raise.
#include "support/RecordingEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::HasSubstr;
using testing::StartsWith;

class LostConnectionRun : public testing::Test {
protected:
    void SetUp() override {
        engine.AddTable("T", {{"A", "Integer"}});
        engine.AddTable("U", {{"X", "Integer"}});
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        for (int i = 0; i < projects.GetProjectCount(); ++i) {
            TFillProject& p = *projects.getFillProject(i);
            p.doFill = true;
            p.Rows = 20;
            p.RowsPerTransaction = 3;
            p.GetFillFields()[0]->FillType = fillIncreasing;
            static_cast<TIntegerFillField&>(*p.GetFillFields()[0]).StaticValue = 1;
        }
    }

    // Runs and returns the message of the failure that ended the run, or "".
    std::string Run() {
        try {
            projects.startInsert();
            return "";
        } catch (const kvl::Exception& e) {
            return e.what();
        }
    }

    RecordingEngine engine;
    TFillProjects projects;
};

TEST_F(LostConnectionRun, EndsTheTableAtTheFirstLostRowAndCountsOnlyCommittedRows) {
    bool lost = false;
    engine.Statement.Fail = [&lost](int execution, const std::vector<kvl::TVariant>&) {
        lost = lost || execution >= 8;
        if (lost) throw kvl::EKVL_ConnectionLost("server closed the connection unexpectedly");
    };
    // nothing goes through a lost connection, a commit neither
    engine.FailOn = [&lost](const std::string& call) {
        if (lost && call != "Disconnect") throw kvl::EKVL_ConnectionLost("no connection to the server");
    };
    const std::string message = Run();
    EXPECT_THAT(message, StartsWith("Error during project: T\n\r"));
    EXPECT_THAT(message, HasSubstr("server closed the connection unexpectedly"));
    TFillStatistics& t = projects.getFillProject(0)->Statistics;
    EXPECT_EQ(t.RowsInserted, 6); // rows 1 to 6 were committed, row 7 went with the connection
    EXPECT_EQ(t.ErrorCount, 1);
    EXPECT_THAT(t.Log.Text(), HasSubstr("Error (row 8):\r\nserver closed the connection unexpectedly\r\n"));
    EXPECT_EQ(engine.Statement.Executions, 8) << "rows were sent after the connection was gone";
    EXPECT_EQ(projects.getFillProject(1)->Statistics.RowsInserted, 0);
    EXPECT_EQ(engine.Calls.back(), "Disconnect");
    EXPECT_FALSE(projects.FillingStarted);
}

// The commit that meets the dead connection takes its transaction along; the closing commit
// that follows has nothing to keep and must not count those rows.
TEST_F(LostConnectionRun, LostCommitPointCountsOnlyTheCommitsBefore) {
    int commits = 0;
    engine.FailOn = [&commits](const std::string& call) {
        if (call == "CommitTransaction" && ++commits >= 2)
            throw kvl::EKVL_ConnectionLost("server closed the connection unexpectedly");
    };
    const std::string message = Run();
    EXPECT_THAT(message, StartsWith("Error during project: T\n\r"));
    EXPECT_EQ(projects.getFillProject(0)->Statistics.RowsInserted, 3);
    EXPECT_EQ(engine.Statement.Executions, 6);
}

} // namespace
