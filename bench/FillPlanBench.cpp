// The fill plan of 1,000 tables with 3,000 foreign keys, cycles among them, read from catalogue
// objects through the project list as `tdg init` does, against a bare parents-first sort of the
// same edges that ignores cycles. Prints one line per measure; fails when the plan takes a
// second or more. With a PostgreSQL connection string as argument it also sets the keys of
// 20,000 waiting rows, one UPDATE per row against one per batch.
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uTDGFillPlan.h"
#include "uTFillStructureEngineVEX.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kTables = 1000;
constexpr int kKeys = 3000;

class Named : public virtual kvl::IKVL_BaseInterface {
public:
    explicit Named(std::string name) : name_(std::move(name)) {}
    std::string Name() const override { return name_; }
    std::string SQLName() const override { return name_; }
    std::string OwnerName() const override { return ""; }
    std::string DisplayName() const override { return name_; }
    std::string SearchName() const override { return name_; }

private:
    std::string name_;
};

class Column : public Named, public kvl::IKVL_Column {
public:
    Column(std::string name, bool notNull) : Named(std::move(name)), notNull_(notNull) {}
    int DataTypeCode() const override { return 17; }
    bool NotNull() const override { return notNull_; }
    std::string Length() const override { return ""; }
    std::string Scale() const override { return ""; }
    std::string Precision() const override { return ""; }
    std::string DefaultValue() const override { return ""; }
    bool Computed() const override { return false; }
    bool IsIdentity() const override { return false; }
    std::string DataTypeText() const override { return "integer"; }
    bool InPrimaryKey() const override { return false; }

private:
    bool notNull_;
};

class Key : public Named, public kvl::IKVL_ForeignKey {
public:
    Key(std::string column, std::string to)
        : Named("fk_" + column), column_(std::move(column)), to_(std::move(to)) {}
    std::string ReferencedTable() const override { return to_; }
    std::string ReferencedTableOwner() const override { return ""; }
    std::vector<std::string> ColumnNames() const override { return {column_}; }
    std::vector<std::string> ReferencedColumnNames() const override { return {"id"}; }

private:
    std::string column_, to_;
};

class Table : public Named, public kvl::IKVL_Table {
public:
    explicit Table(std::string name) : Named(std::move(name)) {}
    kvl::TKVL_InterfaceListRef Columns() const override { return columns_; }
    kvl::TKVL_InterfaceListRef Triggers() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef Indices() const override { return nullptr; }
    std::shared_ptr<kvl::IKVL_Key> PrimaryKey() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef ForeignKeys() const override { return keys_; }
    std::string ReferenceName() const override { return Name(); }

    void AddKey(const std::string& to, bool notNull) {
        const std::string column = "c" + std::to_string(keys_->Count());
        columns_->Add(std::make_shared<Column>(column, notNull));
        keys_->Add(std::make_shared<Key>(column, to));
    }

private:
    kvl::TKVL_InterfaceListRef columns_ = std::make_shared<kvl::TKVL_InterfaceList>();
    kvl::TKVL_InterfaceListRef keys_ = std::make_shared<kvl::TKVL_InterfaceList>();
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Most keys point at an earlier table, as schemas grow; one in ten points forward and closes a
// cycle, through a nullable column.
std::vector<std::pair<int, int>> makeSchema(TFillProjects& projects) {
    std::mt19937 random(18);
    std::vector<std::shared_ptr<Table>> tables;
    for (int i = 0; i < kTables; ++i) {
        tables.push_back(std::make_shared<Table>("t" + std::to_string(i)));
        auto* p = new TFillProject(&projects);
        p->TableName = tables.back()->Name();
        p->TableObject = tables.back();
        projects.Projects.Add(p);
    }
    std::vector<std::pair<int, int>> edges;
    for (int k = 0; k < kKeys; ++k) {
        const int from = static_cast<int>(random() % kTables);
        const bool forward = random() % 10 == 0;
        int to = forward ? static_cast<int>(random() % kTables)
                         : (from == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(from)));
        tables[static_cast<size_t>(from)]->AddKey("t" + std::to_string(to), !forward);
        edges.emplace_back(from, to);
    }
    return edges;
}

