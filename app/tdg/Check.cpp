#include "Check.h"

#include "UTFillConstants.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/Events.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "UTFillProjects/TFillStructureEngine.h"
#include "base/Format.h"
#include "base/StringList.h"
#include "uCheckReader.h"
#include "uMaskedValue.h"
#include "uSettingsGuess.h"
#include "uTDGFillPlan.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

namespace fs = std::filesystem;

std::string TFinding::Line() const {
    std::string where = Column.empty() ? Table : Table + "." + Column;
    return (Error ? "error: " : Note ? "note: " : "warning: ") + where + ": " + Text;
}

bool HasErrors(const std::vector<TFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(), [](const TFinding& f) { return f.Error; });
}

namespace {

int64_t linesOf(const std::string& fileName) {
    std::ifstream in(fileName);
    int64_t n = 0;
    for (std::string line; std::getline(in, line);)
        ++n;
    return n;
}

// How many different values the settings can give, when that is bounded by a range, a list or
// a file; nothing when the kind makes its values freely (names, counters, random text).
std::optional<int64_t> valuePool(TCustomFillField& f) {
    if (f.FillType == fillFixed) return 1;
    if (f.FillType == fillList) return f.ListValues.Count();
    if (dynamic_cast<TBoolBitFillField*>(&f) && f.FillType == fillRandom) return 2;
    if (auto* i = dynamic_cast<TIntegerFillField*>(&f); i && f.FillType == fillRandom) {
        int64_t pool = std::abs(static_cast<int64_t>(i->RangeTo) - i->RangeFrom) + 1;
        for (const auto& [from, to] : f.RangeParts)
            pool += static_cast<int64_t>(std::fabs(to - from)) + 1;
        return pool;
    }
    if (auto* t = dynamic_cast<TTextFillField*>(&f); t && f.FillType == fillRandom && fs::exists(t->FileName))
        return linesOf(t->FileName);
    if (auto* t = dynamic_cast<TTextFillField*>(&f); t && f.FillType == fillMasked) {
        try {
            // the run cuts a value to its column: only the characters that fit tell values apart
            auto count = kvl::MaskedValueCount(kvl::GetMaskedCommands(t->Mask),
                                               static_cast<size_t>(std::max(0, f.Size)));
            if (count) return static_cast<int64_t>(*count);
        } catch (const std::exception&) {
            // a mask that does not compile is told of on its own
        }
    }
    return std::nullopt;
}

// Columns whose values must differ from row to row: a one-column primary key or unique index.
std::vector<std::string> uniqueColumns(TFillProject& project) {
    std::vector<std::string> names;
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    if (!table) return names;
    if (auto key = table->PrimaryKey(); key && key->Columns()->Count() == 1)
        names.push_back(key->Columns()->Get(0)->Name());
    if (auto indices = table->Indices())
        for (const auto& item : *indices) {
            auto index = kvl::Supports<kvl::IKVL_Index>(item);
            if (index && index->Unique() && index->ColumnNames().size() == 1)
                names.push_back(index->ColumnNames()[0]);
        }
    return names;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return kvl::SameText(n, name); });
}

// The word lists that a text column's fill type draws from.
std::vector<TExternalDataKind> wordListsOf(const TCustomFillField& f) {
    if (!dynamic_cast<const TTextFillField*>(&f)) return {};
    switch (f.FillType) {
    case fillAddresses:
        return {xdStreets};
    case fillCities:
        return {xdCities};
    case fillCountries:
        return {xdCountries};
    case fillGenerator:
        return {xdFirstNames};
    case fillFullNames:
        return {xdFirstNames, xdLastNames};
    case fillLastNames:
    case fillEmail:
    case fillURL:
        return {xdLastNames};
    default:
        return {};
    }
}

class TChecker {
public:
    TChecker(TFillProjects& projects, const std::function<int64_t(const TFillProject&)>& rowsOf,
             std::string dataDir)
        : projects_(projects), rowsOf_(rowsOf), dataDir_(std::move(dataDir)) {}

