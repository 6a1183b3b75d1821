#include "base/SysUtils.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/Random.h"
#include "base/Variant.h"

#include <gtest/gtest.h>

#include <set>

using namespace kvl;

TEST(Format, KeepsThePlaceholdersOfTheTexts) {
    EXPECT_EQ(Format("%s in \"%s.%s\".", {"no referential values found", "CUSTOMERS", "ID"}),
              "no referential values found in \"CUSTOMERS.ID\".");
    EXPECT_EQ(Format(":P%u", {7}), ":P7");
    EXPECT_EQ(Format("%d rows, %d%%", {-3, 50}), "-3 rows, 50%");
    EXPECT_EQ(Format("select %s, %s as LinkValue from %s order by %0:s", {"A, B", "V", "T"}),
              "select A, B, V as LinkValue from T order by A, B");
    EXPECT_EQ(Format("%.3d|%5s|%-5s|", {7, "ab", "cd"}), "007|   ab|cd   |");
    EXPECT_EQ(Format("%.2f", {3.14159}), "3.14");
    EXPECT_THROW(Format("%d", {"text"}), EConvertError);
    EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
}

TEST(SysUtils, IntegersAreStrictlySigned32Bit) {
    int32_t v = 0;
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(TryStrToInt("+12", v));
    EXPECT_EQ(v, 12);
    EXPECT_FALSE(TryStrToInt("2147483648", v));
    EXPECT_FALSE(TryStrToInt("", v));
    EXPECT_FALSE(TryStrToInt("1.5", v));
    EXPECT_FALSE(TryStrToInt("x", v));
    EXPECT_FALSE(TryStrToInt("--1", v));
    EXPECT_THROW(StrToInt("abc"), EConvertError);
}

// Integer columns carry doubles: whole ones pass as they are, the rest round half away from 0.
TEST(Variant, RealsBecomeWholeNumbersRoundingHalfAwayFromZero) {
    const double reals[] = {7, -7, 2.5, -2.5, 2.49, -0.0, 0.5, -0.5, 1e15, 9007199254740994.0};
    const int64_t wholes[] = {7, -7, 3, -3, 2, 0, 1, -1, 1000000000000000, 9007199254740994};
    for (size_t i = 0; i < std::size(reals); ++i)
        EXPECT_EQ(TVariant(reals[i]).AsInt64(), wholes[i]) << reals[i];
}

TEST(SysUtils, RealsUseTheDecimalSeparatorOfTheLocale) {
    TFormatSettings comma = LocaleFormatSettings("de_DE");
    TFormatSettingsScope scope(comma);
    EXPECT_EQ(FloatToStr(2.5), "2,5");
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("3,25", v));
    EXPECT_DOUBLE_EQ(v, 3.25);
    EXPECT_FALSE(TryStrToFloat("3.25", v));
    EXPECT_THROW(StrToFloat("x"), EConvertError);
}

TEST(Random, DrawsStayInRangeAndReachBothEnds) {
    RandSeed(42);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        seen.insert(Random(10));
        double x = Random();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Random(0), 0);
    RandSeed(7);
    int a = Random(1000000);
    RandSeed(7);
    EXPECT_EQ(Random(1000000), a);
}

TEST(SysUtils, RealsAreWrittenInTheGeneralFormWith15Digits) {
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(-2.5), "-2.5");
    EXPECT_EQ(FloatToStr(100.0), "100");
    EXPECT_EQ(FloatToStr(0.00001), "0.00001");
    EXPECT_EQ(FloatToStr(0.000002), "2E-6");
    EXPECT_EQ(FloatToStr(1.5e20), "1.5E20");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStr(45678.123456789), back));
    EXPECT_NEAR(back, 45678.123456789, 1e-9);
    ASSERT_TRUE(TryStrToFloat("2E-6", back));
    EXPECT_DOUBLE_EQ(back, 2e-6);
}
