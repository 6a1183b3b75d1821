#include "support/SqliteTestEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

KFillRecord integerColumn(const std::string& name, bool nullable = true) {
    KFillRecord rec;
    rec.DataTypeName = "Integer";
    rec.ColumnName = name;
    rec.Nullable = nullable;
    return rec;
}

// The run end to end on a database file: rows, failed rows and commits as another client of
// the database sees them.
class FillRunSqlite : public ::testing::Test {
protected:
    void SetUp() override {
        path = ::testing::TempDir() + "fillrun_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        std::remove(path.c_str());
        probe = std::make_unique<SqliteProbe>("sqlite:" + path);
        // readers must see committed rows while the run holds its transaction open
        probe->Value("pragma journal_mode=wal");
        probe->Execute("create table t (id integer not null unique, qty integer)");
        engine = std::make_unique<SqliteTestEngine>("sqlite:" + path);
        engine->AddTable("t", {integerColumn("id", false), integerColumn("qty")});
        projects.SetStructureEngine(engine.get());
        projects.CreateStructure();
        setUpTableT();
    }
    // id counts up from 1, qty is random in 10..20
    void setUpTableT() {
        TFillFieldList& fields = table().GetFillFields();
        auto& id = static_cast<TIntegerFillField&>(*fields[0]);
        id.FillType = fillIncreasing;
        id.RangeFrom = 1;
        id.StaticValue = 1;
        auto& qty = static_cast<TIntegerFillField&>(*fields[1]);
        qty.FillType = fillRandom;
        qty.RangeFrom = 10;
        qty.RangeTo = 20;
        table().doFill = true;
    }
    void TearDown() override {
        projects.SetStructureEngine(nullptr);
        engine.reset();
        probe.reset();
        for (const char* suffix : {"", "-wal", "-shm"})
            std::remove((path + suffix).c_str());
    }

    TFillProject& table() { return *projects.getFillProject(0); }

    std::string path;
    std::unique_ptr<SqliteProbe> probe;
    std::unique_ptr<SqliteTestEngine> engine;
    TFillProjects projects;
};

TEST_F(FillRunSqlite, RowsLandWithTheirValues) {
    table().Rows = 250;
    table().RowsPerTransaction = 100;
    projects.startInsert();
    EXPECT_EQ(probe->Count("t"), 250);
    EXPECT_EQ(probe->Value("select min(id) || ' ' || max(id) from t"), "1 250");
    EXPECT_EQ(probe->Value("select count(*) from t where qty < 10 or qty > 20 or qty is null"), "0");
    EXPECT_EQ(table().Statistics.RowsInserted, 250);
    EXPECT_EQ(engine->Commits, 3);
}

TEST_F(FillRunSqlite, FailedRowIsLoggedWithTheServersWordsAndTheRestIsFilled) {
    probe->Execute("insert into t (id, qty) values (5, 0)");
    table().Rows = 10;
    projects.startInsert();
    EXPECT_EQ(probe->Count("t"), 10);
    EXPECT_EQ(probe->Value("select count(*) from t where id = 10"), "1");
    EXPECT_EQ(table().Statistics.RowsInserted, 9);
    EXPECT_EQ(table().Statistics.ErrorCount, 1);
    const kvl::TStringList& log = table().Statistics.Log;
    EXPECT_EQ(log[6], "Error (row 5):");
    EXPECT_NE(log[7].find("UNIQUE constraint failed: t.id"), std::string::npos) << log[7];
    EXPECT_EQ(log[8], "");
}

TEST_F(FillRunSqlite, FixedValueOnAUniqueColumnFailsEveryRowButTheFirst) {
    auto& id = static_cast<TIntegerFillField&>(*table().GetFillFields()[0]);
    id.FillType = fillFixed;
    id.StaticValue = 7;
    table().Rows = 12;
    table().RowsPerTransaction = 5;
    projects.startInsert();
    EXPECT_EQ(probe->Count("t"), 1);
    EXPECT_EQ(table().Statistics.ErrorCount, 11);
    EXPECT_EQ(table().Statistics.Log.IndexOf("Error (row 12):"), 6 + 3 * 10);
}

TEST_F(FillRunSqlite, OtherClientsSeeRowsAtEachCommitPoint) {
    table().Rows = 250;
    table().RowsPerTransaction = 100;
    std::vector<std::string> wrong;
    projects.OnFillProgress = [&](TFillProject*, int row, int, int, kvl::TDateTime, kvl::TDateTime) {
        if (row == 0) return;
        // reported before the commit test of the same row
        const int expected = (row - 1) / 100 * 100;
        const int seen = probe->Count("t");
        if (seen != expected) wrong.push_back("row " + std::to_string(row) + " sees " + std::to_string(seen));
    };
    projects.startInsert();
    EXPECT_TRUE(wrong.empty()) << wrong.front();
    EXPECT_EQ(probe->Count("t"), 250);
}

TEST_F(FillRunSqlite, StoppedTableKeepsItsRowsCommitted) {
    probe->Execute("create table u (x integer)");
    engine->AddTable("u", {integerColumn("x")});
    projects.CreateStructure();
    table().GetFillFields()[0]->FillType = fillIncreasing;
    static_cast<TIntegerFillField&>(*table().GetFillFields()[0]).StaticValue = 1;
    table().doFill = true;
    table().Rows = 1000;
    table().RowsPerTransaction = 0;
    projects.getFillProject(1)->doFill = true;
    projects.getFillProject(1)->GetFillFields()[0]->FillType = fillFixed;
    projects.OnFillProgress = [&](TFillProject*, int row, int, int, kvl::TDateTime, kvl::TDateTime) {
        if (row == 150) projects.stopInsert();
    };
    projects.startInsert();
    EXPECT_EQ(probe->Count("t"), 150);
    EXPECT_EQ(probe->Count("u"), 0);
}

TEST_F(FillRunSqlite, EmptyFirstRemovesTheOldRows) {
    probe->Execute("insert into t (id, qty) values (1000, 0)");
    table().EmptyFirst = true;
    table().Rows = 3;
    projects.startInsert();
    EXPECT_EQ(probe->Value("select group_concat(id) from (select id from t order by id)"), "1,2,3");
}

TEST_F(FillRunSqlite, ChildTableRefersToRowsTheRunPutIntoItsParent) {
    probe->Execute("create table child (parent_id integer not null references t (id))");
    engine->AddTable("child", {integerColumn("parent_id", false)});
    projects.CreateStructure();
    setUpTableT();
    table().Rows = 30;
    TFillProject& child = *projects.getFillProject(1);
    TCustomFillField& ref = *child.GetFillFields()[0];
    ref.FillType = fillReferential;
    ref.RefTable = "t";
    ref.RefColumn = "id";
    child.doFill = true;
    child.Rows = 100;
    projects.startInsert();
    EXPECT_EQ(probe->Count("child"), 100);
    EXPECT_EQ(probe->Value("select count(*) from child where parent_id not in (select id from t)"), "0");
    EXPECT_EQ(child.Statistics.ErrorCount, 0);
}

} // namespace