    std::vector<TFinding> Run() {
        checkCycles();
        for (int i = 0; i < projects_.GetProjectCount(); ++i) {
            TFillProject* p = projects_.getFillProject(i);
            if (p->doFill) checkProject(*p, i);
        }
        return std::move(findings_);
    }

private:
    void add(bool error, const TFillProject& p, const std::string& column, const std::string& text) {
        findings_.push_back({error, p.TableName, column, text});
    }

    // A cycle that no NULL can break cannot get its first row, whatever the order, unless the
    // check of one of its keys can wait for the commit.
    void checkCycles() {
        const auto tables = PlanTablesOf(projects_.Projects);
        const TFillPlan plan = ComputeFillPlan(tables);
        for (const auto& cycle : plan.NotNullCycles)
            addCycle(
                tables, cycle, true,
                "foreign keys that are all NOT NULL form a cycle: %s; no table of it can get a first row");
        for (const auto& cycle : plan.HeldCycles)
            addCycle(
                tables, cycle, false,
                "foreign keys that are all NOT NULL form a cycle: %s; its tables fill in one "
                "transaction, without commits between their rows, a deferrable key set before its commit");
    }

    void addCycle(const std::vector<TPlanTable>& tables, const std::vector<TPlanLink>& cycle, bool error,
                  const char* text) {
        std::string keys;
        bool filled = false;
        for (const TPlanLink& link : cycle) {
            const TPlanTable& t = tables[static_cast<size_t>(link.Table)];
            const TPlanKey& key = t.Keys[static_cast<size_t>(link.Key)];
            filled = filled || projects_.getFillProject(link.Table)->doFill;
            std::string columns;
            for (const std::string& c : key.Columns)
                columns += (columns.empty() ? "" : ", ") + c;
            keys += (keys.empty() ? "" : "; ") + t.Name + "(" + columns + ") -> " +
                    tables[static_cast<size_t>(key.Table)].Name;
        }
        if (!filled || cycle.empty()) return;
        TFinding f{error, tables[static_cast<size_t>(cycle.front().Table)].Name, "",
                   kvl::Format(text, {keys})};
        f.Note = !error;
        findings_.push_back(f);
    }

    void checkProject(TFillProject& p, int position) {
        if (!p.validateProjectNoFill()) {
            add(true, p, "", "no column is filled");
            return;
        }
        checkConditions(p);
        checkUniqueLinks(p, position);
        auto unique = uniqueColumns(p);
        for (auto& f : p.GetFillFields()) {
            if (f->FillType == fillNothing) {
                if (!f->Nullable && !f->HasDefault && !(f->Column && f->Column->IsIdentity()))
                    add(false, p, f->ColumnName, "NOT NULL column left unfilled and without a default");
                continue;
            }
            checkPool(p, *f, contains(unique, f->ColumnName));
            checkCounter(p, *f, position);
            checkNulls(p, *f);
            checkFixedLength(p, *f);
            checkFiles(p, *f);
            checkWordLists(p, *f);
            if (f->FillType == fillReferential && !dynamic_cast<TBlobFillField*>(f.get()))
                checkReference(p, *f, position);
        }
    }

    // Settings follow only the conditions that are read; the server still holds rows to the rest.
    void checkConditions(TFillProject& p) {
        auto warn = [&](const std::string& column, const std::string& condition) {
            if (!ReadCheck(condition).Understood)
                add(false, p, column, "check \"" + condition + "\" not understood; rows may fail");
        };
        if (auto table = kvl::Supports<kvl::IKVL_TableRules>(p.TableObject)) {
            for (const auto& condition : table->Checks()) {
                warn("", condition);
                checkOrders(p, condition);
            }
            for (const auto& condition : table->PartitionBounds())
                warn("", condition);
        }
        for (auto& f : p.GetFillFields())
            if (auto rules = kvl::Supports<kvl::IKVL_ColumnRules>(f->Column);
                rules && f->FillType != fillNothing)
                for (const auto& condition : rules->DomainChecks())
                    warn(f->ColumnName, condition);
    }

    // The run makes the later column of an ordered pair from the earlier one only where the
    // later one is drawn from a range.
    void checkOrders(TFillProject& p, const std::string& condition) {
        for (const auto& order : ReadCheck(condition).Orders) {
            TCustomFillField* low = fieldOf(p, order.Low);
            TCustomFillField* high = fieldOf(p, order.High);
            if (!low || !high || low->FillType == fillNothing || high->FillType == fillNothing) continue;
            if (high->FillType == fillRandom) continue;
            add(false, p, high->ColumnName,
                "check \"" + condition + "\" orders it after \"" + low->ColumnName +
                    "\"; only random values are made to follow; rows may fail");
        }
    }

