#include "FillFieldTestKit.h"
#include <array>

namespace {

class NumberFillFieldTest : public FillFieldTest {
protected:
    // How often each value came up; every value must be a whole number handed over as a real.
    static std::map<int64_t, int> Histogram(TCustomFillField& f, int count) {
        std::map<int64_t, int> seen;
        for (const kvl::TVariant& v : Draw(f, count)) {
            EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::Double);
            EXPECT_EQ(v.Double(), std::trunc(v.Double()));
            ++seen[static_cast<int64_t>(v.Double())];
        }
        return seen;
    }

    struct Spread {
        double Min = 1e300;
        double Max = -1e300;
    };

    static Spread SpreadOf(TCustomFillField& f, int count) {
        Spread s;
        for (const kvl::TVariant& v : Draw(f, count)) {
            EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::Double);
            s.Min = std::min(s.Min, v.Double());
            s.Max = std::max(s.Max, v.Double());
        }
        return s;
    }
};

// Reversed bounds are stored exchanged; an empty range is not ready and gives its only value.
TEST_F(NumberFillFieldTest, WholeRandomValuesReachBothBoundsAndNothingOutside) {
    struct Case {
        int32_t from, to, low, high;
    };
    const Case cases[] = {{1, 10, 1, 10},
                          {-10, -1, -10, -1},
                          {-3, 0, -3, 0},
                          {0, 4, 0, 4},
                          {-5, 5, -5, 5},
                          {10, 1, 1, 10},
                          {0, 0, 0, 0},
                          {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX},
                          {INT32_MAX - 1, INT32_MAX, INT32_MAX - 1, INT32_MAX},
                          {INT32_MIN, INT32_MIN + 1, INT32_MIN, INT32_MIN + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to));
        TIntegerFillField f(Record("Integer"));
        f.FillType = fillRandom;
        f.RangeFrom = c.from;
        f.RangeTo = c.to;
        EXPECT_EQ(f.GetReadyForFilling(), c.from != c.to);
        f.prepareInsert();
        EXPECT_EQ(f.RangeFrom, c.low);
        EXPECT_EQ(f.RangeTo, c.high);
        std::map<int64_t, int> seen = Histogram(f, 20000);
        EXPECT_GE(seen.begin()->first, c.low);
        EXPECT_LE(seen.rbegin()->first, c.high);
        if (int64_t{c.high} - c.low < 100) EXPECT_EQ(seen.size(), static_cast<size_t>(c.high - c.low + 1));
    }
}

// Across zero, zero comes up twice as often as any other value; a range ending at zero is uniform.
TEST_F(NumberFillFieldTest, WholeRandomValuesAreSpreadAsDocumented) {
    for (auto [from, to] : {std::pair{-5, 5}, std::pair{-3, 0}}) {
        TIntegerFillField f(Record("Integer"));
        f.FillType = fillRandom;
        f.RangeFrom = from;
        f.RangeTo = to;
        f.prepareInsert();
        const bool across = to > 0;
        const double share = 60000.0 / (to - from + (across ? 2 : 1));
        for (auto [value, count] : Histogram(f, 60000)) {
            const double expected = across && value == 0 ? 2 * share : share;
            EXPECT_NEAR(count, expected, expected * 0.1) << from << ".." << to << ": " << value;
        }
    }
}

// Each preparation starts again; a step of zero is not ready and repeats the start.
TEST_F(NumberFillFieldTest, WholeIncreasingValuesStepAndWrapAtThe32BitLimitAndFixedOnesRepeat) {
    struct Case {
        int32_t start, step;
        std::vector<int32_t> values;
    };
    const Case cases[] = {{100, -5, {100, 95, 90}},
                          {INT32_MAX - 1, 1, {INT32_MAX - 1, INT32_MAX, INT32_MIN, INT32_MIN + 1}},
                          {5, 0, {5, 5, 5}}};
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillIncreasing;
    for (const Case& c : cases) {
        f.RangeFrom = c.start;
        f.StaticValue = c.step;
        EXPECT_EQ(f.GetReadyForFilling(), c.step != 0);
        f.prepareInsert();
        for (int32_t expected : c.values)
            EXPECT_EQ(f.getInsertValue(), kvl::TVariant(expected));
        f.unprepareInsert();
    }
    f.FillType = fillFixed;
    f.StaticValue = 42;
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(42)) << "a fixed value is an integer";
}

