#include "uTDGFillPlan.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "UTFillProjects/TFillStructureEngine.h"
#include "base/StringList.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

namespace {

bool isEdge(const TPlanKey& key, int table) {
    return key.Table >= 0 && key.Table != table;
}

// Iterative, so that a long chain of keys cannot exhaust the stack. Tables of one cycle share
// a component number.
std::vector<int> strongComponents(const std::vector<TPlanTable>& tables) {
    const size_t n = tables.size();
    std::vector<int> index(n, -1), low(n, 0), component(n, -1);
    std::vector<bool> onStack(n, false);
    std::vector<int> stack;
    std::vector<std::pair<int, size_t>> calls;
    int counter = 0, components = 0;
    auto visit = [&](int v) {
        index[static_cast<size_t>(v)] = low[static_cast<size_t>(v)] = counter++;
        stack.push_back(v);
        onStack[static_cast<size_t>(v)] = true;
        calls.emplace_back(v, 0);
    };
    for (size_t root = 0; root < n; ++root) {
        if (index[root] >= 0) continue;
        visit(static_cast<int>(root));
        while (!calls.empty()) {
            auto& [u, next] = calls.back();
            const auto su = static_cast<size_t>(u);
            if (next < tables[su].Keys.size()) {
                const TPlanKey& key = tables[su].Keys[next++];
                if (!isEdge(key, u)) continue;
                const auto w = static_cast<size_t>(key.Table);
                if (index[w] < 0)
                    visit(key.Table);
                else if (onStack[w])
                    low[su] = std::min(low[su], index[w]);
                continue;
            }
            const int done = u;
            calls.pop_back();
            const auto sd = static_cast<size_t>(done);
            if (!calls.empty()) {
                const auto parent = static_cast<size_t>(calls.back().first);
                low[parent] = std::min(low[parent], low[sd]);
            }
            if (low[sd] != index[sd]) continue;
            int member = -1;
            do {
                member = stack.back();
                stack.pop_back();
                onStack[static_cast<size_t>(member)] = false;
                component[static_cast<size_t>(member)] = components;
            } while (member != done);
            ++components;
        }
    }
    return component;
}

class TPlanner {
public:
    explicit TPlanner(const std::vector<TPlanTable>& tables)
        : tables_(tables), n_(tables.size()), component_(strongComponents(tables)), open_(n_, 0),
          placed_(n_, false), children_(n_) {
        int count = 0;
        for (int c : component_)
            count = std::max(count, c + 1);
        external_.assign(static_cast<size_t>(count), 0);
        members_.resize(static_cast<size_t>(count));
        for (size_t t = 0; t < n_; ++t) {
            members_[static_cast<size_t>(component_[t])].push_back(static_cast<int>(t));
            deferred_.emplace_back(tables[t].Keys.size(), false);
            for (size_t k = 0; k < tables[t].Keys.size(); ++k) {
                const TPlanKey& key = tables[t].Keys[k];
                if (!isEdge(key, static_cast<int>(t))) continue;
                ++open_[t];
                children_[static_cast<size_t>(key.Table)].push_back(
                    {static_cast<int>(t), static_cast<int>(k)});
                if (component_[static_cast<size_t>(key.Table)] != component_[t])
                    ++external_[static_cast<size_t>(component_[t])];
            }
        }
    }

    TFillPlan Run() {
        for (size_t t = 0; t < n_; ++t)
            if (open_[t] == 0) ready_.push_back(static_cast<int>(t));
        while (plan_.Order.size() < n_) {
            placeWaves();
            if (plan_.Order.size() < n_) breakCycle();
        }
        return std::move(plan_);
    }

private:
    void placeWaves() {
        while (!ready_.empty()) {
            std::vector<int> wave;
            wave.swap(ready_);
            std::sort(wave.begin(), wave.end());
            for (int t : wave)
                place(t);
        }
    }

    void place(int table) {
        const auto t = static_cast<size_t>(table);
        placed_[t] = true;
        plan_.Order.push_back(table);
        for (const TPlanLink& link : children_[t]) {
            const auto child = static_cast<size_t>(link.Table);
            if (deferred_[child][static_cast<size_t>(link.Key)]) continue;
            if (component_[child] != component_[t]) --external_[static_cast<size_t>(component_[child])];
            if (--open_[child] == 0 && !placed_[child]) ready_.push_back(link.Table);
        }
    }

    std::vector<TPlanLink> openKeys(int table) const {
        std::vector<TPlanLink> keys;
        const auto t = static_cast<size_t>(table);
        for (size_t k = 0; k < tables_[t].Keys.size(); ++k) {
            const TPlanKey& key = tables_[t].Keys[k];
            if (isEdge(key, table) && !placed_[static_cast<size_t>(key.Table)] && !deferred_[t][k])
                keys.push_back({table, static_cast<int>(k)});
        }
        return keys;
    }

