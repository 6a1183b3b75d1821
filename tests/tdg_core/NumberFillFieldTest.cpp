#include "FillFieldTestKit.h"

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

TEST_F(NumberFillFieldTest, RealFixedAndIncreasingValues) {
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

// An empty random range is not ready and gives zero.
TEST_F(NumberFillFieldTest, RealReadinessFollowsTheFillType) {
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
