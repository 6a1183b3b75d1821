#include "WindowFixture.h"

#include "UTFillConstants.h"
#include "kvl3_lib/UImageList.h"
#include "kvl3_lib/UScreenCursor.h"

#include <QFont>
#include <QHeaderView>

namespace {

using Model = TFillerTreeModel;

QString text(const QModelIndex& node, int column, int role = Qt::DisplayRole) {
    return node.siblingAtColumn(column).data(role).toString();
}

TEST_F(WindowOnSqlite, TheWindowIsCaptionedWithTheSessionAndListsEveryTableUnmarked) {
    auto& w = open();
    EXPECT_EQ(w.GetCaption(), "Test Data Generator: local demo");
    ASSERT_EQ(model().rowCount(), 2);
    for (const char* name : {"customers", "orders"}) {
        QModelIndex node = tableNode(name);
        EXPECT_EQ(text(node, Model::colName, Model::StaticTextRole), "- don't fill -");
        EXPECT_EQ(node.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        EXPECT_EQ(node.data(Model::ImageIndexRole).toInt(), kvl::imgTable);
        EXPECT_FALSE(node.data(Qt::FontRole).value<QFont>().bold());
        EXPECT_TRUE(model().hasChildren(node));
    }
    // at the window's size every column is whole: the names take what the others leave
    window->show();
    ASSERT_TRUE(WaitUntil([this] { return tree().header()->sectionSize(0) > 0; }));
    QHeaderView* header = tree().header();
    EXPECT_GE(header->sectionSize(3), std::max(48, header->sectionSizeHint(3)));
    EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3), tree().viewport()->width());
    EXPECT_GE(header->sectionSize(0), 100);
}

TEST_F(WindowOnSqlite, ExpandingATableReadsItsColumnsUnderTheWaitCursor) {
    open();
    TFillProject* customers = model().ProjectOf(tableNode("customers"));
    EXPECT_FALSE(customers->FillFieldsRead()) << "columns are read only when needed";
    bool waitWhileReading = false;
    QObject::connect(&model(), &QAbstractItemModel::rowsInserted,
                     [&] { waitWhileReading = kvl::ScreenCursorIsWait(); });

    QModelIndex node = expanded("customers");
    EXPECT_TRUE(waitWhileReading);
    EXPECT_FALSE(kvl::ScreenCursorIsWait());
    EXPECT_TRUE(customers->FillFieldsRead());
    EXPECT_FALSE(model().ProjectOf(tableNode("orders"))->FillFieldsRead());
    ASSERT_EQ(model().rowCount(node), 3);

    QModelIndex id = model().index(0, 0, node), name = model().index(1, 0, node),
                note = model().index(2, 0, node);
    EXPECT_EQ(text(id, Model::colName), "id");
    EXPECT_EQ(text(name, Model::colName), "name");
    EXPECT_EQ(text(name, Model::colFieldType), "varchar(30)");
    EXPECT_EQ(text(note, Model::colFieldType), "TEXT");
    EXPECT_EQ(id.data(Model::ImageIndexRole).toInt(), kvl::imgColumn);
    EXPECT_FALSE(id.data(Qt::CheckStateRole).isValid()) << "columns have no check box";

    auto glyph = [](const QModelIndex& n, int column) {
        return n.siblingAtColumn(column).data(Model::GlyphCheckedRole).toBool();
    };
    EXPECT_TRUE(glyph(id, Model::colPrimaryKey));
    EXPECT_FALSE(glyph(name, Model::colPrimaryKey));
    EXPECT_TRUE(glyph(name, Model::colNotNull));
    EXPECT_FALSE(glyph(note, Model::colNotNull));
    EXPECT_FALSE(node.siblingAtColumn(Model::colNotNull).data(Model::GlyphCheckedRole).isValid());
}

TEST_F(WindowOnSqlite, MarkingATableFillsItAndShowsItsRowsInBold) {
    auto& w = open();
    QModelIndex node = tableNode("orders");
    ASSERT_TRUE(model().setData(node, Qt::Checked, Qt::CheckStateRole));
    TFillProject* orders = model().ProjectOf(node);
    EXPECT_TRUE(orders->doFill);
    EXPECT_EQ(text(node, Model::colName, Model::StaticTextRole), "Rows: 10000");
    EXPECT_TRUE(node.data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(w.SelectedProject(), orders) << "the checked node is selected";
    EXPECT_EQ(tree().currentIndex().row(), node.row());
    EXPECT_EQ(w.FillProjects().GetProjectToFillCount(), 1);

    model().setData(node, Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_FALSE(orders->doFill);
    EXPECT_EQ(text(node, Model::colName, Model::StaticTextRole), "- don't fill -");
}

TEST_F(WindowOnSqlite, AnUnmarkedTableWithColumnSettingsIsItalic) {
    open();
    QModelIndex node = expanded("customers");
    EXPECT_FALSE(node.data(Qt::FontRole).value<QFont>().italic());
    TFillProject* customers = model().ProjectOf(node);
    customers->GetFillFields()[1]->FillType = fillFixed;
    QModelIndex name = model().index(1, 0, node);
    EXPECT_TRUE(node.data(Qt::FontRole).value<QFont>().italic());
    EXPECT_EQ(name.data(Model::ImageIndexRole).toInt(), kvl::imgColumnReady);
    customers->SetdoFill(true);
    QFont font = node.data(Qt::FontRole).value<QFont>();
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
}

TEST_F(WindowOnSqlite, SelectingAColumnShowsItsTableAsWell) {
    auto& w = open();
    QModelIndex orders = expanded("orders");
    QModelIndex amount = model().index(2, 0, orders);
    tree().setCurrentIndex(amount);
    EXPECT_EQ(w.SelectedProject(), model().ProjectOf(orders));
    EXPECT_EQ(w.CurrentFillField(), model().FillFieldOf(amount));
    EXPECT_EQ(w.CurrentFillField()->ColumnName, "amount");

    tree().setCurrentIndex(tableNode("customers"));
    EXPECT_EQ(w.SelectedProject(), model().ProjectOf(tableNode("customers")));
}

TEST_F(WindowOnSqlite, RebuildingTheTreeForgetsTheSelection) {
    auto& w = open();
    tree().setCurrentIndex(tableNode("orders"));
    model().ProjectOf(tableNode("orders"))->SetdoFill(true);
    w.FillTreeview();
    EXPECT_EQ(w.SelectedProject(), nullptr);
    ASSERT_EQ(model().rowCount(), 2);
    EXPECT_EQ(text(tableNode("orders"), Model::colName, Model::StaticTextRole), "- don't fill -");
}

} // namespace
