// The window on every reachable engine: links chosen on a column page come back when the column
// is shown again, and a run draws its keys from a sequence.
#include "WindowFixture.h"
#include "kvl3_db/TestDatabases.h"

#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/SysUtils.h"

#include <QComboBox>
#include <QToolButton>

namespace {

using kvl::test::Engine;

class EngineWindow : public kvl::test::EngineTest {
protected:
    void SetUp() override {
        kvl::KVL_RegisterStandardDrivers();
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        exec("create table customers (id integer not null primary key, name varchar(30) not null)");
        exec("create table orders (id integer not null primary key, customer_id integer not null "
             "references customers(id))");
        if (!is(Engine::SQLite)) exec("create sequence order_ids");
        kvl::MM_GetCurrentSessionName = [] { return std::string("engine demo"); };
        window =
            new TfrmTestDataGenerator(nullptr, conn_.get(), kvl::TKVL_InterfaceList(), conn_->Database());
    }

    void TearDown() override {
        delete window.data();
        EngineTest::TearDown();
    }

    // Names as the engine keeps them: Firebird folds unquoted names to capitals.
    QString named(const char* name) const {
        return QString::fromStdString(is(Engine::Firebird) ? kvl::UpperCase(name) : std::string(name));
    }

    QModelIndex tableNode(const char* table) const {
        TFillerTreeModel& model = window->TreeModel();
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.ProjectOf(model.index(row, 0))->TableName == named(table).toStdString())
                return model.index(row, 0);
        ADD_FAILURE() << "no table " << table;
        return {};
    }

    // Selects a column in the tree as the user does.
    template <class Field = TCustomFillField> Field* select(const char* table, const char* column) {
        TFillerTreeModel& model = window->TreeModel();
        auto* tree = window->findChild<QTreeView*>(QStringLiteral("tvFiller"));
        QModelIndex node = tableNode(table);
        tree->expand(node);
        for (int row = 0; row < model.rowCount(node); ++row) {
            QModelIndex child = model.index(row, 0, node);
            if (child.data().toString() != named(column)) continue;
            tree->setCurrentIndex(child);
            return dynamic_cast<Field*>(model.FillFieldOf(child));
        }
        ADD_FAILURE() << "no column " << column;
        return nullptr;
    }

    QComboBox* list(const char* name) const {
        return window->findChild<QComboBox*>(QString::fromLatin1(name));
    }

    // The user picks the entry of a drop-down list that names the object, bare or with its owner.
    void choose(const char* name, const QString& entry) {
        QComboBox* box = list(name);
        int index = -1;
        for (int i = 0; i < box->count() && index < 0; ++i)
            if (box->itemText(i) == entry || box->itemText(i).endsWith("." + entry)) index = i;
        ASSERT_GE(index, 0) << name << ": " << entry.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QString shown(const char* name) const { return list(name)->currentText(); }

    bool shows(const char* name, const QString& entry) const {
        QString text = shown(name);
        return text == entry || text.endsWith("." + entry);
    }

    QPointer<TfrmTestDataGenerator> window;
};

TEST_P(EngineWindow, AReferentialLinkShowsAsChosenWhenTheColumnIsShownAgain) {
    auto* link = select<TIntegerFillField>("orders", "customer_id");
    ASSERT_NE(link, nullptr);
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(link->RefTable, named("customers").toStdString()) << "taken from the foreign key";
    EXPECT_TRUE(shows("cbIntegerRefTable", named("customers"))) << shown("cbIntegerRefTable").toStdString();
    EXPECT_TRUE(shows("cbIntegerRefField", named("id")));

    // chosen by hand, then the column is left and shown again
    choose("cbIntegerRefTable", named("orders"));
    choose("cbIntegerRefField", named("id"));
    select("orders", "id");
    select("orders", "customer_id");
    EXPECT_EQ(link->RefTable, named("orders").toStdString());
    EXPECT_TRUE(shows("cbIntegerRefTable", named("orders"))) << shown("cbIntegerRefTable").toStdString();
    EXPECT_TRUE(shows("cbIntegerRefField", named("id")));
}

// SQLite has no sequences.
class SequenceEngineWindow : public EngineWindow {};

TEST_P(SequenceEngineWindow, ASequenceLinkShowsAgainAndARunDrawsTheKeysFromIt) {
    auto* key = select<TIntegerFillField>("customers", "id");
    ASSERT_NE(key, nullptr);
    choose("cbFillWith", list("cbFillWith")->itemText(3));
    choose("cbIntegerGenerator", named("order_ids"));
    EXPECT_EQ(key->GeneratorName, named("order_ids").toStdString());
    select("customers", "name");
    select("customers", "id");
    EXPECT_TRUE(shows("cbIntegerGenerator", named("order_ids")));

    TFillProject& customers = *window->TreeModel().ProjectOf(tableNode("customers"));
    customers.SetdoFill(true);
    customers.Rows = 25;
    customers.RowsPerTransaction = 10;
    auto* name = dynamic_cast<TTextFillField*>(customers.GetFillFields()[1].get());
    name->FillType = fillFixed;
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    window->findChild<QToolButton*>(QStringLiteral("btnRun"))->click();
    ASSERT_TRUE(WaitUntil([this] { return !window->Filling(); }, 60000));

    EXPECT_EQ(customers.Statistics.RowsInserted, 25) << customers.Statistics.Log.Text();
    EXPECT_EQ(scalar("select count(*) from customers"), "25");
    EXPECT_EQ(scalar("select min(id) from customers"), "1");
    EXPECT_EQ(scalar("select max(id) from customers"), "25");
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineWindow, kvl::test::AllEngines(), kvl::test::EngineParamName);
INSTANTIATE_TEST_SUITE_P(Engines, SequenceEngineWindow,
                         testing::Values(Engine::PostgreSQL, Engine::Firebird, Engine::MariaDB),
                         kvl::test::EngineParamName);

} // namespace
