#include "FillFieldTestKit.h"

#include "UTFillConstants.h"
#include "UTFillObject/EFillError.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/Exceptions.h"

#include <cmath>
#include <cstdint>
#include <map>

namespace {

class IntegerFillFieldTest : public FillFieldTest {
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
};

TEST_F(IntegerFillFieldTest, RandomValuesReachBothBoundsAndNothingOutside) {
    const std::pair<int32_t, int32_t> ranges[] = {{1, 10}, {-10, -1}, {-3, 0}, {0, 4}, {-5, 5}};
    for (auto [from, to] : ranges) {
        TIntegerFillField f(Record("Integer"));
        f.FillType = fillRandom;
        f.RangeFrom = from;
        f.RangeTo = to;
        f.prepareInsert();
        std::map<int64_t, int> seen = Histogram(f, 20000);
        EXPECT_EQ(seen.begin()->first, from) << from << ".." << to;
        EXPECT_EQ(seen.rbegin()->first, to) << from << ".." << to;
        EXPECT_EQ(seen.size(), static_cast<size_t>(to - from + 1)) << from << ".." << to;
    }
}

TEST_F(IntegerFillFieldTest, RangeAcrossZeroGivesZeroTwiceAsOften) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillRandom;
    f.RangeFrom = -5;
    f.RangeTo = 5;
    f.prepareInsert();
    std::map<int64_t, int> seen = Histogram(f, 60000);
    for (auto [value, count] : seen) {
        const double expected = value == 0 ? 10000 : 5000;
        EXPECT_NEAR(count, expected, expected * 0.1) << value;
    }
}

TEST_F(IntegerFillFieldTest, RangeEndingAtZeroIsUniform) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillRandom;
    f.RangeFrom = -3;
    f.RangeTo = 0;
    f.prepareInsert();
    EXPECT_EQ(f.DrawLow, -4);
    EXPECT_EQ(f.DrawHigh, 0);
    for (auto [value, count] : Histogram(f, 40000))
        EXPECT_NEAR(count, 10000, 1000) << value;
}

TEST_F(IntegerFillFieldTest, ReversedRangeIsStoredExchanged) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillRandom;
    f.RangeFrom = 10;
    f.RangeTo = 1;
    f.prepareInsert();
    EXPECT_EQ(f.RangeFrom, 1);
    EXPECT_EQ(f.RangeTo, 10);
    std::map<int64_t, int> seen = Histogram(f, 5000);
    EXPECT_EQ(seen.begin()->first, 1);
    EXPECT_EQ(seen.rbegin()->first, 10);
}

TEST_F(IntegerFillFieldTest, EmptyRangeIsNotReadyAndGivesItsOnlyValue) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillRandom;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.prepareInsert();
    std::map<int64_t, int> seen = Histogram(f, 100);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.begin()->first, 0);
}

TEST_F(IntegerFillFieldTest, FullAndExtremeRangesStayInsideTheirBounds) {
    const std::pair<int32_t, int32_t> ranges[] = {
        {INT32_MIN, INT32_MAX}, {INT32_MAX - 1, INT32_MAX}, {INT32_MIN, INT32_MIN + 1}};
    for (auto [from, to] : ranges) {
        TIntegerFillField f(Record("Integer"));
        f.FillType = fillRandom;
        f.RangeFrom = from;
        f.RangeTo = to;
        f.prepareInsert();
        std::map<int64_t, int> seen = Histogram(f, 5000);
        EXPECT_GE(seen.begin()->first, from);
        EXPECT_LE(seen.rbegin()->first, to);
        if (int64_t{to} - from == 1) EXPECT_EQ(seen.size(), 2u) << from << ".." << to;
    }
}

TEST_F(IntegerFillFieldTest, IncreasingValuesStepAndWrapAtThe32BitLimit) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillIncreasing;
    f.RangeFrom = 100;
    f.StaticValue = -5;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(100));
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(95));
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(90));

    f.RangeFrom = INT32_MAX - 1;
    f.StaticValue = 1;
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(INT32_MAX - 1));
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(INT32_MAX));
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(INT32_MIN));
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(INT32_MIN + 1));
}

