#include "FillFieldTestKit.h"

namespace {

class FloatFillFieldTest : public FillFieldTest {
protected:
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

TEST_F(FloatFillFieldTest, RandomBoundsAwayFromZeroAreWidenedByAHundredth) {
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

TEST_F(FloatFillFieldTest, FixedAndIncreasingValues) {
    TFloatFillField f(Record("Decimal", 2));
    f.FillType = fillFixed;
    f.StaticValue = 3.5;
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(3.5));

    f.FillType = fillIncreasing;
    f.RangeFrom = 0.5;
    f.StaticValue = 0.25;
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

TEST_F(FloatFillFieldTest, ReferentialValuesFollowTheLocale) {
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

// An empty random range is not ready and gives zero.
TEST_F(FloatFillFieldTest, ReadinessFollowsTheFillType) {
    TFloatFillField f(Record("Numeric", 3));
    f.FillType = fillRandom;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(0.0));
    f.FillType = fillFixed;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.FillType = fillIncreasing;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.StaticValue = 0.1;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.FillType = fillList;
    EXPECT_FALSE(f.GetReadyForFilling());
}

} // namespace
