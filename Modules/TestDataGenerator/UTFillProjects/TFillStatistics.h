#pragma once
#include "base/DateTime.h"
#include "base/StringList.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The names whose state a run changed on the server: a name counts once the server has taken the
// change, so that the summary reports what happened rather than what was asked for.
class TStateChanges {
public:
    void Clear() {
        switchedOff_.clear();
        switchedOn_.clear();
    }
    void Changed(const std::string& name, bool active) {
        auto& names = active ? switchedOn_ : switchedOff_;
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    const std::vector<std::string>& SwitchedOff() const { return switchedOff_; }
    // Switched off by the run and not back on.
    std::vector<std::string> LeftOff() const {
        std::vector<std::string> left;
        for (const auto& name : switchedOff_)
            if (std::find(switchedOn_.begin(), switchedOn_.end(), name) == switchedOn_.end())
                left.push_back(name);
        return left;
    }
    int32_t Reactivated() const {
        return static_cast<int32_t>(switchedOff_.size()) - static_cast<int32_t>(LeftOff().size());
    }

private:
    std::vector<std::string> switchedOff_, switchedOn_;
};

// What the last run of a table did, and its error log.
class TFillStatistics {
public:
    int32_t RowsInserted = 0;
    int32_t ErrorCount = 0;
    // rows sent in a transaction whose commit the server refused
    int32_t RowsLost = 0;
    kvl::TDateTime InsertTime = 0;
    int32_t IndicesDeactivated = 0;
    kvl::TDateTime IndexRebuildTime = 0;
    int32_t TriggersDeactivated = 0;
    TStateChanges IndexStates, TriggerStates;
    kvl::TStringList Log;
};
