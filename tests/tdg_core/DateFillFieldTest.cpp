#include "FillFieldTestKit.h"

#include <array>

namespace {

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

class DateFillFieldTest : public FillFieldTest {
protected:
    std::set<Ymd> DaysDrawn(TDateFillField& f, int count, int* minMSec = nullptr, int* maxMSec = nullptr) {
        std::set<Ymd> days;
        int lo = 86400000, hi = -1;
        for (const kvl::TVariant& v : Draw(f, count)) {
            EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::DateTime);
            days.insert(DayOf(v.DateTimeValue()));
            lo = std::min(lo, MSecOfDay(v.DateTimeValue()));
            hi = std::max(hi, MSecOfDay(v.DateTimeValue()));
        }
        if (minMSec) *minMSec = lo;
        if (maxMSec) *maxMSec = hi;
        return days;
    }
};

// Before 30 December 1899 the day count runs backwards while the time of day runs forwards.
TEST_F(DateFillFieldTest, RandomValuesCoverEveryDayAndStayWithinTheirHours) {
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
        std::set<Ymd> days = DaysDrawn(f, 20000, &lo, &hi);
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
TEST_F(DateFillFieldTest, TimesFallOnTodayAndFixedValuesFollowTheirKind) {
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
        std::set<Ymd> days = DaysDrawn(f, 1000, &lo, &hi);
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
TEST_F(DateFillFieldTest, IncreasingValuesAddTheirIncrements) {
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

TEST_F(DateFillFieldTest, HugeIncrementsStopAtAFarLimitInsteadOfWrapping) {
    TDateFillField f(Record("DateTime"));
    f.FillType = fillIncreasing;
    f.DateFrom = EncodeDate(2024, 1, 1);
    f.TimeFrom = 0;
    f.IncSeconds = INT64_MAX;
    f.IncHours = INT64_MAX;
    f.prepareInsert();
    kvl::TDateTime last = f.getInsertValue().DateTimeValue();
    for (int i = 0; i < 3; ++i) {
        const kvl::TDateTime v = f.getInsertValue().DateTimeValue();
        EXPECT_GE(v, last);
        last = v;
    }
    EXPECT_GT(last, 1e9);
}

TEST_F(DateFillFieldTest, EmptyListGivesTheMomentOfPreparation) {
    TDateFillField f(Record("DateTime"));
    f.FillType = fillList;
    const kvl::TDateTime before = kvl::Now();
    f.prepareInsert();
    ASSERT_EQ(f.ListValues.Count(), 1);
    const kvl::TDateTime v = f.getInsertValue().DateTimeValue();
    EXPECT_NEAR(v, before, 2.0 / 86400);
}

} // namespace
