// The toolbar commands on the whole set of tables: the settings file and the table order.
#include "WindowFixture.h"

#include "kvl3_lib/UHostSettings.h"

namespace {

using Names = std::vector<std::string>;

Names treeOrder(TFillerTreeModel& model) {
    Names names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.index(row, 0).data().toString().toStdString());
    return names;
}

bool ticked(TFillerTreeModel& model, int row) {
    return model.index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
}

TEST_F(RunControl, TablesMoveUpAndDownButNotPastTheEndsAndOpenedTablesStayOpen) {
    open();
    expanded("customers");
    tree().setCurrentIndex(tableNode("orders"));
    window->aMoveTableDownExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
    window->aMoveTableUpExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"orders", "customers"}));
    EXPECT_EQ(window->FillProjects().getFillProject(0)->TableName, "orders");
    EXPECT_TRUE(tree().isExpanded(tableNode("customers")));
    EXPECT_FALSE(tree().isExpanded(tableNode("orders")));
    EXPECT_EQ(tree().currentIndex(), tableNode("orders"));
    window->aMoveTableUpExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"orders", "customers"}));
    window->aMoveTableDownExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
}

// Ordering the marked tables or every table puts the referenced table first; the marks stay.
class Ordering : public RunControl, public ::testing::WithParamInterface<bool> {};

TEST_P(Ordering, PutsReferencedTablesFirstAndKeepsTheMarks) {
    const bool onlyToFill = GetParam();
    open();
    tree().setCurrentIndex(tableNode("orders"));
    window->aMoveTableUpExecute();
    mark("orders", 10);
    if (onlyToFill) mark("customers", 10);
    onlyToFill ? window->aShuffleOnlyToFillExecute() : window->aFillPlanExecute();
    EXPECT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
    EXPECT_EQ(ticked(model(), 0), onlyToFill);
    EXPECT_TRUE(ticked(model(), 1));
}

INSTANTIATE_TEST_SUITE_P(MarkedOrAll, Ordering, ::testing::Bool());

TEST_F(RunControl, SavedSettingsComeBackOnLoad) {
    open();
    mark("customers", 1234, 111);
    auto file = path.string() + ".tdg";
    window->SaveSettingsFile(file);
    EXPECT_EQ(kvl::KVL_HostSettings().LAST_USED_FOLDER, path.parent_path().string() + "/");

    TFillProject& customers = project("customers");
    customers.SetdoFill(false);
    customers.Rows = 5;
    customers.GetFillFields()[0]->FillType = fillFixed;
    model().Reset();
    ASSERT_FALSE(ticked(model(), 0));
    // the key's column page is open when the file is loaded
    tree().setCurrentIndex(model().index(0, 0, expanded("customers")));
    auto* fillWith = control<QComboBox>("cbFillWith");
    ASSERT_EQ(fillWith->currentText(), QString("Fixed Value"));
    window->LoadSettingsFile(file);
    std::filesystem::remove(file);
    EXPECT_EQ(customers.Rows, 1234);
    EXPECT_EQ(customers.RowsPerTransaction, 111);
    EXPECT_TRUE(ticked(model(), 0));
    EXPECT_EQ(fillWith->currentText(), QString("Increasing Values")) << "the page shows what was loaded";
    EXPECT_EQ(window->CurrentFillField(), customers.GetFillFields()[0].get());
}

TEST_F(RunControl, GuessingSetsTheMarkedTablesColumnsWithoutSettingsOrAllOfThemAgain) {
    open();
    TFillProject& customers = project("customers");
    customers.SetdoFill(true);
    auto& name = *customers.GetFillFields()[1];
    auto& note = *customers.GetFillFields()[2];
    name.FillType = fillFixed;
    window->aGuessSettingsExecute();
    EXPECT_EQ(name.FillType, fillFixed) << "a setting of the user's stays";
    EXPECT_EQ(note.FillType, fillList) << "a note gets sentences";
    EXPECT_FALSE(project("orders").HasFieldSettings()) << "an unmarked table is left alone";
    window->aGuessAllSettingsExecute();
    EXPECT_EQ(name.FillType, fillFullNames);
    EXPECT_TRUE(ticked(model(), 0));
}

} // namespace