TEST_F(NumberFillFieldTest, WholeGeneratorIsTheFirstByNameAndGivesNoValue) {
    projects.Generators.Add("GEN_B");
    projects.Generators.Add("GEN_A");
    TIntegerFillField f(Record("Integer"));
    EXPECT_EQ(f.GeneratorName, "GEN_A");
    f.FillType = fillGenerator;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_TRUE(f.getInsertValue().IsEmpty());
    f.GeneratorName.clear();
    EXPECT_FALSE(f.GetReadyForFilling());
}

TEST_F(NumberFillFieldTest, RealRandomBoundsAwayFromZeroAreWidenedByAHundredth) {
    struct Case {
        double From, To, Low, High;
    };
    const Case cases[] = {{1, 2, 1, 2.01},   {-2, -1, -2.01, -1},  {-1, 1, -1.01, 1.01}, {0, 5, 0, 5.01},
                          {-5, 0, -5.01, 0}, {2.5, 1.5, 1.5, 2.51}}; // reversed: stored exchanged once
    for (const Case& c : cases) {
        TFloatFillField f(Record("Float", 4));
        f.FillType = fillRandom;
        f.RangeFrom = c.From;
        f.RangeTo = c.To;
        f.prepareInsert();
        f.prepareInsert();
        Spread s = SpreadOf(f, 20000);
        EXPECT_GE(s.Min, c.Low) << c.From << ".." << c.To;
        EXPECT_LT(s.Min, c.Low + 0.002) << c.From << ".." << c.To;
        EXPECT_LT(s.Max, c.High) << c.From << ".." << c.To;
        EXPECT_GT(s.Max, c.High - 0.002) << c.From << ".." << c.To;
        EXPECT_EQ(f.RangeFrom, std::min(c.From, c.To));
        EXPECT_EQ(f.RangeTo, std::max(c.From, c.To));
    }
}

TEST_F(NumberFillFieldTest, RealReferentialValuesFollowTheLocale) {
    kvl::TFormatSettings fs;
    fs.DecimalSeparator = ',';
    kvl::TFormatSettingsScope comma(fs);
    TFloatFillField f(Record("Float", 4));
    f.FillType = fillReferential;
    f.RefTable = "PRICES";
    f.RefColumn = "AMOUNT";
    engine.ColumnData["PRICES.AMOUNT"] = {"2,75", "", "n/a"};
    f.prepareInsert();
    EXPECT_EQ(f.RefValues.Text(), "2,75");
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(2.75));

    engine.ColumnData["PRICES.AMOUNT"] = {};
    EXPECT_EQ(MessageOf<EFillNoReferentialValuesError>([&] { f.prepareInsert(); }),
              "no referential values found in \"PRICES.AMOUNT\".");
}

// An empty random range is not ready and gives zero; an increasing one needs a step, and each
// preparation starts again.
TEST_F(NumberFillFieldTest, RealReadinessFixedAndIncreasingValues) {
    TFloatFillField f(Record("Decimal", 2));
    f.FillType = fillRandom;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(0.0));
    f.FillType = fillList;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FillType = fillFixed;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.StaticValue = 3.5;
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(3.5));

    f.FillType = fillIncreasing;
    f.StaticValue = 0;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.RangeFrom = 0.5;
    f.StaticValue = 0.25;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    for (double expected : {0.5, 0.75, 1.0, 1.25})
        EXPECT_EQ(f.getInsertValue(), kvl::TVariant(expected));
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(0.5));

    // past the 32-bit limit
    f.RangeFrom = 2147483647.0;
    f.StaticValue = 1;
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(2147483647.0));
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(2147483648.0));
}

using kvl::EncodeDate;
using kvl::EncodeTime;

using Ymd = std::tuple<int, int, int>;

Ymd DayOf(kvl::TDateTime v) {
    kvl::TDateParts p = kvl::DecodeDateTime(v);
    return {p.Year, p.Month, p.Day};
}

