#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

// The names of the ":name" parameters of an SQL text, in order of appearance; quoted texts,
// quoted identifiers, comments and "::" casts are passed over.
std::vector<std::string> SqlParamNames(std::string_view sql);

// The SQL text with its ":name" parameters written as the numbered placeholders "$1", "$2", ...
// in order of appearance, one number per occurrence, as servers with numbered parameters read it.
std::string SqlWithNumberedParams(std::string_view sql);

// The SQL text with its ":name" parameters written as "?", as servers with positional parameters
// read it.
std::string SqlWithPositionalParams(std::string_view sql);

} // namespace kvl
