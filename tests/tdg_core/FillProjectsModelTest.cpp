#include "FillFieldTestKit.h"

namespace {

class FillProjectsModel : public ::testing::Test {
protected:
    void SetUp() override {
        engine.Generators = {"gen_b", "GEN_A"};
        engine.AddTable("CUSTOMERS", {{"ID", "Integer", false}, {"NAME", "Varchar", true, 40}}, "SALES");
        engine.AddTable("ORDERS",
                        {{"ID", "Integer", false}, {"CUSTOMER_ID", "Integer", false, 0, 0, 0, true}});
        engine.AddTable("customers", {{"X", "Integer"}}, "ARCHIVE");
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
    }
    RecordingEngine engine;
    TFillProjects projects;
};

TEST(FillProjectsDefaults, NewProjectsCopyTheDefaultsOfTheirMoment) {
    TFillProjects projects;
    TFillProject before(&projects);
    projects.SetdefaultRows(50);
    projects.SetdefaultIndex(true);
    TFillProject after(&projects);
    EXPECT_EQ(before.Rows, 10000);
    EXPECT_FALSE(before.DisableIndices);
    EXPECT_EQ(after.Rows, 50);
    EXPECT_TRUE(after.DisableIndices);
}

TEST_F(FillProjectsModel, CreateStructureBuildsOneUnmarkedProjectPerTableInOrder) {
    ASSERT_EQ(projects.GetProjectCount(), 3);
    EXPECT_EQ(projects.getFillProject(0)->TableName, "CUSTOMERS");
    EXPECT_EQ(projects.getFillProject(0)->TableOwner, "SALES");
    EXPECT_EQ(projects.getFillProject(1)->TableOwner, "");
    EXPECT_EQ(projects.GetProjectToFillCount(), 0);
    EXPECT_EQ(projects.getFillProject(0)->Generators, &projects.Generators);
    ASSERT_EQ(projects.Generators.Count(), 2);
    EXPECT_EQ(projects.Generators[0], "GEN_A"); // sorted
    EXPECT_EQ(engine.Calls.front(), "Connect");
    EXPECT_EQ(engine.Calls.back(), "Disconnect");
    EXPECT_EQ(engine.GetFieldsCalls, 0); // columns are read when first needed
    EXPECT_THROW(projects.getFillProject(3), kvl::EListError);
    projects.getFillProject(0)->doFill = true;
    projects.CreateStructure();
    EXPECT_EQ(projects.GetProjectToFillCount(), 0) << "creating again discards the settings";
}

TEST_F(FillProjectsModel, MovingKeepsTheOrderAtTheEnds) {
    TFillProject* first = projects.getFillProject(0);
    TFillProject* last = projects.getFillProject(2);
    projects.moveProjectUp(0);
    projects.moveProjectDown(2);
    EXPECT_EQ(projects.getFillProject(0), first);
    EXPECT_EQ(projects.getFillProject(2), last);
    projects.MoveProjectDown(first);
    EXPECT_EQ(projects.IndexOfProject(first), 1);
    projects.MoveProjectUp(last);
    EXPECT_EQ(projects.IndexOfProject(last), 1);
    EXPECT_EQ(projects.IndexOfProject(first), 2);
    TFillProject stranger(&projects);
    projects.MoveProjectDown(&stranger);
    projects.MoveProjectUp(&stranger);
    EXPECT_EQ(projects.IndexOfProject(&stranger), -1);
    EXPECT_EQ(projects.getFillProject(2), first);
}

TEST_F(FillProjectsModel, ByNameFindsQualifiedAndBareNamesInAnyCase) {
    EXPECT_EQ(projects.Projects.ByName("sales.customers"), engine.Tables[0].Object);
    EXPECT_EQ(projects.Projects.ByName("archive.CUSTOMERS"), engine.Tables[2].Object);
    // the bare name finds the first of two same-named tables
    EXPECT_EQ(projects.Projects.ByName("Customers"), engine.Tables[0].Object);
    EXPECT_EQ(projects.Projects.ByName("orders"), engine.Tables[1].Object);
    EXPECT_EQ(projects.Projects.ByName("nothing"), nullptr);
}

TEST_F(FillProjectsModel, FieldSettingsAreReadLazilyAndOnlyOnce) {
    TFillProject* p = projects.getFillProject(0);
    EXPECT_FALSE(p->HasFieldSettings());
    EXPECT_EQ(engine.GetFieldsCalls, 0);
    ASSERT_EQ(p->GetFillFields().size(), 2u);
    EXPECT_FALSE(p->HasFieldSettings());
    p->GetFillFields()[1]->FillType = fillFixed;
    EXPECT_TRUE(p->HasFieldSettings());
    p->GetFillFields();
    EXPECT_EQ(engine.GetFieldsCalls, 1);
    kvl::TStringList names;
    projects.getTableColumns(engine.Tables[0].Object, names);
    EXPECT_EQ(names.Text(), "ID\r\nNAME");
    auto unknown = std::make_shared<FakeTableObject>("CUSTOMERS", "SALES");
    projects.getTableColumns(unknown, names);
    EXPECT_TRUE(names.IsEmpty());
}

TEST_F(FillProjectsModel, ValidationFindsUnfilledMandatoryColumns) {
    TFillProject* orders = projects.getFillProject(1);
    EXPECT_FALSE(orders->validateProjectNoFill());
    EXPECT_EQ(orders->validateProjectNotNull(), 0); // ID: NOT NULL, no default, not filled
    orders->GetFillFields()[0]->FillType = fillRandom;
    EXPECT_TRUE(orders->validateProjectNoFill());
    EXPECT_EQ(orders->validateProjectNotNull(), -1); // CUSTOMER_ID has a default
}

TEST(FillProjectsEngine, FreeingTheEngineClearsTheReference) {
    TFillProjects projects;
    {
        RecordingEngine engine;
        projects.SetStructureEngine(&engine);
        EXPECT_EQ(projects.StructureEngine, &engine);
    }
    EXPECT_EQ(projects.StructureEngine, nullptr);
}

} // namespace