    void checkPool(TFillProject& p, TCustomFillField& f, bool unique) {
        if (!unique || p.Rows <= 1) return;
        auto pool = valuePool(f);
        if (!pool || *pool >= p.Rows) return;
        add(true, p, f.ColumnName,
            kvl::Format("unique column, but its settings give only %d different values for %d rows",
                        {static_cast<long long>(*pool), p.Rows}));
    }

    // The run ends the table where a counter would pass its column's top, as it does where a
    // unique key runs out of combinations.
    void checkCounter(TFillProject& p, TCustomFillField& f, int position) {
        const auto top = HighestCounterValue(p, f);
        if (!top || p.Rows <= 0) return;
        const auto& i = dynamic_cast<const TIntegerFillField&>(f);
        const int64_t fit = i.RangeFrom > *top ? 0 : (*top - i.RangeFrom) / i.StaticValue + 1;
        if (auto numbered = NumberedKeyCounter(p); numbered && numbered->Field == &f)
            return checkNumbered(p, f, *numbered, fit, position);
        const int64_t last = int64_t{i.RangeFrom} + int64_t{p.Rows - 1} * i.StaticValue;
        if (last <= *top) return;
        add(false, p, f.ColumnName,
            kvl::Format("counter runs to %d for %d rows, but the column takes values up to %d; "
                        "the table ends after %d rows",
                        {static_cast<long long>(last), p.Rows, static_cast<long long>(*top),
                         static_cast<long long>(fit)}));
    }

    void checkNumbered(TFillProject& p, TCustomFillField& f, const TNumberedKey& key, int64_t fit,
                       int position) {
        TFillProject* source = findProject(key.Table, key.Owner);
        if (!source || source == &p || projects_.IndexOfProject(source) > position) return;
        const int64_t parents = rowsBefore(*source, position);
        const int64_t rows = parents > INT64_MAX / std::max<int64_t>(fit, 1) ? INT64_MAX : parents * fit;
        if (rows >= p.Rows) return;
        add(false, p, f.ColumnName,
            kvl::Format("counter numbers the rows of each row of %s up to %d; %d rows of %s give %d rows "
                        "for %d; the table ends after %d rows",
                        {key.Table, static_cast<long long>(key.Top), static_cast<long long>(parents),
                         key.Table, static_cast<long long>(rows), p.Rows, static_cast<long long>(rows)}));
    }

    void checkNulls(TFillProject& p, TCustomFillField& f) {
        if (f.Nullable || !f.IncludeNulls || f.NullPercentage <= 0) return;
        add(false, p, f.ColumnName,
            kvl::Format("NOT NULL column with a NULL share of %d%%; it is filled without NULLs",
                        {f.NullPercentage}));
    }

    void checkFixedLength(TFillProject& p, TCustomFillField& f) {
        auto* t = dynamic_cast<TTextFillField*>(&f);
        if (!t || f.FillType != fillFixed || f.Size <= 0) return;
        if (static_cast<int64_t>(t->StaticValue.size()) <= f.Size) return;
        add(true, p, f.ColumnName,
            kvl::Format("fixed value of %d characters is longer than the column (%d)",
                        {static_cast<long long>(t->StaticValue.size()), f.Size}));
    }

    void checkFiles(TFillProject& p, TCustomFillField& f) {
        if (auto* t = dynamic_cast<TTextFillField*>(&f);
            t && f.FillType == fillRandom && !fs::exists(t->FileName))
            add(true, p, f.ColumnName, "value file \"" + t->FileName + "\" not found");
        auto* b = dynamic_cast<TBlobFillField*>(&f);
        if (!b) return;
        if (f.FillType == fillFixed && !fs::is_regular_file(b->FileName))
            add(true, p, f.ColumnName, "BLOB file \"" + b->FileName + "\" not found");
        if (f.FillType == fillRandom && !fs::is_directory(b->Directory))
            add(true, p, f.ColumnName, "BLOB folder \"" + b->Directory + "\" not found");
        if (f.FillType == fillList)
            for (const std::string& path : f.ListValues)
                if (!fs::is_regular_file(path))
                    add(true, p, f.ColumnName, "BLOB file \"" + path + "\" not found");
    }

