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

// Values from Low to High; an open end is empty.
struct TCheckRange {
    std::optional<TCheckBound> Low, High;
};

// The one case a text's letters are in, when a condition asks for it (x = lower(x)).
enum class TTextCase { Any, Lower, Upper };

// What a condition asks of one column's values; parts the condition leaves open stay empty.
struct TColumnCondition {
    std::string Column; // as named in the condition, without quotes or table name
    std::vector<std::string> Values;
    std::optional<TCheckBound> Low, High;
    // Alternatives with gaps between their ranges (x < 10 OR x > 20): Low..High is the lowest
    // range, these are the others in ascending order.
    std::vector<TCheckRange> MoreRanges;
    std::optional<int64_t> MinLength, MaxLength;
    std::vector<std::string> Excluded; // values the column must not have
    std::string Prefix;                // the text every value starts with
    bool NotNull = false;
    bool Json = false; // every value is a JSON text (json_valid(x))
    std::string Mask;  // a mask whose values meet the condition's pattern (GLOB, LIKE with '_')
    // A LIKE pattern: one with a wildcard of any length before other parts ('%_@_%._%') is a
    // loose shape that a kind of value (e-mail addresses) meets better than a mask of it would;
    // one with a mask ('____-__-__') lets values of another kind that meet it (dates) keep it.
    std::string Shape;
    TTextCase Case = TTextCase::Any;

    // Low..High and the further ranges, lowest first.
    std::vector<TCheckRange> Ranges() const {
        std::vector<TCheckRange> all{{Low, High}};
        all.insert(all.end(), MoreRanges.begin(), MoreRanges.end());
        return all;
    }
};

// Two columns of the same row in order: High is above Low, or not below it when not Strict.
struct TColumnOrder {
    std::string Low, High;
    bool Strict = false;
};

// Two columns of the same row that must differ (x <> y).
struct TColumnPair {
    std::string First, Second;
};

struct TCheckReading {
    bool Understood = false;
    std::vector<TColumnCondition> Conditions;
    std::vector<TColumnOrder> Orders;
    std::vector<TColumnPair> Apart;
};

// Reads a CHECK condition: value lists (IN, NOT IN, = ANY (ARRAY[...]), equalities joined by
// OR), BETWEEN and comparisons with constants or with another column of the row, <>, IS NOT
// NULL, LIKE with a prefix or a pattern, GLOB, conditions on a text's length, json_valid(x) and
// x = lower(x) (or upper), joined by AND. Alternatives
// joined by OR on one column are one list, or ranges with gaps between them (NOT BETWEEN too);
// where their union cannot be said, they are read as one of them: a row that meets the reading
// meets the condition. Anything else is not understood, and nothing of it is used.
TCheckReading ReadCheck(const std::string& condition);