TEST_F(IntegerFillFieldTest, IncreasingValuesRestartWithEveryPreparation) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillIncreasing;
    f.RangeFrom = 7;
    f.StaticValue = 3;
    f.prepareInsert();
    Draw(f, 5);
    f.unprepareInsert();
    f.prepareInsert();
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(7));
}

TEST_F(IntegerFillFieldTest, StepZeroIsNotReadyAndRepeatsTheStart) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillIncreasing;
    f.RangeFrom = 5;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.prepareInsert();
    for (const kvl::TVariant& v : Draw(f, 3))
        EXPECT_EQ(v, kvl::TVariant(5));
}

TEST_F(IntegerFillFieldTest, FixedValueIsAnInteger) {
    TIntegerFillField f(Record("SmallInt"));
    f.FillType = fillFixed;
    f.StaticValue = 42;
    f.prepareInsert();
    for (const kvl::TVariant& v : Draw(f, 3))
        EXPECT_EQ(v, kvl::TVariant(42));
}

TEST_F(IntegerFillFieldTest, ListDropsUnconvertibleEntriesForGood) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillList;
    f.ListValues.SetText("1\r\nx\r\n2\r\n1.5\r\n2147483648\r\n-2147483648");
    f.prepareInsert();
    EXPECT_EQ(f.ListValues.Text(), "1\r\n2\r\n-2147483648");
    std::map<int32_t, int> seen;
    for (const kvl::TVariant& v : Draw(f, 300))
        ++seen[v.Integer()];
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(IntegerFillFieldTest, EmptyListGainsZero) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillList;
    EXPECT_FALSE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_EQ(f.ListValues.Text(), "0");
    EXPECT_EQ(f.getInsertValue(), kvl::TVariant(0));
}

TEST_F(IntegerFillFieldTest, ListWithoutAnyIntegerFailsEveryRow) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillList;
    f.ListValues.SetText("a\r\nb");
    f.prepareInsert();
    EXPECT_TRUE(f.ListValues.IsEmpty());
    EXPECT_THROW(f.getInsertValue(), kvl::EListError);
}

TEST_F(IntegerFillFieldTest, ReferentialValuesKeepOnlyIntegers) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillReferential;
    f.RefTable = "CUSTOMERS";
    f.RefColumn = "ID";
    engine.ColumnData["CUSTOMERS.ID"] = {"7", "", "abc", "8"};
    f.prepareInsert();
    EXPECT_EQ(f.RefValues.Text(), "7\r\n8");
    std::map<int32_t, int> seen;
    for (const kvl::TVariant& v : Draw(f, 200))
        ++seen[v.Integer()];
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen.begin()->first, 7);
}

TEST_F(IntegerFillFieldTest, ReferentialColumnWithoutIntegersRaises) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillReferential;
    f.RefTable = "CUSTOMERS";
    f.RefColumn = "ID";
    engine.ColumnData["CUSTOMERS.ID"] = {"abc"};
    try {
        f.prepareInsert();
        FAIL() << "no exception";
    } catch (const EFillNoReferentialValuesError& e) {
        EXPECT_STREQ(e.what(), "no referential values found in \"CUSTOMERS.ID\".");
    }
}

TEST_F(IntegerFillFieldTest, GeneratorIsTheFirstByNameAndGivesNoValue) {
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

TEST_F(IntegerFillFieldTest, CodesOfOtherClassesGiveNoValue) {
    TIntegerFillField f(Record("Integer"));
    for (int32_t code : {fillNothing, fillLastNames, fillMasked, fillGUID}) {
        f.FillType = code;
        EXPECT_FALSE(f.GetReadyForFilling()) << code;
        f.prepareInsert();
        EXPECT_TRUE(f.getInsertValue().IsEmpty()) << code;
    }
}

} // namespace
