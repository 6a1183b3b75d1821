#pragma once
#include "base/DateTime.h"
#include "base/StringList.h"

#include <cstdint>

// What the last run of a table did, and its error log.
class TFillStatistics {
public:
    int32_t RowsInserted = 0;
    int32_t ErrorCount = 0;
    kvl::TDateTime InsertTime = 0;
    int32_t IndicesDeactivated = 0;
    kvl::TDateTime IndexRebuildTime = 0;
    int32_t TriggersDeactivated = 0;
    kvl::TStringList Log;
};
