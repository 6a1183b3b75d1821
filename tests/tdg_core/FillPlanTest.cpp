#include "UTFillProjects/TRowLinks.h"
#include "base/Random.h"
#include "uTDGFillPlan.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

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

std::string names(const std::vector<TPlanTable>& tables, const std::vector<int>& order) {
    std::string s;
    for (int i : order)
        s += (s.empty() ? "" : " ") + tables[static_cast<size_t>(i)].Name;
    return s;
}

std::string keyNames(const std::vector<TPlanTable>& tables, const std::vector<TPlanLink>& links) {
    std::string s;
    for (const TPlanLink& l : links)
        s += (s.empty() ? "" : " ") +
             tables[static_cast<size_t>(l.Table)].Keys[static_cast<size_t>(l.Key)].Name;
    return s;
}

struct TPlanCase {
    const char* what;
    const char* schema;
    const char* order;
    const char* deferred;
    const char* notNullCycles;   // the keys of each cycle, cycles apart by "|"
    const char* heldCycles = ""; // the same, of cycles filled in one transaction
};

std::string cycleNames(const std::vector<TPlanTable>& tables,
                       const std::vector<std::vector<TPlanLink>>& cycles) {
    std::string s;
    for (const auto& cycle : cycles)
        s += (s.empty() ? "" : "|") + keyNames(tables, cycle);
    return s;
}

class FillPlan : public ::testing::TestWithParam<TPlanCase> {};

TEST_P(FillPlan, OrdersBreaksAndReports) {
    const TPlanCase& c = GetParam();
    SCOPED_TRACE(c.what);
    auto tables = schema(c.schema);
    TFillPlan plan = ComputeFillPlan(tables);
    EXPECT_EQ(names(tables, plan.Order), c.order);
    EXPECT_EQ(keyNames(tables, plan.Deferred), c.deferred);
    EXPECT_EQ(cycleNames(tables, plan.NotNullCycles), c.notNullCycles);
    EXPECT_EQ(cycleNames(tables, plan.HeldCycles), c.heldCycles);
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
