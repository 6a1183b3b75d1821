#pragma once
#include "UTFillProjects/TFillProjects.h"
#include "base/Usettings.h"

#include <string>

// Reports a run on a terminal (one updating line per table) or as plain lines when the output
// is not a terminal; reads the word lists from the archives of the data folder.
class TConsoleRun {
public:
    TConsoleRun(TFillProjects& projects, const kvl::TKVL_Settings& settings);
    // Runs every project marked for filling; true when every table ran without a table error.
    bool Run();
    void PrintSummary() const;

private:
    TFillProjects& projects_;
    kvl::TKVL_Settings settings_;
    bool terminal_;
    bool failed_ = false;
};
