#pragma once
#include "DateTime.h"

#include <string>

namespace kvl {

// The ISO texts of IsoDate, IsoTime and IsoDateTime written into out, whose room is kept: a fill
// writes one per value, and a new string each time would cost more than the value itself.
void AssignIsoDate(std::string& out, TDateTime value);
void AssignIsoTime(std::string& out, TDateTime value);
void AssignIsoDateTime(std::string& out, TDateTime value);

} // namespace kvl
