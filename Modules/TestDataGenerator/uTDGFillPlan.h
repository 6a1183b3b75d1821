#pragma once
#include "kvl3_db/Ukvl_catalogue.h"

#include <memory>
#include <string>
#include <vector>

class TFillProject;
class TFillProjects;
class TObjectListPlus;

// One foreign key as the plan sees it: an edge to the referenced table, however many columns.
struct TPlanKey {
    int Table = -1;        // the referenced table's index in the plan; -1 when outside it
    bool Nullable = false; // every column of the key accepts NULL
    std::string Name;
    std::vector<std::string> Columns;
    bool Deferrable = false; // its check can wait until the commit on this engine
};

struct TPlanTable {
    std::string Name;
    std::vector<TPlanKey> Keys;
};

// A key of a table, by indices into the plan's tables and that table's keys.
struct TPlanLink {
    int Table = -1;
    int Key = -1;
    bool operator==(const TPlanLink&) const = default;
};

struct TFillPlan {
    std::vector<int> Order;                            // table indices, parents first
    std::vector<TPlanLink> Deferred;                   // inserted NULL, set once the parent is filled
    std::vector<std::vector<TPlanLink>> NotNullCycles; // the keys of each cycle no NULL can break
    // The NOT NULL keys of each cycle broken at a key whose check waits for the commit: its
    // tables fill in one transaction.
    std::vector<std::vector<TPlanLink>> HeldCycles;
};

// Parents before children along every key that can be satisfied at insert time. Tables that
// are ready together keep their list order; a cycle is broken inside its own component, at the
// table whose waiting keys are all nullable and fewest, else at the one whose NOT NULL waiting
// keys can all be deferred to the commit. A key of a table to itself is no edge:
// the run draws such keys from the rows it has already inserted.
TFillPlan ComputeFillPlan(const std::vector<TPlanTable>& tables);

// The tables of a project list with their foreign keys, as the catalogue reports them; a key is
// deferrable only where the list's engine can defer it.
std::vector<TPlanTable> PlanTablesOf(const TObjectListPlus& list);

// The project of a table as a foreign key names it (owner-qualified or bare, letter case aside).
TFillProject* ProjectOfTable(const TObjectListPlus& list, const std::string& name, const std::string& owner);

// The settings a plan needs that the value guesses leave open: a table whose own rows the run
// must find again (a self-reference, a key set afterwards) gets its single integer key counted
// up by the run, as does the last column of a composite primary key that is in no foreign key.
void GuessPlanKeys(TFillProjects& projects);

// A table's foreign keys, each one key however many columns it has.
std::vector<std::shared_ptr<kvl::IKVL_ForeignKey>> ForeignKeysOf(const kvl::IKVL_Table& table);
