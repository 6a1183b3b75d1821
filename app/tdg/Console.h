#pragma once
#include "UTFillProjects/TFillProjects.h"
#include "base/Usettings.h"

#include <chrono>
#include <string>

// Reads the word lists from the archives of the data folder dataDir (ending in a path delimiter).
TExternalDataInit WordListLoader(const std::string& dataDir);

// Reports a run on a terminal (one updating progress bar per table) or as plain lines when
// the output is not a terminal; reads the word lists from the archives of the data folder.
class TConsoleRun {
public:
    TConsoleRun(TFillProjects& projects, const kvl::TKVL_Settings& settings);
    // Runs every project marked for filling; true when every table ran to its end. A table
    // error is printed, not raised.
    bool Run();
    void PrintSummary() const;

private:
    void progress(TFillProject* p, int row, int errors, int rate, kvl::TDateTime needed);
    // Progress comes after every row; the screen is redrawn a few times a second at most.
    bool due(bool terminal);

    TFillProjects& projects_;
    kvl::TKVL_Settings settings_;
    bool terminal_;
    bool failed_ = false;
    std::chrono::steady_clock::time_point lastShown_{};
};
