#pragma once
#include "base/DateTime.h"
#include "base/StringList.h"

#include <functional>
#include <string>

class TFillProject;

enum TActionTime { atBefore, atAfter };
enum TExternalDataKind {
    xdCities,
    xdCountries,
    xdFirstNames,
    xdLastNames,
    xdStreets,
    xdStates,
    xdCompanies,
    xdJobTitles,
    xdWords
};
enum TTableShuffleMethod { tsmAll, tsmToFillOnly, tsmToFillAndWithOptions, tsmFillPlan };

// Times are date-time values in days (1.0 = 24 hours).
using TFillNotify = std::function<void(TFillProject* Sender, int currRow, int rowErrors, int rowsPerSec,
                                       kvl::TDateTime timeElapsed, kvl::TDateTime timeNeeded)>;
using TInitTableFill = std::function<void(TFillProject* Sender, const std::string& currTable,
                                          const std::string& currTask, int tableIndex, int rowsToInsert)>;
using TTaskNotify = std::function<void(TFillProject* Sender, const std::string& task)>;
using TFillFinished = std::function<void(TFillProject* Sender)>;
using TExternalDataInit = std::function<void(TExternalDataKind DataKind, kvl::TStringList& TargetList)>;
using TReferentialNotify =
    std::function<void(TFillProject* Sender, const std::string& currTable, int currRow)>;
