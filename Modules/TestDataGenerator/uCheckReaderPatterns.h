#pragma once
#include <optional>
#include <string>

// Masks whose values match a CHECK's text pattern: literal text in brackets, a letter or digit
// for each one-character wildcard or set, nothing for a wildcard of any length. Nothing where
// the pattern asks more than a mask can say (groups, alternatives, negated sets) or no more than
// literal text.
std::optional<std::string> GlobMask(const std::string& pattern);    // '*', '?', [A-Z]
std::optional<std::string> LikeMask(const std::string& pattern);    // '%', '_'
std::optional<std::string> RegexMask(const std::string& pattern);   // sets, \d, '.', counts
std::optional<std::string> SimilarMask(const std::string& pattern); // LIKE's marks and RegexMask's
