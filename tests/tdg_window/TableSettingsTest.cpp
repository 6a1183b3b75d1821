#include "WindowFixture.h"

#include "kvl3_db/ServerKind.h"

#include <QAction>
#include <QCheckBox>
#include <QSpinBox>

namespace {

class TableSettings : public WindowOnSqlite {
protected:
    QSpinBox* rows() const { return control<QSpinBox>("edRowsToGenerate"); }
    QSpinBox* perTransaction() const { return control<QSpinBox>("edRowsPerTransaction"); }
    QCheckBox* empty() const { return control<QCheckBox>("cbEmptyTable"); }
    QCheckBox* indices() const { return control<QCheckBox>("cbDisableIndices"); }
    QCheckBox* triggers() const { return control<QCheckBox>("cbDisableTriggers"); }

    TFillProject* select(const std::string& table) {
        QModelIndex node = tableNode(table);
        tree().setCurrentIndex(node);
        return model().ProjectOf(node);
    }
};

TEST_F(TableSettings, SelectingATableShowsItsSettings) {
    open();
    TFillProject* customers = model().ProjectOf(tableNode("customers"));
    customers->Rows = 1234;
    customers->RowsPerTransaction = 56;
    customers->EmptyFirst = true;
    select("customers");
    EXPECT_EQ(rows()->value(), 1234);
    EXPECT_EQ(perTransaction()->value(), 56);
    EXPECT_TRUE(empty()->isChecked());
    EXPECT_TRUE(empty()->isEnabled());
    EXPECT_TRUE(rows()->isEnabled());

    select("orders");
    EXPECT_EQ(rows()->value(), 10000);
    EXPECT_EQ(perTransaction()->value(), 1000);
    EXPECT_FALSE(empty()->isChecked());
    EXPECT_EQ(customers->Rows, 1234) << "showing another table changes nothing";
}

TEST_F(TableSettings, EditsAreWrittenStraightIntoTheSelectedProject) {
    open();
    TFillProject* orders = select("orders");
    orders->SetdoFill(true);
    rows()->setValue(777);
    perTransaction()->setValue(70);
    empty()->click();
    EXPECT_EQ(orders->Rows, 777);
    EXPECT_EQ(orders->RowsPerTransaction, 70);
    EXPECT_TRUE(orders->EmptyFirst);
    EXPECT_EQ(tableNode("orders").data(TFillerTreeModel::StaticTextRole).toString(), "Rows: 777");
    EXPECT_EQ(model().ProjectOf(tableNode("customers"))->Rows, 10000);
}

TEST_F(TableSettings, OnOtherServerKindsDeactivationIsOffAndDisabled) {
    open();
    EXPECT_EQ(session->ServerKind(), kvl::skSQLite);
    for (const char* table : {"customers", "orders"}) {
        TFillProject* p = select(table);
        EXPECT_FALSE(p->DisableIndices);
        EXPECT_FALSE(p->DisableTriggers);
        EXPECT_FALSE(indices()->isEnabled());
        EXPECT_FALSE(indices()->isChecked());
        EXPECT_FALSE(triggers()->isEnabled());
        EXPECT_FALSE(triggers()->isChecked());
    }
    // a flag loaded from elsewhere still shows unticked here, and stays in the project
    TFillProject* orders = model().ProjectOf(tableNode("orders"));
    orders->DisableIndices = true;
    select("customers");
    select("orders");
    EXPECT_FALSE(indices()->isChecked());
    EXPECT_TRUE(orders->DisableIndices);
    EXPECT_TRUE(control<QAction>("miFillThreaded")->isEnabled());
}

class TableSettingsPerKind : public TableSettings, public ::testing::WithParamInterface<int> {};

TEST_P(TableSettingsPerKind, KindsWithSwitchableIndicesStartWithDeactivationOn) {
    open(GetParam());
    TFillProject* customers = select("customers");
    EXPECT_TRUE(customers->DisableIndices);
    EXPECT_TRUE(customers->DisableTriggers);
    EXPECT_TRUE(indices()->isEnabled());
    EXPECT_TRUE(indices()->isChecked());
    EXPECT_TRUE(triggers()->isEnabled());
    EXPECT_TRUE(triggers()->isChecked());

    indices()->click();
    EXPECT_FALSE(customers->DisableIndices);
    EXPECT_TRUE(customers->DisableTriggers);
    triggers()->click();
    EXPECT_FALSE(customers->DisableTriggers);
    select("orders");
    EXPECT_TRUE(indices()->isChecked()) << "the other table keeps its own flags";
    select("customers");
    EXPECT_FALSE(indices()->isChecked());
    EXPECT_TRUE(control<QAction>("miFillThreaded")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(FirebirdKinds, TableSettingsPerKind,
                         ::testing::Values(kvl::skFirebirdEmbedded, kvl::skFirebird));

// Only Firebird's single-connection mode keeps the run off the worker; the engine still reads the
// catalogue on the window's own connection.
struct TSingleConnectionCase {
    int kind;
    bool threaded;
};

class SingleConnection : public TableSettings, public ::testing::WithParamInterface<TSingleConnectionCase> {};

TEST_P(SingleConnection, TheWorkerIsOfferedUnlessTheServerHasOneConnection) {
    open(GetParam().kind, "0");
    EXPECT_EQ(control<QAction>("miFillThreaded")->isEnabled(), GetParam().threaded);
    EXPECT_TRUE(control<QAction>("miFillNonThreaded")->isEnabled());
    EXPECT_EQ(model().rowCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SingleConnection,
                         ::testing::Values(TSingleConnectionCase{kvl::skFirebirdEmbedded, false},
                                           TSingleConnectionCase{kvl::skFirebird, false},
                                           TSingleConnectionCase{kvl::skPostgreSQL, true}));

} // namespace