    bool nullable(const TPlanLink& link) const {
        return tables_[static_cast<size_t>(link.Table)].Keys[static_cast<size_t>(link.Key)].Nullable;
    }

    // The component that waits only for itself and holds the earliest waiting table.
    int stuckComponent() const {
        for (size_t t = 0; t < n_; ++t) {
            const int c = component_[t];
            if (!placed_[t] && external_[static_cast<size_t>(c)] == 0) return c;
        }
        return -1;
    }

    bool deferrable(const TPlanLink& link) const {
        return tables_[static_cast<size_t>(link.Table)].Keys[static_cast<size_t>(link.Key)].Deferrable;
    }

    // The table with the fewest waiting keys among those that pass the test, or -1.
    struct TChoice {
        int Table = -1;
        size_t Count = 0;
        void Offer(int table, size_t count) {
            if (Table < 0 || count < Count) Table = table, Count = count;
        }
    };

    void breakCycle() {
        const int c = stuckComponent();
        if (c < 0) return; // cannot happen: the components form no cycle among themselves
        TChoice best, byNull, byDeferral;
        std::vector<TPlanLink> notNull;
        for (int t : members_[static_cast<size_t>(c)]) {
            if (placed_[static_cast<size_t>(t)]) continue;
            auto keys = openKeys(t);
            bool allNullable = true, allDeferrable = true;
            for (const TPlanLink& link : keys) {
                if (nullable(link)) continue;
                allNullable = false;
                allDeferrable = allDeferrable && deferrable(link);
                notNull.push_back(link);
            }
            best.Offer(t, keys.size());
            if (allNullable) byNull.Offer(t, keys.size());
            if (allDeferrable) byDeferral.Offer(t, keys.size());
        }
        // a NULL keeps the tables' own transactions; a deferred check holds them in one
        int chosen = byNull.Table;
        if (chosen < 0 && byDeferral.Table >= 0) {
            chosen = byDeferral.Table;
            plan_.HeldCycles.push_back(notNull);
        }
        // no NULL breaks this cycle: it is reported, and placed anyway so the order stays whole
        if (chosen < 0) {
            plan_.NotNullCycles.push_back(notNull);
            chosen = best.Table;
        }
        for (const TPlanLink& link : openKeys(chosen)) {
            deferred_[static_cast<size_t>(chosen)][static_cast<size_t>(link.Key)] = true;
            plan_.Deferred.push_back(link);
            --open_[static_cast<size_t>(chosen)];
        }
        place(chosen);
    }

    const std::vector<TPlanTable>& tables_;
    const size_t n_;
    std::vector<int> component_;
    std::vector<int> open_; // keys into tables not placed yet, deferred ones aside
    std::vector<bool> placed_;
    std::vector<std::vector<TPlanLink>> children_;
    std::vector<std::vector<bool>> deferred_;
    std::vector<int> external_; // per component: open keys into other components
    std::vector<std::vector<int>> members_;
    std::vector<int> ready_;
    TFillPlan plan_;
};

std::string lower(const std::string& s) {
    return kvl::LowerCase(s);
}

bool allNullable(const kvl::IKVL_Table& table, const std::vector<std::string>& columns) {
    auto list = table.Columns();
    if (!list) return false;
    for (const std::string& name : columns) {
        auto column = kvl::Supports<kvl::IKVL_Column>(kvl::IList_ByName(list, name, false));
        if (!column || column->NotNull()) return false;
    }
    return !columns.empty();
}

} // namespace

std::vector<std::shared_ptr<kvl::IKVL_ForeignKey>> ForeignKeysOf(const kvl::IKVL_Table& table) {
    std::vector<std::shared_ptr<kvl::IKVL_ForeignKey>> keys;
    if (auto list = table.ForeignKeys())
        for (const auto& item : *list)
            if (auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item)) keys.push_back(fk);
    return keys;
}

TFillPlan ComputeFillPlan(const std::vector<TPlanTable>& tables) {
    return TPlanner(tables).Run();
}

TFillProject* ProjectOfTable(const TObjectListPlus& list, const std::string& name, const std::string& owner) {
    TFillProject* bare = nullptr;
    for (TFillProject* p : list) {
        if (!owner.empty() && kvl::SameText(p->TableOwner, owner) && kvl::SameText(p->TableName, name))
            return p;
        if (!bare &&
            (kvl::SameText(p->TableName, name) || kvl::SameText(p->TableOwner + "." + p->TableName, name)))
            bare = p;
    }
    return bare;
}

