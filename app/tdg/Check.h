#pragma once
#include <functional>
#include <string>
#include <vector>

class TFillProjects;
class TFillProject;

// One thing the pre-flight check found, about one column (or a whole table when Column is empty).
struct TFinding {
    bool Error = true; // false: a warning, the run goes on as the settings say
    std::string Table;
    std::string Column;
    std::string Text;
    bool Note = false; // neither error nor warning: how the run goes

    std::string Line() const;
};

// Looks at the settings of every table to fill before any row is written. rowsOf tells how
// many rows a table holds now; it is asked only about referenced tables. dataDir is the folder
// of the word-list archives, ending in a path delimiter.
std::vector<TFinding> CheckProjects(TFillProjects& projects,
                                    const std::function<int64_t(const TFillProject&)>& rowsOf,
                                    const std::string& dataDir);

// What the run does with the keys that the order alone cannot satisfy, one "plan:" line each:
// self-references, keys set after a later table, keys of several columns.
std::vector<std::string> PlanLines(TFillProjects& projects);

bool HasErrors(const std::vector<TFinding>& findings);
