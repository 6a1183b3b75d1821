// The tree of tables and columns, the settings of the selected table, and the toolbar commands on
// the whole set of tables: the settings file and the table order.
#include "WindowFixture.h"

#include "kvl3_db/ServerKind.h"
#include "kvl3_lib/UHostSettings.h"
#include "kvl3_lib/UImageList.h"
#include "kvl3_lib/UScreenCursor.h"

namespace {

using Model = TFillerTreeModel;
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

QString text(const QModelIndex& node, int column, int role = Qt::DisplayRole) {
    return node.siblingAtColumn(column).data(role).toString();
}

QFont font(const QModelIndex& node) {
    return node.data(Qt::FontRole).value<QFont>();
}

TEST_F(WindowOnSqlite, TheTreeShowsTheTablesAndTheirColumnsAndTheSelectedTablesSettings) {
    auto& w = open();
    EXPECT_EQ(w.GetCaption(), "Test Data Generator: local demo");
    ASSERT_EQ(model().rowCount(), 2);
    for (const char* name : {"customers", "orders"}) {
        QModelIndex node = tableNode(name);
        EXPECT_EQ(text(node, Model::colName, Model::StaticTextRole), "- don't fill -");
        EXPECT_EQ(node.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        EXPECT_EQ(node.data(Model::ImageIndexRole).toInt(), kvl::imgTable);
        EXPECT_FALSE(font(node).bold());
    }
    // marking a table fills it in bold; settings of an unmarked one show italic
    QModelIndex node = tableNode("orders");
    ASSERT_TRUE(model().setData(node, Qt::Checked, Qt::CheckStateRole));
    TFillProject* orders = model().ProjectOf(node);
    EXPECT_TRUE(orders->doFill);
    EXPECT_EQ(text(node, Model::colName, Model::StaticTextRole), "Rows: 10000");
    EXPECT_TRUE(font(node).bold());
    EXPECT_EQ(w.SelectedProject(), orders) << "the checked node is selected";
    EXPECT_EQ(tree().currentIndex().row(), node.row());
    EXPECT_EQ(w.FillProjects().GetProjectToFillCount(), 1);
    model().setData(node, Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_FALSE(orders->doFill);
    EXPECT_EQ(text(node, Model::colName, Model::StaticTextRole), "- don't fill -");

    node = expanded("customers");
    EXPECT_FALSE(font(node).italic());
    TFillProject* customers = model().ProjectOf(node);
    customers->GetFillFields()[1]->FillType = fillFixed;
    EXPECT_TRUE(font(node).italic());
    EXPECT_EQ(model().index(1, 0, node).data(Model::ImageIndexRole).toInt(), kvl::imgColumnReady);
    customers->SetdoFill(true);
    EXPECT_TRUE(font(node).bold());
    EXPECT_FALSE(font(node).italic());

    // selecting a column selects its table, and rebuilding the tree forgets it
    tree().setCurrentIndex(model().index(2, 0, expanded("orders")));
    EXPECT_EQ(w.SelectedProject(), orders);
    EXPECT_EQ(w.CurrentFillField()->ColumnName, "amount");
    orders->SetdoFill(true);
    w.FillTreeview();
    EXPECT_EQ(w.SelectedProject(), nullptr);
    ASSERT_EQ(model().rowCount(), 2);
    EXPECT_EQ(text(tableNode("orders"), Model::colName, Model::StaticTextRole), "- don't fill -");

    // at the window's size every column is whole: the names take what the others leave
    window->show();
    ASSERT_TRUE(WaitUntil([this] { return tree().header()->sectionSize(0) > 0; }));
    QHeaderView* header = tree().header();
    EXPECT_GE(header->sectionSize(3), std::max(48, header->sectionSizeHint(3)));
    EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3), tree().viewport()->width());
    EXPECT_GE(header->sectionSize(0), 100);

    // expanding a table reads its columns under the wait cursor
    customers = model().ProjectOf(tableNode("customers"));
    EXPECT_FALSE(customers->FillFieldsRead()) << "columns are read only when needed";
    bool waitWhileReading = false;
    QObject::connect(&model(), &QAbstractItemModel::rowsInserted,
                     [&] { waitWhileReading = kvl::ScreenCursorIsWait(); });
    node = expanded("customers");
    EXPECT_TRUE(waitWhileReading);
    EXPECT_FALSE(kvl::ScreenCursorIsWait());
    EXPECT_FALSE(model().ProjectOf(tableNode("orders"))->FillFieldsRead());
    ASSERT_EQ(model().rowCount(node), 3);

    QModelIndex id = model().index(0, 0, node), name = model().index(1, 0, node),
                note = model().index(2, 0, node);
    EXPECT_EQ(text(name, Model::colName), "name");
    EXPECT_EQ(text(name, Model::colFieldType), "varchar(30)");
    EXPECT_EQ(text(note, Model::colFieldType), "TEXT");
    EXPECT_EQ(id.data(Model::ImageIndexRole).toInt(), kvl::imgColumn);
    EXPECT_FALSE(id.data(Qt::CheckStateRole).isValid()) << "columns have no check box";
    auto glyph = [](const QModelIndex& n, int column) {
        return n.siblingAtColumn(column).data(Model::GlyphCheckedRole);
    };
    EXPECT_TRUE(glyph(id, Model::colPrimaryKey).toBool());
    EXPECT_FALSE(glyph(name, Model::colPrimaryKey).toBool());
    EXPECT_TRUE(glyph(name, Model::colNotNull).toBool());
    EXPECT_FALSE(glyph(note, Model::colNotNull).toBool());
    EXPECT_FALSE(glyph(node, Model::colNotNull).isValid());

    // selecting a table shows its settings, and edits go straight into it
    customers = selectTable("customers");
    control<QSpinBox>("edRowsToGenerate")->setValue(777);
    control<QSpinBox>("edRowsPerTransaction")->setValue(70);
    control<QCheckBox>("cbEmptyTable")->click();
    customers->SetdoFill(true);
    EXPECT_EQ(customers->Rows, 777);
    EXPECT_EQ(customers->RowsPerTransaction, 70);
    EXPECT_TRUE(customers->EmptyFirst);
    EXPECT_EQ(tableNode("customers").data(TFillerTreeModel::StaticTextRole).toString(), "Rows: 777");

    selectTable("orders");
    EXPECT_EQ(control<QSpinBox>("edRowsToGenerate")->value(), 10000);
    EXPECT_EQ(control<QSpinBox>("edRowsPerTransaction")->value(), 1000);
    EXPECT_FALSE(control<QCheckBox>("cbEmptyTable")->isChecked());
    EXPECT_EQ(customers->Rows, 777) << "showing another table changes nothing";
    selectTable("customers");
    EXPECT_EQ(control<QSpinBox>("edRowsToGenerate")->value(), 777);
    EXPECT_EQ(control<QSpinBox>("edRowsPerTransaction")->value(), 70);
    EXPECT_TRUE(control<QCheckBox>("cbEmptyTable")->isChecked());
}

TEST_F(RunControl, TablesMoveUpAndDownButNotPastTheEndsAndOrderingPutsReferencedTablesFirst) {
    open();
    expanded("customers");
    selectTable("orders");
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

    // ordering every table or the marked ones puts the referenced table first; the marks stay
    for (bool onlyToFill : {false, true}) {
        selectTable("orders");
        window->aMoveTableUpExecute();
        mark("orders", 10);
        if (onlyToFill) mark("customers", 10);
        onlyToFill ? window->aShuffleOnlyToFillExecute() : window->aFillPlanExecute();
        EXPECT_EQ(treeOrder(model()), (Names{"customers", "orders"}));
        EXPECT_EQ(ticked(model(), 0), onlyToFill);
        EXPECT_TRUE(ticked(model(), 1));
    }
}

TEST_F(RunControl, SavedSettingsComeBackOnLoadAndGuessesFillTheRest) {
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

    // guessing sets the marked tables' columns without settings, or all of them again
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

// Deactivating indices and triggers is offered, and on by default, where the server can switch
// them; only a single-connection server keeps the run off the worker.
struct TServerCase {
    int kind;
    const char* mode;
    bool deactivation;
    bool threaded;
};

class ServerKinds : public WindowOnSqlite, public ::testing::WithParamInterface<TServerCase> {};

TEST_P(ServerKinds, OfferDeactivationAndTheWorkerAsTheServerAllows) {
    const TServerCase& c = GetParam();
    open(c.kind, c.mode);
    EXPECT_EQ(model().rowCount(), 2) << "the catalogue is read on the window's own connection";
    EXPECT_EQ(control<QAction>("miFillThreaded")->isEnabled(), c.threaded);
    EXPECT_TRUE(control<QAction>("miFillNonThreaded")->isEnabled());
    TFillProject* customers = selectTable("customers");
    auto* indices = control<QCheckBox>("cbDisableIndices");
    auto* triggers = control<QCheckBox>("cbDisableTriggers");
    for (QCheckBox* box : {indices, triggers}) {
        EXPECT_EQ(box->isEnabled(), c.deactivation);
        EXPECT_EQ(box->isChecked(), c.deactivation);
    }
    EXPECT_EQ(customers->DisableIndices, c.deactivation);
    EXPECT_EQ(customers->DisableTriggers, c.deactivation);
    if (!c.deactivation) {
        // a flag loaded from elsewhere still shows unticked here, and stays in the project
        customers->DisableIndices = true;
        selectTable("orders");
        selectTable("customers");
        EXPECT_FALSE(indices->isChecked());
        EXPECT_TRUE(customers->DisableIndices);
        return;
    }
    indices->click();
    EXPECT_FALSE(customers->DisableIndices);
    EXPECT_TRUE(customers->DisableTriggers);
    triggers->click();
    EXPECT_FALSE(customers->DisableTriggers);
    selectTable("orders");
    EXPECT_TRUE(indices->isChecked()) << "the other table keeps its own flags";
    selectTable("customers");
    EXPECT_FALSE(indices->isChecked());
}

INSTANTIATE_TEST_SUITE_P(Kinds, ServerKinds,
                         ::testing::Values(TServerCase{0, "1", false, true},
                                           TServerCase{kvl::skFirebird, "1", true, true},
                                           TServerCase{kvl::skFirebirdEmbedded, "0", true, false},
                                           TServerCase{kvl::skPostgreSQL, "0", false, true}));

} // namespace
