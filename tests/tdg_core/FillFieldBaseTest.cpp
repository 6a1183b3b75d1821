#include "support/RecordingEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/EFillError.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillObject/TUnsupportedFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

KFillRecord record(const std::string& type, int16_t scale = 0, int32_t size = 0) {
    KFillRecord r;
    r.DataTypeName = type;
    r.ColumnName = "C";
    r.Scale = scale;
    r.Size = size;
    return r;
}

template <class T> bool builds(const KFillRecord& r) {
    auto f = CreateFillField(r);
    return dynamic_cast<T*>(f.get()) != nullptr;
}

// Numbers with decimal places are reals, without them integers; unknown types are unsupported.
TEST(FillFieldClass, ChosenByDatatypeCategory) {
    using Builds = bool (*)(const KFillRecord&);
    const std::tuple<const char*, int16_t, Builds> cases[] = {
        {"SmallInt", 0, builds<TIntegerFillField>},
        {"Word", 0, builds<TIntegerFillField>},
        {"Integer", 0, builds<TIntegerFillField>},
        {"Int64", 0, builds<TIntegerFillField>},
        {"Numeric", 0, builds<TIntegerFillField>},
        {"Decimal", -2, builds<TIntegerFillField>},
        {"Decimal", 2, builds<TFloatFillField>},
        {"Float", 0, builds<TFloatFillField>},
        {"Double Precision", 0, builds<TFloatFillField>},
        {"Char", 0, builds<TTextFillField>},
        {"Varchar", 0, builds<TTextFillField>},
        {"Date", 0, builds<TDateFillField>},
        {"Time", 0, builds<TDateFillField>},
        {"DateTime", 0, builds<TDateFillField>},
        {"Blob", 0, builds<TBlobFillField>},
        {"GUID", 0, builds<TGUIDFillField>},
        {"Boolean/Bit", 0, builds<TBoolBitFillField>},
        {"Unsupported", 0, builds<TUnsupportedFillField>},
        {"Interval", 0, builds<TUnsupportedFillField>}};
    for (auto [type, scale, buildsTheClass] : cases)
        EXPECT_TRUE(buildsTheClass(record(type, scale))) << type << " " << scale;
}

TEST(FillFieldBase, NewFieldHasDefaultsAndAbsoluteSizes) {
    KFillRecord r = record("Varchar", -3, -10);
    r.Precision = -7;
    r.Nullable = false;
    TCustomFillField f(r);
    EXPECT_EQ(f.FillType, 0);
    EXPECT_EQ(f.NullPercentage, 10);
    EXPECT_FALSE(f.IncludeNulls);
    EXPECT_FALSE(f.GetReadyForFilling());
    EXPECT_EQ(f.Size, 10);
    EXPECT_EQ(f.Scale, 3);
    EXPECT_EQ(f.Precision, 7);
    EXPECT_TRUE(f.getInsertValue().IsEmpty());
}

TEST(FillFieldBase, NotNullColumnLosesItsNullShareForGood) {
    KFillRecord r = record("Integer");
    r.Nullable = false;
    TIntegerFillField f(r);
    f.IncludeNulls = true;
    f.FillType = fillFixed;
    f.prepareInsert();
    EXPECT_FALSE(f.IncludeNulls);
}

TEST(FillFieldBase, ReferentialFieldWithoutColumnIsNotReadyAndRaisesNamingTheTable) {
    RecordingEngine engine;
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    TFillProject project(&projects);
    KFillRecord r = record("Integer");
    r.Project = &project;
    TIntegerFillField f(r);
    f.FillType = fillReferential;
    f.RefTable = "ORDERS";
    EXPECT_FALSE(f.GetReadyForFilling());
    try {
        f.prepareInsert();
        FAIL() << "no exception";
    } catch (const EFillNoReferentialValuesError& e) {
        EXPECT_STREQ(e.what(), "no referential values found in \"ORDERS.\".");
    }
    f.RefColumn = "ID";
    EXPECT_TRUE(f.GetReadyForFilling());
    engine.ColumnData["ORDERS.ID"] = {"7", "", "abc", "8"};
    f.prepareInsert();
    EXPECT_EQ(f.RefValues.Text(), "7\r\n8");
    f.unprepareInsert();
    EXPECT_TRUE(f.RefValues.IsEmpty());
}

} // namespace
