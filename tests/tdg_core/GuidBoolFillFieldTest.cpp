#include "FillFieldTestKit.h"

namespace {

using GUIDFillFieldTest = FillFieldTest;
using BoolBitFillFieldTest = FillFieldTest;
using UnsupportedFillFieldTest = FillFieldTest;

TEST_F(GUIDFillFieldTest, RandomGUIDsAreDistinctVersion4TextsInBracesUsingEveryDigit) {
    TGUIDFillField f(Record("GUID"));
    f.FillType = fillGUID;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    const std::regex form("\\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}");
    std::set<std::string> seen;
    std::vector<std::set<char>> digits(38);
    for (const kvl::TVariant& v : Draw(f, 5000)) {
        ASSERT_EQ(v.GetKind(), kvl::TVariant::Kind::String);
        ASSERT_TRUE(std::regex_match(v.String(), form)) << v.String();
        seen.insert(v.String());
        for (size_t k = 0; k < 38; ++k)
            digits[k].insert(v.String()[k]);
    }
    EXPECT_EQ(seen.size(), 5000u);
    // every hex digit in every free position
    for (size_t k : {1u, 8u, 10u, 16u, 21u, 25u, 36u})
        EXPECT_EQ(digits[k].size(), 16u) << k;
}

TEST_F(BoolBitFillFieldTest, RandomValuesAreAboutHalfTrue) {
    TBoolBitFillField f(Record("Boolean/Bit"));
    f.FillType = fillRandom;
    f.prepareInsert();
    int trues = 0;
    for (const kvl::TVariant& v : Draw(f, 10000))
        trues += v.Boolean() ? 1 : 0;
    EXPECT_NEAR(trues, 5000, 250);
}

TEST_F(BoolBitFillFieldTest, FixedValueRepeats) {
    TBoolBitFillField f(Record("Boolean/Bit"));
    f.FillType = fillFixed;
    f.StaticValue = true;
    f.prepareInsert();
    for (const kvl::TVariant& v : Draw(f, 5))
        EXPECT_EQ(v, kvl::TVariant(true));
}

TEST_F(BoolBitFillFieldTest, OtherCodesFailEveryRowNamingTheClass) {
    TBoolBitFillField f(Record("Boolean/Bit"));
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FillType = fillList;
    EXPECT_TRUE(f.GetReadyForFilling());
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { f.getInsertValue(); }),
              "Fill type (3) not supported in TBoolBitFillField");
    f.FillType = fillNothing;
    EXPECT_THROW(f.getInsertValue(), kvl::Exception);
}

TEST_F(UnsupportedFillFieldTest, NeverGivesAValue) {
    engine.ColumnData["T.C"] = {"1"};
    auto f = CreateFillField(Record("Unsupported"));
    f->RefTable = "T";
    f->RefColumn = "C";
    for (int32_t code : {fillNothing, fillFixed, fillRandom, fillReferential, fillGUID}) {
        f->FillType = code;
        EXPECT_EQ(f->GetReadyForFilling(), code == fillReferential) << code;
        f->prepareInsert();
        EXPECT_TRUE(f->getInsertValue().IsEmpty()) << code;
    }
}

} // namespace
