#include "FillFieldTestKit.h"
#include "UTFillConstants.h"
#include "UTFillObject/TTextFillField.h"
#include "base/Exceptions.h"
#include "base/Random.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

TEST(TextMasked, EveryRowFollowsTheMaskAndCountersAdvance) {
    KFillRecord rec;
    rec.DataTypeName = "Varchar";
    rec.ColumnName = "PLATE";
    rec.Size = 20;
    TTextFillField f(rec);
    f.FillType = fillMasked;
    EXPECT_EQ(f.Mask, "AAANNN[CONSTANT]");
    f.Mask = "AA[-]NNN";
    kvl::RandSeed(3);
    f.prepareInsert();
    for (int i = 0; i < 200; ++i) {
        std::string v = f.getInsertValue().String();
        ASSERT_EQ(v.size(), 6u) << v;
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(v[0])) &&
                    std::isupper(static_cast<unsigned char>(v[1])));
        EXPECT_EQ(v[2], '-');
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(v[5]))) << v;
        EXPECT_EQ(f.Buffer, v);
    }
}

TEST(TextMasked, ASyntaxErrorStopsThePreparation) {
    KFillRecord rec;
    rec.DataTypeName = "Varchar";
    TTextFillField f(rec);
    f.FillType = fillMasked;
    f.Mask = "AA[unterminated";
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { f.prepareInsert(); }),
              "Masked value parsing error. Check syntax.");
}

} // namespace