    // A list that cannot be read does not stop the run, but every row gets a placeholder.
    void checkWordLists(TFillProject& p, TCustomFillField& f) {
        for (TExternalDataKind kind : wordListsOf(f)) {
            const std::string archive(TDG_EXTERNALDATA_FILENAMES[static_cast<size_t>(kind)]);
            if (fs::is_regular_file(dataDir_ + archive)) continue;
            add(false, p, f.ColumnName,
                kvl::Format(
                    "word list \"%s\" not found in \"%s\" (TDG_DATA_DIR); the column gets placeholder texts",
                    {archive, dataDir_}));
        }
    }

    void checkReference(TFillProject& p, TCustomFillField& f, int position) {
        if (f.RefTable.empty() || f.RefColumn.empty()) {
            add(true, p, f.ColumnName, "takes values from another table, but none is named");
            return;
        }
        TFillProject* source = findProject(f.RefTable, f.RefTableOwner);
        if (!source) {
            add(true, p, f.ColumnName, "source table " + f.RefTable + " does not exist");
            return;
        }
        // the run draws a self-reference from the table's own rows, and sets a nullable key into a
        // table filled later once that table has its rows
        if (source == &p) {
            checkSelfKey(p, f);
            return;
        }
        int sourcePosition = projects_.IndexOfProject(source);
        const bool waits = f.Nullable || deferrable(p, f.ColumnName);
        if (waits && source->doFill && source->Rows > 0 && sourcePosition > position) return;
        bool filledBefore = source->doFill && source->Rows > 0 && sourcePosition < position;
        if (filledBefore || rowsOf_(*source) > 0) return;
        std::string why =
            source->doFill && source->Rows > 0 ? "is filled only after it (try tdg order)" : "is not filled";
        add(true, p, f.ColumnName, "source table " + source->TableName + " is empty and " + why);
    }

    // A NOT NULL key whose check the engine defers to the commit waits like a nullable one.
    bool deferrable(TFillProject& p, const std::string& column) const {
        auto table = kvl::Supports<kvl::IKVL_Table>(p.TableObject);
        if (!table || !projects_.StructureEngine) return false;
        for (const auto& fk : ForeignKeysOf(*table)) {
            const auto columns = fk->ColumnNames();
            for (const std::string& c : columns)
                if (kvl::SameText(c, column)) return projects_.StructureEngine->DefersKey(*fk);
        }
        return false;
    }

    // A row can point at rows of its own table only when the run knows their keys.
    void checkSelfKey(TFillProject& p, TCustomFillField& f) {
        TCustomFillField* key = fieldOf(p, f.RefColumn);
        if (key && key->FillType != fillNothing) return;
        const std::string why = "points at rows of its own table, but their key " + f.RefColumn +
                                " is left to the server, so the run cannot know it";
        if (f.Nullable)
            add(false, p, f.ColumnName, why + "; the column stays NULL");
        else
            add(true, p, f.ColumnName, why + " (fill " + f.RefColumn + ", e.g. counting up)");
    }

    // How many rows a referenced table will hold when a table after it starts.
    int64_t rowsBefore(TFillProject& source, int position) {
        const int at = projects_.IndexOfProject(&source);
        const int64_t now = rowsOf_(source);
        if (!source.doFill || at >= position) return now;
        return (source.EmptyFirst ? 0 : now) + source.Rows;
    }

    // A unique key made of whole foreign keys gets each combination of referenced rows once.
    void checkUniqueLinks(TFillProject& p, int position) {
        auto table = kvl::Supports<kvl::IKVL_Table>(p.TableObject);
        if (!table || !table->ForeignKeys()) return;
        std::vector<std::vector<std::string>> keys;
        if (auto pk = table->PrimaryKey(); pk && pk->Columns()) {
            keys.emplace_back();
            for (const auto& c : *pk->Columns())
                keys.back().push_back(c->Name());
        }
        if (auto indices = table->Indices())
            for (const auto& item : *indices)
                if (auto index = kvl::Supports<kvl::IKVL_Index>(item); index && index->Unique())
                    keys.push_back(index->ColumnNames());
        for (const auto& key : keys)
            checkUniqueKey(p, position, *table, key);
    }