std::vector<TPlanTable> PlanTablesOf(const TObjectListPlus& list) {
    // one pass over the names instead of a search per key: the plan must stay fast on big schemas
    std::unordered_map<std::string, int> byName;
    for (int i = 0; i < list.Count(); ++i) {
        const TFillProject* p = list[i];
        byName.emplace(lower(p->TableOwner + "." + p->TableName), i);
        byName.emplace(lower(p->TableName), i);
    }
    auto find = [&](const std::string& name, const std::string& owner) {
        if (!owner.empty())
            if (auto it = byName.find(lower(owner + "." + name)); it != byName.end()) return it->second;
        auto it = byName.find(lower(name));
        return it == byName.end() ? -1 : it->second;
    };
    const TFillStructureEngine* engine =
        list.Count() > 0 && list[0]->FillProjects ? list[0]->FillProjects->StructureEngine : nullptr;
    std::vector<TPlanTable> tables;
    for (int i = 0; i < list.Count(); ++i) {
        const TFillProject* p = list[i];
        TPlanTable t;
        t.Name = p->TableName;
        if (auto table = kvl::Supports<kvl::IKVL_Table>(p->TableObject))
            for (const auto& fk : ForeignKeysOf(*table)) {
                TPlanKey key;
                key.Name = fk->Name();
                key.Columns = fk->ColumnNames();
                key.Nullable = allNullable(*table, key.Columns);
                key.Deferrable = engine && engine->DefersKey(*fk);
                key.Table = fk->ReferencedTable() == table->ReferenceName()
                                ? i
                                : find(fk->ReferencedTable(), fk->ReferencedTableOwner());
                t.Keys.push_back(std::move(key));
            }
        tables.push_back(std::move(t));
    }
    return tables;
}

namespace {

bool planned(const TFillProject* p) {
    return !kvl::ObjectSupports<kvl::IKVL_View>(p->TableObject) &&
           !kvl::ObjectSupports<kvl::IKVL_SystemTable>(p->TableObject);
}

} // namespace

void TFillProjects::PlanTables() {
    auto schema = StructureEngine->GetDatabase() ? StructureEngine->GetDatabase()->DefaultSchema()
                                                 : StructureEngine->GetSchema();
    if (!schema->Capability(kvl::capForeignKeys).Available) return;
    std::vector<TFillProject*> tables, aside;
    for (TFillProject* p : Projects)
        (planned(p) ? tables : aside).push_back(p);
    TObjectListPlus work;
    work.OwnsObjects = false;
    for (TFillProject* p : tables)
        work.Add(p);
    // the catalogue is read before the list changes: a failing read loses nothing
    const TFillPlan plan = ComputeFillPlan(PlanTablesOf(work));
    TOwnershipOff off(Projects);
    Projects.Clear();
    for (int i : plan.Order)
        Projects.Add(tables[static_cast<size_t>(i)]);
    for (TFillProject* p : aside)
        Projects.Add(p);
}

namespace {

// Whether the run must find a table's own rows again: a key to itself, or a key into a table
// filled after it, which is set once that table has its rows.
bool rowsFoundAgain(const TObjectListPlus& list, int position, const TPlanTable& table) {
    for (const TPlanKey& key : table.Keys) {
        if (key.Table == position) return true;
        if (key.Table > position && (key.Nullable || key.Deferrable) && list[key.Table]->doFill) return true;
    }
    return false;
}

// False for a column that cannot count: not an integer.
bool countUp(TCustomFillField& f) {
    auto* i = dynamic_cast<TIntegerFillField*>(&f);
    if (!i) return false;
    i->FillType = fillIncreasing;
    i->RangeFrom = 1;
    i->StaticValue = 1;
    i->IncludeNulls = false;
    return true;
}

bool inKey(const TPlanTable& table, const std::string& column) {
    for (const TPlanKey& key : table.Keys)
        for (const std::string& c : key.Columns)
            if (kvl::SameText(c, column)) return true;
    return false;
}

} // namespace

void GuessPlanKeys(TFillProjects& projects) {
    const std::vector<TPlanTable> tables = PlanTablesOf(projects.Projects);
    for (int i = 0; i < projects.Projects.Count(); ++i) {
        TFillProject* p = projects.Projects[i];
        auto table = kvl::Supports<kvl::IKVL_Table>(p->TableObject);
        auto key = table ? table->PrimaryKey() : nullptr;
        if (!p->doFill || !key || !key->Columns()) continue;
        const auto& plan = tables[static_cast<size_t>(i)];
        std::vector<std::string> columns;
        for (const auto& c : *key->Columns())
            columns.push_back(c->Name());
        if (columns.size() == 1 && rowsFoundAgain(projects.Projects, i, plan)) {
            for (auto& f : p->GetFillFields())
                if (kvl::SameText(f->ColumnName, columns[0])) countUp(*f);
            continue;
        }
        if (columns.size() < 2) continue;
        // the last own integer column of a composite key makes each combination new (a date or
        // a partition's list value cannot); a key made of foreign keys alone is drawn distinct
        // by the run
        bool counted = false;
        for (auto c = columns.rbegin(); c != columns.rend() && !counted; ++c) {
            if (inKey(plan, *c)) continue;
            for (auto& f : p->GetFillFields())
                if (kvl::SameText(f->ColumnName, *c)) counted = countUp(*f);
        }
    }
}
