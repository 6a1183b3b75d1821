#include "uCheckReader.h"

#include <gtest/gtest.h>

namespace {

// What a reading gives, written short: per condition "column: values [low..high] len(min,max)".
std::string summary(const TCheckReading& r) {
    if (!r.Understood) return "not understood";
    std::string out;
    for (const auto& c : r.Conditions) {
        if (!out.empty()) out += "; ";
        out += c.Column + ":";
        for (const auto& v : c.Values)
            out += " " + v;
        if (c.Low || c.High)
            out += std::string(" ") + (c.Low && c.Low->Inclusive ? "[" : "(") + (c.Low ? c.Low->Value : "") +
                   ".." + (c.High ? c.High->Value : "") + (c.High && c.High->Inclusive ? "]" : ")");
        if (c.MinLength || c.MaxLength)
            out += " len(" + (c.MinLength ? std::to_string(*c.MinLength) : "") + "," +
                   (c.MaxLength ? std::to_string(*c.MaxLength) : "") + ")";
    }
    return out;
}

struct Case {
    const char* condition;
    const char* expected;
};

// Conditions as the three servers write them back, and as users write them.
const Case kCases[] = {
    {"status in ('new', 'paid', 'it''s')", "status: new paid it's"},
    {"((status)::text = ANY ((ARRAY['new'::character varying, 'paid'::character varying])::text[]))",
     "status: new paid"},
    {"(rating = ANY (ARRAY[1, 2, 3]))", "rating: 1 2 3"},
    {"kind = 'a' or kind = 'b' OR (kind = 'c')", "kind: a b c"},
    {"qty between 1 and 99", "qty: [1..99]"},
    {"((qty >= 1) AND (qty <= 99))", "qty: [1..); qty: (..99]"},
    {"price > 0", "price: (0..)"},
    {"0 < price", "price: (0..)"},
    {"VALUE >= -5.5 AND VALUE < 1e3", "VALUE: [-5.5..); VALUE: (..1e3)"},
    {"((at IS NOT NULL) AND (at >= '2024-01-01'::date) AND (at < '2025-01-01'::date))",
     "at:; at: [2024-01-01..); at: (..2025-01-01)"},
    {"char_length((code)::text) <= 5", "code: len(,5)"},
    {"length(\"Code\") between 2 and 4", "Code: len(2,4)"},
    {"len([t].[code]) > 0", "code: len(1,)"},
    {"cast(n as integer) <> 3", "not understood"},
    {"a > 0 or b > 0", "not understood"},
    {"a = 1 or b = 2", "not understood"},
    {"a not in (1, 2)", "not understood"},
    {"a > b", "not understood"},
    {"name like 'A%'", "not understood"},
    {"lower(name) = name", "not understood"},
    {"length(code) < 99999999999999999999", "not understood"},
    {"length(code) < 2.5", "not understood"},
    {"status in ('a'", "not understood"},
    {"'unclosed", "not understood"},
    {"", "not understood"},
    {"((((((((((((((((((((((((((((((((((((a > 1))))))))))))))))))))))))))))))))))))", "not understood"},
};

TEST(CheckReaderTest, ReadsTheUnderstoodFormsAndRefusesTheRest) {
    for (const Case& c : kCases)
        EXPECT_EQ(summary(ReadCheck(c.condition)), c.expected) << c.condition;
}

} // namespace
