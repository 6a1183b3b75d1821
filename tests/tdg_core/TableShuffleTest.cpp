#include "FillFieldTestKit.h"
#include "UTFillProjects/TRowLinks.h"
#include "uTDGFillPlan.h"
#include "uTDGTableShuffle.h"
#include <sstream>

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

// The names of the items, apart by the separator.
template <class Items, class Name>
std::string joined(const Items& items, Name name, const char* apart = " ") {
    std::string s;
    for (const auto& item : items)
        s += (s.empty() ? "" : apart) + name(item);
    return s;
}

std::string orderOf(const TFillProjects& projects) {
    return joined(projects.Projects, [](const TFillProject* p) { return p->TableName; });
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

// A schema in one line: "a b>a c>b?" declares a, b referencing a, and c referencing b through a
// nullable key; "x>x" is a self-reference, "d>a,b" a table with two keys, "e>a!" a NOT NULL key
// whose check the engine can defer to the commit.
std::vector<TPlanTable> schema(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> items;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        auto gt = word.find('>');
        items.emplace_back(word.substr(0, gt), gt == std::string::npos ? "" : word.substr(gt + 1));
    }
    auto indexOf = [&](const std::string& name) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].first == name) return static_cast<int>(i);
        return -1;
    };
    std::vector<TPlanTable> tables;
    for (const auto& [name, keys] : items) {
        TPlanTable t;
        t.Name = name;
        std::istringstream parts(keys);
        for (std::string part; std::getline(parts, part, ',');) {
            TPlanKey key;
            key.Nullable = part.back() == '?';
            key.Deferrable = part.back() == '!';
            if (key.Nullable || key.Deferrable) part.pop_back();
            key.Name = name + "_" + part;
            key.Columns = {part + "_id"};
            key.Table = indexOf(part);
            t.Keys.push_back(key);
        }
        tables.push_back(t);
    }
    return tables;
}

struct TPlanCase {
    const char* what;
    const char* schema;
    const char* order;
    const char* deferred;
    const char* notNullCycles;   // the keys of each cycle, cycles apart by "|"
    const char* heldCycles = ""; // the same, of cycles filled in one transaction
};

class FillPlan : public ::testing::TestWithParam<TPlanCase> {};

TEST_P(FillPlan, OrdersBreaksAndReports) {
    const TPlanCase& c = GetParam();
    SCOPED_TRACE(c.what);
    auto tables = schema(c.schema);
    TFillPlan plan = ComputeFillPlan(tables);
    const auto table = [&](int i) { return tables[static_cast<size_t>(i)].Name; };
    const auto key = [&](const TPlanLink& l) {
        return tables[static_cast<size_t>(l.Table)].Keys[static_cast<size_t>(l.Key)].Name;
    };
    const auto cycle = [&](const std::vector<TPlanLink>& keys) { return joined(keys, key); };
    EXPECT_EQ(joined(plan.Order, table), c.order);
    EXPECT_EQ(joined(plan.Deferred, key), c.deferred);
    EXPECT_EQ(joined(plan.NotNullCycles, cycle, "|"), c.notNullCycles);
    EXPECT_EQ(joined(plan.HeldCycles, cycle, "|"), c.heldCycles);
}

const TPlanCase kCases[] = {
    {"a chain in reverse", "c>b b>a a", "a b c", "", ""},
    {"ready tables keep their list order", "z y x", "z y x", "", ""},
    {"a self-reference is no edge", "emp>emp,dept dept", "dept emp", "", ""},
    {"a NOT NULL self-reference is no cycle either", "node>node", "node", "", ""},
    {"a two-table cycle breaks at its nullable side", "dept>emp? emp>dept", "dept emp", "dept_emp", ""},
    {"the nullable side is chosen wherever it stands", "dept>emp emp>dept?", "emp dept", "emp_dept", ""},
    {"a three-table cycle breaks once", "a>c? b>a c>b", "a b c", "a_c", ""},
    {"fewest waiting keys win among nullable sides", "p>q?,r? q>p? r>p", "q p r", "q_p p_r", ""},
    {"a cycle waits for its outside parents and breaks inside only", "child>a a>b?,root b>a root>base base",
     "base root a child b", "a_b", ""},
    {"a table outside the cycle is not chosen to break it", "x>a? a>b? b>a?", "a x b", "a_b", ""},
    {"a NOT NULL cycle is reported with its keys", "s>m m>s", "s m", "s_m", "s_m m_s"},
    {"a NOT NULL cycle beside a breakable one", "a>b b>a c>d? d>c", "a b c d", "a_b c_d", "a_b b_a"},
    {"keys to tables outside the plan are no edges", "a>gone b>a", "a b", "", ""},
    {"two keys to one parent are two edges of one order", "line>order,order order", "order line", "", ""},
    {"a NOT NULL cycle breaks at its deferrable key, in one transaction", "staff>store store>staff!",
     "store staff", "store_staff", "", "staff_store store_staff"},
    {"a NULL is preferred to a deferred check", "a>b! b>a?", "b a", "b_a", ""},
    {"a table with a NOT NULL key that cannot wait is no place to break: the cycle is the error",
     "a>b!,c b>a c>b", "b c a", "b_a", "a_b a_c b_a c_b"},
    {"a longer cycle breaks at its one deferrable key", "a>b! b>c c>a", "a c b", "a_b", "", "a_b b_c c_a"},
};

INSTANTIATE_TEST_SUITE_P(Schemas, FillPlan, ::testing::ValuesIn(kCases));

TEST(FillPlanDepth, AChainOfManyTablesNeedsNoDeepStack) {
    std::vector<TPlanTable> tables(50000);
    for (size_t i = 0; i < tables.size(); ++i) {
        tables[i].Name = "t" + std::to_string(i);
        if (i + 1 < tables.size()) tables[i].Keys.push_back({static_cast<int>(i + 1), false, "k", {"c"}});
    }
    tables.back().Keys.push_back({0, true, "back", {"c"}});
    TFillPlan plan = ComputeFillPlan(tables);
    ASSERT_EQ(plan.Order.size(), tables.size());
    EXPECT_EQ(plan.Order.front(), 49999);
    EXPECT_EQ(plan.Deferred.size(), 1u);
    EXPECT_TRUE(plan.NotNullCycles.empty());
}

// Link rows of a unique key: every combination once, then no more, whatever the count.
TEST(DistinctDraw, GivesEachIndexOnceAndThenRunsOut) {
    kvl::RandSeed(5);
    for (uint64_t count : {uint64_t{0}, uint64_t{1}, uint64_t{7}, uint64_t{1000}}) {
        TDistinctDraw draw(count);
        std::set<uint64_t> seen;
        while (!draw.Empty()) {
            const uint64_t i = draw.Next();
            EXPECT_LT(i, count);
            EXPECT_TRUE(seen.insert(i).second) << i << " twice of " << count;
        }
        EXPECT_EQ(seen.size(), count);
    }
    TDistinctDraw huge(uint64_t{1} << 40); // a product of big tables is never laid out in memory
    EXPECT_NE(huge.Next(), huge.Next());
}

} // namespace
