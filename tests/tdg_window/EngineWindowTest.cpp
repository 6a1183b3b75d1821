// The window on every reachable engine: links chosen on a column page come back when the column
// is shown again, and a run draws its keys from a sequence.
#include "WindowFixture.h"
#include "kvl3_db/TestDatabases.h"

#include "UTFillObject/TIntegerFillField.h"
#include "base/SysUtils.h"

namespace {

using kvl::test::Engine;

class EngineWindow : public kvl::test::EngineTest, protected WindowDriver {
protected:
    void SetUp() override {
        kvl::KVL_RegisterStandardDrivers();
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        exec("create table customers (id integer not null primary key, name varchar(30) not null)");
        exec("create table orders (id integer not null primary key, customer_id integer not null "
             "references customers(id))");
        if (!is(Engine::SQLite)) {
            exec("create sequence order_ids");
            exec("create sequence a_ids");
        }
        kvl::MM_GetCurrentSessionName = [] { return std::string("engine demo"); };
        window =
            new TfrmTestDataGenerator(nullptr, conn_.get(), kvl::TKVL_InterfaceList(), conn_->Database());
    }

    void TearDown() override {
        delete window.data();
        EngineTest::TearDown();
    }

    // Names as the engine keeps them: Firebird folds unquoted names to capitals.
    std::string named(const char* name) const { return is(Engine::Firebird) ? kvl::UpperCase(name) : name; }

    // Whether the list shows the object, bare or with its owner.
    bool shows(const char* list, const char* name) const {
        QString text = control<QComboBox>(list)->currentText();
        QString bare = QString::fromStdString(named(name));
        return text == bare || text.endsWith("." + bare);
    }

    template <class Field = TCustomFillField> Field* pick(const char* table, const char* column) {
        return select<Field>(named(table), named(column));
    }
};

TEST_P(EngineWindow, ReferentialAndSequenceLinksShowAsChosenAndARunDrawsTheKeysFromTheSequence) {
    auto* link = pick<TIntegerFillField>("orders", "customer_id");
    ASSERT_NE(link, nullptr);
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(link->RefTable, named("customers")) << "taken from the foreign key";
    EXPECT_TRUE(shows("cbIntegerRefTable", "customers"))
        << entries("cbIntegerRefTable").join(',').toStdString();
    EXPECT_TRUE(shows("cbIntegerRefField", "id"));

    // chosen by hand, then the column is left and shown again
    choose("cbIntegerRefTable", QString::fromStdString(named("orders")));
    choose("cbIntegerRefField", QString::fromStdString(named("id")));
    pick("orders", "id");
    pick("orders", "customer_id");
    EXPECT_EQ(link->RefTable, named("orders"));
    EXPECT_TRUE(shows("cbIntegerRefTable", "orders"));
    EXPECT_TRUE(shows("cbIntegerRefField", "id"));

    // only Firebird can switch indices and triggers off, so only there it is offered and on
    selectTable(named("orders"));
    EXPECT_EQ(control<QCheckBox>("cbDisableIndices")->isChecked(), is(Engine::Firebird));
    EXPECT_EQ(control<QCheckBox>("cbDisableTriggers")->isEnabled(), is(Engine::Firebird));

    // a sequence link shows again, and a run draws the keys from it
    auto* key = pick<TIntegerFillField>("customers", "id");
    ASSERT_NE(key, nullptr);
    choose("cbFillWith", entries("cbFillWith").value(3));
    EXPECT_EQ(key->FillType, fillGenerator);
    if (is(Engine::SQLite)) {
        // no sequences: the list stays empty and stores no name
        EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->count(), 0);
        emit control<QComboBox>("cbIntegerGenerator")->activated(-1);
        EXPECT_EQ(key->GeneratorName, "");
        return;
    }
    EXPECT_EQ(key->GeneratorName, named("a_ids")) << "a new field starts with the first sequence";
    QStringList sequences = entries("cbIntegerGenerator");
    EXPECT_EQ(sequences.size(), 2);
    EXPECT_TRUE(std::is_sorted(sequences.begin(), sequences.end())) << sequences.join(',').toStdString();
    EXPECT_EQ(entries("cbFloatGenerator"), sequences);
    choose("cbIntegerGenerator", QString::fromStdString(named("order_ids")));
    EXPECT_EQ(key->GeneratorName, named("order_ids"));

    // the list is read again when it is opened, and the choice stays
    exec("create sequence b_ids");
    conn_->Database()->Refresh();
    control<QComboBox>("cbIntegerGenerator")->showPopup();
    control<QComboBox>("cbIntegerGenerator")->hidePopup();
    EXPECT_EQ(entries("cbIntegerGenerator").size(), 3);
    EXPECT_TRUE(shows("cbIntegerGenerator", "order_ids"));
    auto* other = pick<TIntegerFillField>("orders", "id");
    other->GeneratorName = "DROPPED";
    pick("customers", "id");
    EXPECT_TRUE(shows("cbIntegerGenerator", "order_ids"));
    pick("orders", "id");
    EXPECT_EQ(control<QComboBox>("cbIntegerGenerator")->currentIndex(), -1)
        << "an unknown name shows no entry";

    TFillProject& customers = *model().ProjectOf(tableNode(named("customers")));
    customers.SetdoFill(true);
    customers.Rows = 25;
    customers.RowsPerTransaction = 10;
    customers.GetFillFields()[1]->FillType = fillFixed;
    BoxAnswers boxes;
    boxes.Next(QMessageBox::Yes);
    control<QToolButton>("btnRun")->click();
    ASSERT_TRUE(WaitUntil([this] { return !window->Filling(); }, 60000));

    EXPECT_EQ(customers.Statistics.RowsInserted, 25) << customers.Statistics.Log.Text();
    EXPECT_EQ(scalar("select count(*) from customers"), "25");
    EXPECT_EQ(scalar("select min(id) from customers"), "1");
    EXPECT_EQ(scalar("select max(id) from customers"), "25");
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineWindow, kvl::test::AllEngines(), kvl::test::EngineParamName);

} // namespace