// The baseline: Kahn's sort of the same edges, no names, no catalogue, cycles left out.
size_t bareSort(const std::vector<std::pair<int, int>>& edges) {
    std::vector<int> open(kTables, 0);
    std::vector<std::vector<int>> children(kTables);
    for (auto [from, to] : edges)
        if (from != to) {
            ++open[static_cast<size_t>(from)];
            children[static_cast<size_t>(to)].push_back(from);
        }
    std::vector<int> ready, order;
    for (int t = 0; t < kTables; ++t)
        if (open[static_cast<size_t>(t)] == 0) ready.push_back(t);
    while (!ready.empty()) {
        const int t = ready.back();
        ready.pop_back();
        order.push_back(t);
        for (int c : children[static_cast<size_t>(t)])
            if (--open[static_cast<size_t>(c)] == 0) ready.push_back(c);
    }
    return order.size();
}

constexpr int kWaitingRows = 20000;

// The keys of a table's rows set as a run sets those that waited: from the key to the values.
double setWaitingKeys(const std::string& uri, bool inBatches) {
    auto connection = kvl::KVL_OpenConnection(uri);
    connection->ExecuteCommand("CUSTOM", "drop table if exists bench_waiting");
    connection->ExecuteCommand("CUSTOM", "create table bench_waiting (id integer primary key, ref integer)");
    connection->ExecuteCommand("CUSTOM", "insert into bench_waiting (id) select generate_series(1, " +
                                             std::to_string(kWaitingRows) + ")");
    TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
    engine.UpdateInBatches = inBatches;
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    TFillProject* project = nullptr;
    for (TFillProject* p : projects.Projects)
        if (p->TableName == "bench_waiting") project = p;
    if (!project) return -1;
    std::vector<std::vector<kvl::TVariant>> rows;
    std::mt19937 random(7);
    for (int i = 1; i <= kWaitingRows; ++i)
        rows.push_back({kvl::TVariant(std::to_string(random() % 1000)), kvl::TVariant(std::to_string(i))});
    engine.Connect();
    const auto start = std::chrono::steady_clock::now();
    engine.UpdateRows(project, {"ref"}, {"id"}, rows);
    const double took = seconds(start);
    engine.Disconnect();
    projects.SetStructureEngine(nullptr);
    connection->ExecuteCommand("CUSTOM", "drop table bench_waiting");
    return took;
}

} // namespace

int main(int argc, char** argv) {
    TFillProjects projects;
    const auto edges = makeSchema(projects);

    auto start = std::chrono::steady_clock::now();
    const size_t sorted = bareSort(edges);
    const double bare = seconds(start);

    start = std::chrono::steady_clock::now();
    const TFillPlan plan = ComputeFillPlan(PlanTablesOf(projects.Projects));
    const double planned = seconds(start);

    std::printf("bare_sort %d tables %d keys %.4f s (%zu placed, cycles left out)\n", kTables, kKeys, bare,
                sorted);
    std::printf(
        "fill_plan %d tables %d keys %.4f s (%zu placed, %zu keys set afterwards, %zu NOT NULL cycles)\n",
        kTables, kKeys, planned, plan.Order.size(), plan.Deferred.size(), plan.NotNullCycles.size());
    if (plan.Order.size() != static_cast<size_t>(kTables)) return 1;
    if (argc > 1) {
        kvl::KVL_RegisterStandardDrivers();
        const double perRow = setWaitingKeys(argv[1], false), batched = setWaitingKeys(argv[1], true);
        std::printf("waiting_keys %d rows: one UPDATE per row %.3f s, per batch of 500 %.3f s (%.1fx)\n",
                    kWaitingRows, perRow, batched, perRow / batched);
    }
    return planned < 1.0 ? 0 : 1;
}
