#include "uTDGTableShuffle.h"

#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "UTFillProjects/TFillStructureEngine.h"
#include "base/Exceptions.h"
#include "base/StringList.h"

#include <algorithm>
#include <vector>

namespace {

// A temporary list that never frees its projects.
class Borrowed : public TObjectListPlus {
public:
    Borrowed() { OwnsObjects = false; }
};

std::shared_ptr<kvl::IKVL_Table> tableOf(const TFillProject* p) {
    return kvl::Supports<kvl::IKVL_Table>(p->TableObject);
}

bool contains(const TObjectListPlus& list, const std::string& name) {
    return list.ByName(name) != nullptr;
}

std::vector<std::shared_ptr<kvl::IKVL_ForeignKey>> foreignKeys(const kvl::IKVL_Table& table) {
    std::vector<std::shared_ptr<kvl::IKVL_ForeignKey>> keys;
    if (auto list = table.ForeignKeys())
        for (const auto& item : *list)
            if (auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item)) keys.push_back(fk);
    return keys;
}

// Step one: parents outside the waiting tables, or the table itself, do not hold a table back.
bool readyInFirstPass(const TFillProject* p, const TObjectListPlus& work) {
    auto table = tableOf(p);
    if (!table) return false;
    for (const auto& fk : foreignKeys(*table)) {
        const std::string referenced = fk->ReferencedTable();
        if (contains(work, referenced) && referenced != table->ReferenceName()) return false;
    }
    return true;
}

bool readyLater(const TFillProject* p, const TObjectListPlus& placed, const TObjectListPlus& work) {
    auto table = tableOf(p);
    if (!table) return true;
    for (const auto& fk : foreignKeys(*table)) {
        const std::string referenced = fk->ReferencedTable();
        if (!contains(placed, referenced) && contains(work, referenced)) return false;
    }
    return true;
}

int cycleChoice(const TObjectListPlus& work) {
    int choice = -1;
    size_t choiceCount = 0;
    size_t previousTotal = 0;
    for (int i = 0; i < work.Count(); ++i) {
        auto table = tableOf(work[i]);
        auto keys = table ? foreignKeys(*table) : std::vector<std::shared_ptr<kvl::IKVL_ForeignKey>>();
        size_t count = static_cast<size_t>(std::count_if(
            keys.begin(), keys.end(), [&](const auto& fk) { return contains(work, fk->ReferencedTable()); }));
        if (choice < 0 || count < choiceCount || (count == choiceCount && keys.size() < previousTotal)) {
            choice = i;
            choiceCount = count;
        }
        previousTotal = keys.size();
    }
    return choice;
}

void place(TObjectListPlus& list, TObjectListPlus& work, int index) {
    list.Add(work.Extract(index));
}

} // namespace

void ShuffleTablesAccordingToFKs(TObjectListPlus& List) {
    Borrowed work;
    Borrowed aside;
    TOwnershipOff off(List);
    try {
        for (int i = List.Count() - 1; i >= 0; --i) {
            const TFillProject* p = List[i];
            if (kvl::ObjectSupports<kvl::IKVL_View>(p->TableObject) ||
                kvl::ObjectSupports<kvl::IKVL_SystemTable>(p->TableObject))
                aside.Add(List.Extract(i));
        }
        std::vector<TFillProject*> remaining(List.begin(), List.end());
        std::stable_sort(remaining.begin(), remaining.end(),
                         [](const TFillProject* a, const TFillProject* b) {
                             return kvl::CompareText(a->TableName, b->TableName) < 0;
                         });
        List.Clear();
        for (TFillProject* p : remaining)
            work.Add(p);

        for (int i = work.Count() - 1; i >= 0; --i)
            if (readyInFirstPass(work[i], work)) place(List, work, i);
        while (work.Count() > 0) {
            const int before = work.Count();
            for (int i = work.Count() - 1; i >= 0; --i)
                if (readyLater(work[i], List, work)) place(List, work, i);
            if (work.Count() == before) place(List, work, cycleChoice(work));
        }
    } catch (...) {
        // nothing may get lost: whatever is still waiting goes back to the list
        while (work.Count() > 0)
            List.Add(work.Extract(0));
        while (aside.Count() > 0)
            List.Add(aside.Extract(0));
        throw;
    }
    while (aside.Count() > 0)
        List.Add(aside.Extract(0));
}

void TFillProjects::ShuffleTables(TTableShuffleMethod method) {
    auto schema = StructureEngine->GetDatabase() ? StructureEngine->GetDatabase()->DefaultSchema()
                                                 : StructureEngine->GetSchema();
    if (!schema->Capability(kvl::capForeignKeys).Available) return;
    if (method == tsmAll) {
        ShuffleTablesAccordingToFKs(Projects);
        return;
    }
    if (method == tsmFillPlan) {
        PlanTables();
        return;
    }
    if (method != tsmToFillOnly && method != tsmToFillAndWithOptions)
        throw kvl::Exception("Unhandled \"ShuffleMethod\" in ShuffleTables");
    Borrowed chosen;
    TOwnershipOff off(Projects);
    for (int i = Projects.Count() - 1; i >= 0; --i) {
        TFillProject* p = Projects[i];
        if (p->doFill || (method == tsmToFillAndWithOptions && p->HasFieldSettings()))
            chosen.Add(Projects.Extract(i));
    }
    try {
        ShuffleTablesAccordingToFKs(chosen);
    } catch (...) {
        while (chosen.Count() > 0)
            Projects.Insert(0, chosen.Extract(chosen.Count() - 1));
        throw;
    }
    for (int i = chosen.Count() - 1; i >= 0; --i)
        Projects.Insert(0, chosen.Extract(i));
}
