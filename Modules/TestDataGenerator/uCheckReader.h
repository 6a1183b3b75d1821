#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One end of a range as the condition writes it: a number or the text of a date.
struct TCheckBound {
    std::string Value;
    bool Inclusive = true;
};

// What a condition asks of one column's values; parts the condition leaves open stay empty.
struct TColumnCondition {
    std::string Column; // as named in the condition, without quotes or table name
    std::vector<std::string> Values;
    std::optional<TCheckBound> Low, High;
    std::optional<int64_t> MinLength, MaxLength;
};

struct TCheckReading {
    bool Understood = false;
    std::vector<TColumnCondition> Conditions;
};

// Reads a CHECK condition: value lists (IN, = ANY (ARRAY[...]), equalities joined by OR),
// BETWEEN and comparisons with constants, and conditions on a text's length, joined by AND.
// Anything else is not understood, and nothing of the condition is used.
TCheckReading ReadCheck(const std::string& condition);
