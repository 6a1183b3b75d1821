#include "FillFieldTestKit.h"
#include "kvl3_db/TestDatabases.h"
#include "uTDGTableShuffle.h"
#include "uTFillStructureEngineVEX.h"

namespace {

// The names come from the recording engine's table object; only the foreign keys matter here.
class Key : public FakeTableObject, public kvl::IKVL_ForeignKey {
public:
    explicit Key(std::string to) : FakeTableObject("fk", ""), to_(std::move(to)) {}
    std::string ReferencedTable() const override { return to_; }
    std::string ReferencedTableOwner() const override { return ""; }
    std::vector<std::string> ColumnNames() const override { return {}; }
    std::vector<std::string> ReferencedColumnNames() const override { return {}; }

private:
    std::string to_;
};

class Table : public FakeTableObject, public kvl::IKVL_Table {
public:
    Table(std::string name, std::vector<std::string> parents)
        : FakeTableObject(std::move(name), ""), keys_(std::make_shared<kvl::TKVL_InterfaceList>()) {
        for (auto& p : parents)
            keys_->Add(std::make_shared<Key>(p));
    }
    kvl::TKVL_InterfaceListRef Columns() const override {
        return std::make_shared<kvl::TKVL_InterfaceList>();
    }
    kvl::TKVL_InterfaceListRef Triggers() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef Indices() const override { return nullptr; }
    std::shared_ptr<kvl::IKVL_Key> PrimaryKey() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef ForeignKeys() const override { return keys_; }
    std::string ReferenceName() const override { return Name(); }

private:
    kvl::TKVL_InterfaceListRef keys_;
};

class View : public FakeTableObject, public kvl::IKVL_View {
public:
    View() : FakeTableObject("V", "") {}
};

std::string orderOf(const TFillProjects& projects) {
    std::string s;
    for (TFillProject* p : projects.Projects)
        s += (s.empty() ? "" : " ") + p->TableName;
    return s;
}

class TableShuffle : public ::testing::Test {
protected:
    TFillProject* add(const std::string& name, std::vector<std::string> parents = {}) {
        auto* p = new TFillProject(&projects);
        p->TableName = name;
        p->TableObject = std::make_shared<Table>(name, std::move(parents));
        projects.Projects.Add(p);
        return p;
    }
    std::string order() const { return orderOf(projects); }
    TFillProjects projects;
};

// Parents before children, independent tables by descending name, a cycle broken where it
// costs the fewest forced placements, at the first name among equals.
TEST_F(TableShuffle, ParentsComeBeforeChildren) {
    using Tables = std::vector<std::pair<std::string, std::vector<std::string>>>;
    const std::pair<Tables, std::string> cases[] = {
        {{{"T3", {"T2"}}, {"T2", {"T1"}}, {"T1", {}}}, "T1 T2 T3"},
        {{{"x", {}}, {"Z", {}}, {"y", {}}}, "Z y x"},
        // C waits for itself, so the cycle rule places it
        {{{"D", {"B", "C"}}, {"B", {"A"}}, {"C", {"A", "C"}}, {"A", {}}, {"S", {"S"}}}, "S A B C D"},
        {{{"Q", {"P"}}, {"P", {"Q"}}}, "P Q"},
        {{{"C1", {"C3"}}, {"C2", {"C1"}}, {"C3", {"C2"}}, {"LEAF", {"C2"}}}, "C1 C2 LEAF C3"},
    };
    for (const auto& [tables, expected] : cases) {
        projects.Projects.Clear();
        for (const auto& [name, parents] : tables)
            add(name, parents);
        ShuffleTablesAccordingToFKs(projects.Projects);
        EXPECT_EQ(order(), expected);
    }
}

TEST_F(TableShuffle, ViewsGoToTheEndAndNothingIsFreed) {
    add("B", {"A"});
    auto* v = new TFillProject(&projects);
    v->TableName = "V";
    v->TableObject = std::make_shared<View>();
    projects.Projects.Add(v);
    add("A");
    ShuffleTablesAccordingToFKs(projects.Projects);
    EXPECT_EQ(order(), "A B V");
    EXPECT_TRUE(projects.Projects.OwnsObjects);
}

// Without foreign keys nothing at all happens, not even a check of the method.
TEST_F(TableShuffle, NothingMovesWhereTheServerHasNoForeignKeys) {
    class Schema : public FakeTableObject, public kvl::IKVL_Schema {
    public:
        Schema() : FakeTableObject("", "") {}
        kvl::TKVL_InterfaceListRef Tables() const override { return nullptr; }
        kvl::TKVL_InterfaceListRef Relations() const override { return nullptr; }
        kvl::TKVL_InterfaceListRef Generators() const override { return nullptr; }
        kvl::TKVL_Capability Capability(int) const override { return {false, false, false}; }
        std::string KindDisplayName(int, bool) const override { return ""; }
        std::string FormatObjectName(const std::string& n, const std::string&, bool) const override {
            return n;
        }
        std::shared_ptr<kvl::IKVL_Database> Database() const override { return nullptr; }
    };
    RecordingEngine engine;
    engine.SetSchema(std::make_shared<Schema>());
    add("CHILD", {"PARENT"})->doFill = true;
    add("PARENT")->doFill = true;
    projects.SetStructureEngine(&engine);
    projects.ShuffleTables(static_cast<TTableShuffleMethod>(7));
    EXPECT_EQ(order(), "CHILD PARENT");
}

// Marked tables, and with the option those with settings, move to the front in their order.
TEST(TableShuffleSqlite, OrdersARealSchemaByItsForeignKeys) {
    kvl::test::TTestDatabase db(kvl::test::Engine::SQLite);
    auto session = db.Open();
    for (const char* sql :
         {"create table lines (id integer primary key, order_id integer references orders(id))",
          "create table orders (id integer primary key, customer_id integer references customers)",
          "create table customers (id integer primary key, referrer integer references customers)",
          "create table notes (id integer primary key)"})
        session->ExecuteCommand("CUSTOM", sql);
    TFillStructureEngineVEX engine(*session, session->Database(), nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    projects.getFillProject(0)->doFill = true; // lines
    projects.getFillProject(1)->doFill = true; // orders
    projects.ShuffleTables(tsmToFillOnly);
    EXPECT_EQ(orderOf(projects), "orders lines customers notes");
    projects.getFillProject(3)->GetFillFields(); // notes: columns without settings
    projects.ShuffleTables(tsmToFillAndWithOptions);
    EXPECT_EQ(orderOf(projects), "orders lines customers notes");
    projects.getFillProject(3)->GetFillFields()[0]->FillType = fillFixed;
    projects.ShuffleTables(tsmToFillAndWithOptions);
    EXPECT_EQ(orderOf(projects), "orders notes lines customers");
    EXPECT_THROW(projects.ShuffleTables(static_cast<TTableShuffleMethod>(7)), kvl::Exception);
    projects.ShuffleTables(tsmAll);
    EXPECT_EQ(orderOf(projects), "notes customers orders lines");
}

} // namespace
