// The toolbar commands on the whole set of tables: the settings file and the table order.
#include "RunControlFixture.h"

#include "kvl3_lib/UHostSettings.h"

namespace {

std::vector<std::string> treeOrder(TFillerTreeModel& model) {
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.index(row, 0).data().toString().toStdString());
    return names;
}

bool ticked(TFillerTreeModel& model, int row) {
    return model.index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
}

TEST_F(RunControl, TablesMoveUpAndDownButNotPastTheEnds) {
    open();
    using Names = std::vector<std::string>;
    ASSERT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
    tree().setCurrentIndex(tableNode("orders"));
    window->aMoveTableDownExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
    window->aMoveTableUpExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"orders", "customers"}));
    EXPECT_EQ(window->FillProjects().getFillProject(0)->TableName, "orders");
    window->aMoveTableUpExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"orders", "customers"}));
    window->aMoveTableDownExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
}

TEST_F(RunControl, MovingATableKeepsTheOpenedTablesOpen) {
    open();
    expanded("customers");
    tree().setCurrentIndex(tableNode("orders"));
    window->aMoveTableUpExecute();
    EXPECT_TRUE(tree().isExpanded(tableNode("customers")));
    EXPECT_FALSE(tree().isExpanded(tableNode("orders")));
    EXPECT_EQ(tree().currentIndex(), tableNode("orders"));
}

TEST_F(RunControl, OrderingPutsReferencedTablesFirstAndKeepsTheMarks) {
    open();
    tree().setCurrentIndex(tableNode("orders"));
    window->aMoveTableUpExecute();
    mark("orders", 10);
    mark("customers", 10);
    window->aShuffleOnlyToFillExecute();
    EXPECT_EQ(treeOrder(model()), (std::vector<std::string>{"customers", "orders"}));
    EXPECT_TRUE(ticked(model(), 0));
    EXPECT_TRUE(ticked(model(), 1));
}

TEST_F(RunControl, TheFillPlanOrdersEveryTableAndKeepsTheMarks) {
    open();
    tree().setCurrentIndex(tableNode("orders"));
    window->aMoveTableUpExecute();
    mark("orders", 10);
    window->aFillPlanExecute();
    EXPECT_EQ(treeOrder(model()), (std::vector<std::string>{"customers", "orders"}));
    EXPECT_FALSE(ticked(model(), 0));
    EXPECT_TRUE(ticked(model(), 1));
}

TEST_F(RunControl, SavedSettingsComeBackOnLoad) {
    open();
    mark("customers", 1234, 111);
    auto file = path.string() + ".tdg";
    window->SaveSettingsFile(file);
    EXPECT_EQ(kvl::KVL_HostSettings().LAST_USED_FOLDER, path.parent_path().string() + "/");

    TFillProject& customers = project("customers");
    customers.SetdoFill(false);
    customers.Rows = 5;
    model().Reset();
    ASSERT_FALSE(ticked(model(), 0));
    window->LoadSettingsFile(file);
    EXPECT_EQ(customers.Rows, 1234);
    EXPECT_EQ(customers.RowsPerTransaction, 111);
    EXPECT_TRUE(ticked(model(), 0));
    std::filesystem::remove(file);
}

TEST_F(RunControl, ControlsThatChangeTheProjectsAreOffDuringARun) {
    open();
    window->EnableControls(false);
    for (const char* name : {"aMoveTableUp", "aMoveTableDown", "aShuffleOnlyToFill", "aShuffleAll",
                             "aShuffleAllWithOptions", "aFillPlan"})
        EXPECT_FALSE(control<QAction>(name)->isEnabled()) << name;
    for (const char* name : {"btnLoad", "btnSave", "btnRun", "pnlLeft", "pnlRight"})
        EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(control<QWidget>("btnCancel")->isEnabled());
    window->EnableControls(true);
    EXPECT_TRUE(control<QAction>("aShuffleAll")->isEnabled());
    EXPECT_FALSE(control<QWidget>("btnCancel")->isEnabled());
}

} // namespace
