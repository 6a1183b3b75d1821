#pragma once
#include "base/StringList.h"

#include <string>
#include <string_view>

// The error log of a table fill: the run and the engines write their entries in one form.

// The server's own words of an error message: Firebird-style texts carry the client's
// preamble before "ISC ERROR MESSAGE:" and the offending SQL after "STATEMENT:".
std::string CleanServerMessage(std::string_view message);

// Appends the three lines of one entry: the heading, the cleaned message and an empty line.
void AddErrorEntry(kvl::TStringList& log, const std::string& heading, std::string_view message);
