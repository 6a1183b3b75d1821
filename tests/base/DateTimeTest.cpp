#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "base/IsoText.h"
#include "base/SysUtils.h"

#include <gtest/gtest.h>

using namespace kvl;

// Day zero is the 30th of December 1899 and half a day is noon; dates before it count backwards
// while their time of day counts forwards.
TEST(DateTime, SerialsCountDaysFrom1899WithTheTimeAsTheFraction) {
    struct Case {
        int year, month, day, hour;
        TDateTime serial;
    };
    const Case cases[] = {{1899, 12, 30, 0, 0.0},   {1899, 12, 30, 12, 0.5},  {1900, 1, 1, 0, 2.0},
                          {2000, 1, 1, 0, 36526.0}, {1899, 12, 29, 6, -1.25}, {1812, 6, 24, 0, -31965.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        const TDateTime d = ComposeDateTime(EncodeDate(c.year, c.month, c.day), EncodeTime(c.hour, 0, 0, 0));
        EXPECT_DOUBLE_EQ(d, c.serial);
        const TDateParts p = DecodeDateTime(c.serial);
        EXPECT_EQ(p.Year, c.year);
        EXPECT_EQ(p.Month, c.month);
        EXPECT_EQ(p.Day, c.day);
        EXPECT_EQ(p.Hour, c.hour);
    }
}

TEST(DateTime, LeapDaysAndInvalidDates) {
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_EQ(IsoDate(EncodeDate(2024, 2, 28) + 1), "2024-02-29");
}

TEST(DateTime, TextsFollowTheUserFormats) {
    TFormatSettings german = LocaleFormatSettings("de_DE.UTF-8");
    TFormatSettingsScope scope(german);
    TDateTime d = ComposeDateTime(EncodeDate(2021, 3, 7), EncodeTime(8, 5, 9, 0));
    EXPECT_EQ(DateToStr(d), "07.03.2021");
    EXPECT_EQ(TimeToStr(d), "08:05:09");
    EXPECT_EQ(DateTimeToStr(d), "07.03.2021 08:05:09");
    EXPECT_DOUBLE_EQ(StrToDate("07.03.2021"), EncodeDate(2021, 3, 7));
    EXPECT_DOUBLE_EQ(StrToDateTime("07.03.2021 08:05:09"), d);
    EXPECT_THROW(StrToDate("2021-13-01"), EConvertError);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", d), "2021.03.07 08:05");
}

TEST(DateTime, IsoTextsPadEachPartShowMillisecondsOnlyWhenThereAreSomeAndReadBack) {
    struct Case {
        TDateTime Value;
        const char* Date;
        const char* Time;
    };
    const Case cases[] = {
        {ComposeDateTime(EncodeDate(2021, 3, 7), EncodeTime(8, 5, 9, 0)), "2021-03-07", "08:05:09"},
        {ComposeDateTime(EncodeDate(999, 12, 31), EncodeTime(23, 59, 59, 7)), "0999-12-31", "23:59:59.007"},
        {ComposeDateTime(EncodeDate(9999, 1, 1), EncodeTime(0, 0, 0, 450)), "9999-01-01", "00:00:00.450"},
        {EncodeDate(1, 1, 1), "0001-01-01", "00:00:00"},
        {ComposeDateTime(EncodeDate(1850, 1, 31), EncodeTime(23, 59, 58, 0)), "1850-01-31", "23:59:58"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsoDate(c.Value), c.Date);
        EXPECT_EQ(IsoTime(c.Value), c.Time);
        EXPECT_EQ(IsoDateTime(c.Value), std::string(c.Date) + " " + c.Time);
        // a longer text before leaves nothing of itself behind
        std::string reused(40, 'x');
        AssignIsoDateTime(reused, c.Value);
        EXPECT_EQ(reused, IsoDateTime(c.Value));
        TDateTime back = 0;
        ASSERT_TRUE(TryIsoToDateTime(IsoDateTime(c.Value), back));
        EXPECT_NEAR(back, c.Value, 1e-9);
    }
}
