#include "FillFieldTestKit.h"
#include "support/RecordingEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// The INSERT statement of a table and the binding of its parameters during a run.
class FillRunStatement : public ::testing::Test {
protected:
    void SetUp() override {
        engine.Generators = {"GEN_ID"};
        engine.AddTable("T", {{"A", "Integer"}, {"B", "Integer"}, {"C", "Integer"}});
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        project().doFill = true;
        project().Rows = 20;
        project().RowsPerTransaction = 0;
    }
    TFillProject& project() { return *projects.getFillProject(0); }
    TIntegerFillField& field(size_t i) {
        return static_cast<TIntegerFillField&>(*project().GetFillFields()[i]);
    }
    void increasing(size_t i) {
        field(i).FillType = fillIncreasing;
        field(i).RangeFrom = 1;
        field(i).StaticValue = 1;
    }

    RecordingEngine engine;
    TFillProjects projects;
};

TEST_F(FillRunStatement, ParameterNamesKeepTheFieldPosition) {
    increasing(0);
    increasing(2);
    projects.startInsert();
    EXPECT_EQ(engine.Statement.PreparedText,
              "insert into \"T\" (\r\n\"A\"\r\n,\r\n\"C\"\r\n)\r\nvalues (\r\n:P0\r\n,\r\n:P2\r\n)");
    ASSERT_EQ(engine.Statement.Rows.size(), 20u);
    EXPECT_EQ(engine.Statement.Rows[19][1].AsInt64(), 20);
    EXPECT_EQ(engine.ParamMap, (std::vector<int>{0, 2}));
}

TEST_F(FillRunStatement, GeneratorColumnGetsAnExpressionAndNoParameter) {
    field(1).FillType = fillGenerator;
    ASSERT_EQ(field(1).GeneratorName, "GEN_ID");
    projects.startInsert();
    EXPECT_EQ(engine.Statement.PreparedText,
              "insert into \"T\" (\r\n\"B\"\r\n)\r\nvalues (\r\nnext(\"GEN_ID\")\r\n)");
    EXPECT_EQ(engine.Statement.Executions, 20);
    EXPECT_EQ(project().Statistics.RowsInserted, 20);
    EXPECT_TRUE(engine.ParamMap.empty());
}

TEST_F(FillRunStatement, FullNullShareNeverAsksTheFieldForAValue) {
    increasing(0);
    increasing(1);
    field(1).IncludeNulls = true;
    field(1).NullPercentage = 100;
    field(0).IncludeNulls = true;
    field(0).NullPercentage = 0;
    projects.startInsert();
    for (const auto& row : engine.Statement.Rows) {
        EXPECT_FALSE(row[0].IsNull());
        EXPECT_TRUE(row[1].IsNull());
    }
    EXPECT_EQ(field(1).Counter, 1); // never advanced
    EXPECT_EQ(field(0).Counter, 21);
}

TEST_F(FillRunStatement, GeneratorWithoutNameTakesAParameter) {
    field(0).FillType = fillGenerator;
    field(0).GeneratorName.clear();
    projects.startInsert();
    EXPECT_EQ(engine.Statement.PreparedText, "insert into \"T\" (\r\n\"A\"\r\n)\r\nvalues (\r\n:P0\r\n)");
}

TEST_F(FillRunStatement, SetSQLWithoutFilledColumnRaises) {
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { project().SetSQLAndParamDatatypes(); }),
              "No columns to fill for table T - please check your settings.");
}

} // namespace