// Milliseconds since midnight.
int MSecOfDay(kvl::TDateTime v) {
    kvl::TDateParts p = kvl::DecodeDateTime(v);
    return ((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000 + p.MilliSecond;
}

kvl::TDateTime On(const Ymd& day) {
    return EncodeDate(std::get<0>(day), std::get<1>(day), std::get<2>(day));
}

constexpr int MSecsPerHour = 3600 * 1000;

// The days of the values, and the least and greatest time of day among them.
std::set<Ymd> DaysOf(const std::vector<kvl::TVariant>& values, int* minMSec = nullptr,
                     int* maxMSec = nullptr) {
    std::set<Ymd> days;
    int lo = 86400000, hi = -1;
    for (const kvl::TVariant& v : values) {
        EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::DateTime);
        days.insert(DayOf(v.DateTimeValue()));
        lo = std::min(lo, MSecOfDay(v.DateTimeValue()));
        hi = std::max(hi, MSecOfDay(v.DateTimeValue()));
    }
    if (minMSec) *minMSec = lo;
    if (maxMSec) *maxMSec = hi;
    return days;
}

// Before 30 December 1899 the day count runs backwards while the time of day runs forwards.
TEST_F(FillFieldTest, DateRandomValuesCoverEveryDayAndStayWithinTheirHours) {
    struct Case {
        const char* type;
        Ymd from, to;
        int fromHour, toHour;
        size_t days;
    };
    const Case cases[] = {
        {"DateTime", {2023, 3, 1}, {2023, 3, 31}, 8, 17, 31},
        {"Date", {2024, 2, 20}, {2024, 2, 29}, 0, 0, 10},
        {"Date", {1900, 2, 20}, {1900, 2, 28}, 0, 0, 9},
        {"DateTime", {1850, 6, 1}, {1850, 6, 3}, 10, 11, 3},
        {"DateTime", {1899, 12, 28}, {1899, 12, 31}, 10, 11, 4},
        {"Date", {2024, 5, 10}, {2024, 5, 1}, 0, 0, 10}, // reversed: stored exchanged once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::get<0>(c.from));
        TDateFillField f(Record(c.type));
        f.FillType = fillRandom;
        f.DateFrom = On(c.from);
        f.DateTo = On(c.to);
        f.TimeFrom = EncodeTime(c.fromHour, 0, 0, 0);
        f.TimeTo = EncodeTime(c.toHour, 0, 0, 0);
        f.prepareInsert();
        f.prepareInsert();
        EXPECT_EQ(f.DateFrom, On(std::min(c.from, c.to)));
        EXPECT_EQ(f.DateTo, On(std::max(c.from, c.to)));
        int lo = 0, hi = 0;
        std::set<Ymd> days = DaysOf(Draw(f, 20000), &lo, &hi);
        EXPECT_EQ(days.size(), c.days);
        EXPECT_EQ(*days.begin(), std::min(c.from, c.to));
        EXPECT_EQ(*days.rbegin(), std::max(c.from, c.to));
        if (c.toHour == 0) continue;
        EXPECT_GE(lo, c.fromHour * MSecsPerHour);
        EXPECT_LT(lo, c.fromHour * MSecsPerHour + 60000);
        EXPECT_LT(hi, c.toHour * MSecsPerHour);
        EXPECT_GT(hi, c.toHour * MSecsPerHour - 60000);
    }
}

// A time falls on today, at random or fixed; a date drops the time of day.
TEST_F(FillFieldTest, DateTimesFallOnTodayAndFixedValuesFollowTheirKind) {
    for (const int32_t fill : {fillRandom, fillFixed}) {
        TDateFillField f(Record("Time"));
        f.FillType = fill;
        f.DateFrom = EncodeDate(2000, 1, 1);
        f.DateTo = EncodeDate(2000, 12, 31);
        f.TimeFrom = EncodeTime(1, 0, 0, 0);
        f.TimeTo = EncodeTime(2, 0, 0, 0);
        f.StaticDate = f.DateFrom;
        f.StaticTime = EncodeTime(1, 30, 0, 0);
        f.prepareInsert();
        int lo = 0, hi = 0;
        std::set<Ymd> days = DaysOf(Draw(f, 1000), &lo, &hi);
        EXPECT_TRUE(days.contains(DayOf(kvl::Date()))) << fill;
        EXPECT_LE(days.size(), 2u); // a run over midnight
        EXPECT_GE(lo, MSecsPerHour) << fill;
        EXPECT_LT(hi, 2 * MSecsPerHour) << fill;
        EXPECT_EQ(fill == fillFixed, lo == hi && hi == 90 * 60000) << fill;
    }
    const kvl::TDateTime date = EncodeDate(1888, 2, 29);
    const kvl::TDateTime time = EncodeTime(13, 14, 15, 0);
    TDateFillField dt(Record("DateTime")), d(Record("Date"));
    for (TDateFillField* f : {&dt, &d}) {
        f->FillType = fillFixed;
        f->StaticDate = date;
        f->StaticTime = time;
        f->prepareInsert();
    }
    const kvl::TDateTime v = dt.getInsertValue().DateTimeValue(); // days before 1899 run backwards
    EXPECT_EQ(DayOf(v), Ymd(1888, 2, 29));
    EXPECT_EQ(MSecOfDay(v), MSecOfDay(time));
    EXPECT_EQ(d.getInsertValue(), kvl::TVariant::FromDateTime(date));
}

// Only positive increments count; days are taken as 32 bits; no drift over many small steps;
// before 30 December 1899 the time still runs forwards.
TEST_F(FillFieldTest, DateIncreasingValuesAddTheirIncrements) {
    struct Case {
        const char* type;
        Ymd start;
        int minute;
        std::array<int64_t, 4> daysHoursMinutesSeconds;
        int skipped;
        std::vector<int> minutesAfterStart;
    };
    const Case cases[] = {
        {"DateTime", {2024, 1, 1}, 0, {-1, 1, 30, 0}, 0, {0, 90, 180}},
        {"DateTime", {2024, 2, 28}, 720, {0, 12, 0, 0}, 0, {0, 720, 1440, 2160}},
        {"DateTime", {1899, 12, 29}, 1380, {0, 0, 0, 1800}, 0, {0, 30, 60, 90}},
        {"DateTime", {2024, 1, 1}, 0, {0, 0, 0, 1}, 86400, {1440}},
        {"Date", {2024, 1, 1}, 0, {(int64_t{1} << 32) + 2, 0, 0, 0}, 1, {2880}},
        {"DateTime", {2020, 6, 15}, 360, {0, 0, 0, 0}, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::get<0>(c.start));
        TDateFillField f(Record(c.type));
        f.FillType = fillIncreasing;
        f.DateFrom = On(c.start);
        f.TimeFrom = c.minute / 1440.0;
        const auto& [days, hours, minutes, seconds] = c.daysHoursMinutesSeconds;
        f.IncDays = days;
        f.IncHours = hours;
        f.IncMinutes = minutes;
        f.IncSeconds = seconds;
        EXPECT_EQ(f.GetReadyForFilling(), days || hours || minutes || seconds);
        f.prepareInsert();
        Draw(f, c.skipped);
        for (const int after : c.minutesAfterStart) {
            const kvl::TVariant v = f.getInsertValue();
            const int minute = c.minute + after;
            EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::DateTime);
            EXPECT_EQ(DayOf(v.DateTimeValue()), DayOf(On(c.start) + minute / 1440)) << after;
            EXPECT_EQ(MSecOfDay(v.DateTimeValue()) / 60000, minute % 1440) << after;
        }
    }
}

TEST_F(FillFieldTest, DateHugeIncrementsStopAtAFarLimitInsteadOfWrapping) {
    TDateFillField f(Record("DateTime"));
    f.FillType = fillIncreasing;
    f.DateFrom = EncodeDate(2024, 1, 1);
    f.TimeFrom = 0;
    f.IncSeconds = INT64_MAX;
    f.IncHours = INT64_MAX;
    f.prepareInsert();
    const auto values = Draw(f, 4);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end(), [](const auto& a, const auto& b) {
        return a.DateTimeValue() < b.DateTimeValue();
    }));
    EXPECT_GT(values.back().DateTimeValue(), 1e9);
}

TEST_F(FillFieldTest, DateEmptyListGivesTheMomentOfPreparation) {
    TDateFillField f(Record("DateTime"));
    f.FillType = fillList;
    const kvl::TDateTime before = kvl::Now();
    f.prepareInsert();
    ASSERT_EQ(f.ListValues.Count(), 1);
    const kvl::TDateTime v = f.getInsertValue().DateTimeValue();
    EXPECT_NEAR(v, before, 2.0 / 86400);
}

} // namespace
