// A column kept after another of the row: its value is made from the earlier one's and must stay
// in order after the server keeps it at its own places (whole days, cents, seconds).
#include "FillFieldTestKit.h"

namespace {

struct OrderCase {
    const char* name;
    std::function<std::unique_ptr<TCustomFillField>(const KFillRecord&)> make;
    const char* type;
    int16_t scale;
    double unit;                 // the least difference the server keeps: a day, a cent, a second
    bool rounds;                 // the server keeps the value rounded to its unit (a date drops its time)
    double reach;                // a tenth of the range, and a unit
    std::vector<double> earlier; // earlier values besides those of the field's own draws
};

std::unique_ptr<TCustomFillField> integers(const KFillRecord& r) {
    auto f = std::make_unique<TIntegerFillField>(r);
    f->RangeFrom = 1;
    f->RangeTo = 1000;
    return f;
}

std::unique_ptr<TCustomFillField> decimals(const KFillRecord& r) {
    auto f = std::make_unique<TFloatFillField>(r);
    f->Precision = 8;
    f->RangeFrom = 1;
    f->RangeTo = 1000;
    return f;
}

std::unique_ptr<TCustomFillField> dates(const KFillRecord& r) {
    auto f = std::make_unique<TDateFillField>(r);
    f->DateFrom = kvl::EncodeDate(2015, 1, 1);
    f->DateTo = kvl::EncodeDate(2025, 12, 31);
    f->TimeFrom = 0;
    f->TimeTo = 86399.0 / 86400.0;
    return f;
}

const double kLastDay = kvl::EncodeDate(2025, 12, 31);

const OrderCase kCases[] = {
    {"integer", integers, "Integer", 0, 1, false, 100.9, {1000, -3}},
    // products with the places that land just below a step (0.29 * 100 = 28.999999999999996),
    // also above the range, where the least value that keeps the order is the only one
    {"decimal", decimals, "Decimal", 2, 0.01, true, 99.92, {0.29, 12.34, 999.99, 1024.09, 1024.34}},
    {"date", dates, "Date", 0, 1, true, 403, {kLastDay, kLastDay + 0.75}},
    {"date-time", dates, "DateTime", 0, 1.0 / 86400, false, 402, {kLastDay + 86399.0 / 86400}},
};

class OrderedValuesTest : public FillFieldTest {};

TEST_F(OrderedValuesTest, ALaterValueStaysInOrderAtTheServersPlacesAndCloseToTheEarlier) {
    for (const OrderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        auto earlier = c.make(Record(c.type, c.scale));
        auto later = c.make(Record(c.type, c.scale));
        for (auto* f : {earlier.get(), later.get()}) {
            f->FillType = fillRandom;
            f->prepareInsert();
        }
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
