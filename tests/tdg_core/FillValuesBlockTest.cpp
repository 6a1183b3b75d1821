#include "FillFieldTestKit.h"

#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/DateTime.h"

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace {

class FillValuesBlockTest : public FillFieldTest {};

// A block of values must be exactly the values one by one, with their NULL draws, from the same
// generator state, and leave the generator where they leave it.
TEST_F(FillValuesBlockTest, ABlockGivesTheValuesOneByOne) {
    struct Case {
        const char* what;
        const char* type;
        int16_t scale;
        std::function<void(TCustomFillField&)> set;
    };
    auto integers = [](int32_t from, int32_t to, int32_t fill = fillRandom) {
        return [=](TCustomFillField& f) {
            auto& i = dynamic_cast<TIntegerFillField&>(f);
            i.FillType = fill;
            i.RangeFrom = from;
            i.RangeTo = to;
            i.StaticValue = 3;
        };
    };
    auto dates = [](double from, double to, int32_t fill = fillRandom) {
        return [=](TCustomFillField& f) {
            auto& d = dynamic_cast<TDateFillField&>(f);
            d.FillType = fill;
            d.DateFrom = from;
            d.DateTo = to;
            d.TimeFrom = 0.25;
            d.TimeTo = 0.75;
            d.IncHours = 5;
        };
    };
    auto reals = [](long double from, long double to) {
        return [=](TCustomFillField& f) {
            auto& r = dynamic_cast<TFloatFillField&>(f);
            r.FillType = fillRandom;
            r.RangeFrom = from;
            r.RangeTo = to;
        };
    };
    const double y2015 = kvl::EncodeDate(2015, 1, 1), y2025 = kvl::EncodeDate(2025, 12, 31);
    const Case cases[] = {
        {"integers", "Integer", 0, integers(1, 1000)},
        {"the 32-bit extremes", "Integer", 0, integers(INT32_MIN, INT32_MAX)},
        {"a range below zero", "SmallInt", 0, integers(-7, -2)},
        // a span of zero puts every draw on a whole number: each takes the extended path
        {"one value, extended draws", "Integer", 0, integers(0, 0)},
        {"increasing integers", "Integer", 0, integers(5, 9, fillIncreasing)},
        {"date-times", "DateTime", 0, dates(y2015, y2025)},
        {"dates before 1899", "Date", 0, dates(-1000, -10)},
        {"times of today", "Time", 0, dates(y2015, y2025)},
        {"increasing date-times", "DateTime", 0, dates(y2015, y2025, fillIncreasing)},
        {"reals", "Double Precision", 0, reals(-2.5L, 1e6L)},
        {"decimals", "Numeric", 2, reals(-10, 10)},
        {"GUIDs", "GUID", 0, [](TCustomFillField& f) { f.FillType = fillGUID; }},
        {"list texts", "Varchar", 0,
         [](TCustomFillField& f) {
             f.FillType = fillList;
             f.ListValues.Add("a");
             f.ListValues.Add("bb");
         }},
    };
    for (const Case& c : cases)
        for (int32_t percentage : {0, 30, 100}) {
            SCOPED_TRACE(std::string(c.what) + ", NULLs " + std::to_string(percentage));
            auto field = CreateFillField(Record(c.type, c.scale));
            c.set(*field);
            field->IncludeNulls = percentage > 0;
            field->NullPercentage = percentage;
            field->prepareInsert();
            const TNullDraw nulls{field->IncludeNulls, field->NullPercentage};
            kvl::RandSeed(7);
            std::vector<kvl::TVariant> single;
            for (int i = 0; i < 300; ++i)
                single.push_back(nulls() ? kvl::TVariant::Null() : field->getInsertValue());
            const double after = kvl::Random();
            field->prepareInsert(); // counters start again
            kvl::RandSeed(7);
            // slots that held other values before: a block is made over the block before
            std::vector<kvl::TVariant> block(300, kvl::TVariant("left over"));
            field->FillValues(std::span(block).first(100), nulls);
            field->FillValues(std::span(block).subspan(100), nulls);
            EXPECT_EQ(block, single);
            EXPECT_EQ(kvl::Random(), after);
        }
}

// A value that cannot be made names its slot; the slots before it hold their values.
TEST_F(FillValuesBlockTest, AFailedValueNamesItsSlot) {
    struct Failing : TCustomFillField {
        using TCustomFillField::TCustomFillField;
        int made = 0;
        kvl::TVariant getInsertValue() override {
            if (++made == 3) throw std::runtime_error("no value");
            return kvl::TVariant(made);
        }
    } field(Record("Integer"));
    std::vector<kvl::TVariant> block(5);
    try {
        field.FillValues(block, TNullDraw{});
        FAIL() << "no exception";
    } catch (const EFillSlotFailed& e) {
        EXPECT_EQ(e.Slot, 2u);
        EXPECT_EQ(MessageOf<std::runtime_error>([&] { std::rethrow_exception(e.Cause); }), "no value");
    }
    EXPECT_EQ(block[1], kvl::TVariant(2));
    EXPECT_TRUE(block[2].IsEmpty());
}

} // namespace
