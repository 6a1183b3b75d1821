#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

// The names of the ":name" parameters of an SQL text, in order of appearance; quoted texts,
// quoted identifiers, comments and "::" casts are passed over.
std::vector<std::string> SqlParamNames(std::string_view sql);

} // namespace kvl