    void checkUniqueKey(TFillProject& p, int position, const kvl::IKVL_Table& table,
                        const std::vector<std::string>& key) {
        size_t covered = 0;
        int64_t combinations = 1;
        std::string names;
        for (const auto& item : *table.ForeignKeys()) {
            auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item);
            auto columns = fk->ColumnNames();
            if (!std::all_of(columns.begin(), columns.end(),
                             [&](const std::string& c) { return contains(key, c); }))
                continue;
            TFillProject* source = findProject(fk->ReferencedTable(), fk->ReferencedTableOwner());
            if (!source || source == &p || projects_.IndexOfProject(source) > position) return;
            for (const std::string& c : columns) {
                auto* f = fieldOf(p, c);
                if (!f || f->FillType != fillReferential) return;
            }
            covered += columns.size();
            const int64_t n = rowsBefore(*source, position);
            combinations = combinations > INT64_MAX / std::max<int64_t>(n, 1) ? INT64_MAX : combinations * n;
            for (const std::string& c : columns)
                names += (names.empty() ? "" : ", ") + c;
        }
        if (covered != key.size() || combinations >= p.Rows) return;
        add(false, p, "",
            kvl::Format(
                "unique key (%s) of foreign keys has %d combinations of referenced rows for %d rows; "
                "the table ends after %d rows",
                {names, static_cast<long long>(combinations), p.Rows, static_cast<long long>(combinations)}));
    }

    static TCustomFillField* fieldOf(TFillProject& p, const std::string& column) {
        for (auto& f : p.GetFillFields())
            if (kvl::SameText(f->ColumnName, column)) return f.get();
        return nullptr;
    }

    TFillProject* findProject(const std::string& name, const std::string& owner) const {
        for (TFillProject* p : projects_.Projects)
            if (kvl::SameText(p->TableName, name) && (owner.empty() || kvl::SameText(p->TableOwner, owner)))
                return p;
        return nullptr;
    }

    TFillProjects& projects_;
    const std::function<int64_t(const TFillProject&)>& rowsOf_;
    std::string dataDir_;
    std::vector<TFinding> findings_;
};

} // namespace

std::vector<TFinding> CheckProjects(TFillProjects& projects,
                                    const std::function<int64_t(const TFillProject&)>& rowsOf,
                                    const std::string& dataDir) {
    return TChecker(projects, rowsOf, dataDir).Run();
}

std::vector<std::string> PlanLines(TFillProjects& projects) {
    std::vector<std::string> lines;
    const TObjectListPlus& list = projects.Projects;
    for (int i = 0; i < list.Count(); ++i) {
        TFillProject* p = list[i];
        auto table = kvl::Supports<kvl::IKVL_Table>(p->TableObject);
        if (!p->doFill || !table || !table->ForeignKeys()) continue;
        for (const auto& item : *table->ForeignKeys()) {
            auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item);
            auto columns = fk->ColumnNames();
            std::string names;
            bool nullable = true;
            for (const std::string& c : columns) {
                names += (names.empty() ? "" : ", ") + c;
                if (auto column =
                        kvl::Supports<kvl::IKVL_Column>(kvl::IList_ByName(table->Columns(), c, false)))
                    nullable = nullable && !column->NotNull();
            }
            const std::string where = "plan: " + p->TableName + "(" + names + ")";
            TFillProject* parent = ProjectOfTable(list, fk->ReferencedTable(), fk->ReferencedTableOwner());
            if (parent == p)
                lines.push_back(where + " points at rows of " + p->TableName + " inserted before" +
                                (nullable ? ", the first row at none" : " or at its own row"));
            else if (parent && parent->doFill && list.IndexOf(parent) > i && nullable)
                lines.push_back(where + " is inserted NULL and set once " + parent->TableName +
                                " has its rows");
            else if (columns.size() > 1)
                lines.push_back(where + " takes all its values from one row of " + fk->ReferencedTable());
        }
    }
    return lines;
}
