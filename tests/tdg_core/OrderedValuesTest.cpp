// A column kept after another of the row: its value is made from the earlier one's and must stay
// in order after the server keeps it at its own places (whole days, cents, seconds).
#include "FillFieldTestKit.h"

namespace {

struct OrderCase {
    const char* name;
    const char* type;
    int16_t scale;
    double from, to;
    double unit;                 // the least difference the server keeps: a day, a cent, a second
    bool rounds;                 // the server keeps the value rounded to its unit (a date drops its time)
    double reach;                // a tenth of the range, and a unit
    std::vector<double> earlier; // earlier values besides those of the field's own draws
};

const double kFirstDay = kvl::EncodeDate(2015, 1, 1), kLastDay = kvl::EncodeDate(2025, 12, 31);

const OrderCase kCases[] = {
    {"integer", "Integer", 0, 1, 1000, 1, false, 100.9, {1000, -3}},
    // products with the places that land just below a step (0.29 * 100 = 28.999999999999996),
    // also above the range, where the least value that keeps the order is the only one
    {"decimal", "Decimal", 2, 1, 1000, 0.01, true, 99.92, {0.29, 12.34, 999.99, 1024.09, 1024.34}},
    {"date", "Date", 0, kFirstDay, kLastDay, 1, true, 403, {kLastDay, kLastDay + 0.75}},
    {"date-time", "DateTime", 0, kFirstDay, kLastDay, 1.0 / 86400, false, 402, {kLastDay + 86399.0 / 86400}},
};

class OrderedValuesTest : public FillFieldTest {};

TEST_F(OrderedValuesTest, ALaterValueStaysInOrderAtTheServersPlacesAndCloseToTheEarlier) {
    for (const OrderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        auto earlier = RandomField(Record(c.type, c.scale), c.from, c.to);
        auto later = RandomField(Record(c.type, c.scale), c.from, c.to);
        earlier->prepareInsert();
        later->prepareInsert();
        std::vector<double> lows = c.earlier;
        for (const auto& v : Draw(*earlier, 2000))
            lows.push_back(v.AsDouble());
        for (const bool strict : {false, true})
            for (const double low : lows) {
                const auto value = later->ValueFrom(kvl::TVariant(low), strict);
                ASSERT_TRUE(value);
                const double v = value->AsDouble();
                // what the server compares: a date's day, a decimal's cents
                const double kept = !c.rounds     ? low
                                    : c.scale > 0 ? std::round(low / c.unit) * c.unit
                                                  : std::floor(low);
                if (strict)
                    EXPECT_GE(v - kept, c.unit * 0.999) << low;
                else
                    EXPECT_GE(v - kept, -1e-9) << low;
                EXPECT_LE(v - kept, c.reach) << low;
                if (c.rounds) EXPECT_NEAR(v / c.unit, std::round(v / c.unit), 1e-6) << v;
            }
    }
}

TEST_F(OrderedValuesTest, OnlyRandomValuesFollow) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillFixed;
    EXPECT_FALSE(f.ValueFrom(kvl::TVariant(5), true));
}

} // namespace
