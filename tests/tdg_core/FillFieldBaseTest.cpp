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

TEST(FillFieldClass, ChosenByDatatypeCategory) {
    for (auto t : {"SmallInt", "Word", "Integer", "Int64"})
        EXPECT_TRUE(builds<TIntegerFillField>(record(t))) << t;
    EXPECT_TRUE(builds<TFloatFillField>(record("Decimal", 2)));
    EXPECT_TRUE(builds<TIntegerFillField>(record("Numeric", 0)));
    EXPECT_TRUE(builds<TIntegerFillField>(record("Decimal", -2)));
    EXPECT_TRUE(builds<TFloatFillField>(record("Float")));
    EXPECT_TRUE(builds<TFloatFillField>(record("Double Precision")));
    EXPECT_TRUE(builds<TTextFillField>(record("Char")));
    EXPECT_TRUE(builds<TTextFillField>(record("Varchar")));
    for (auto t : {"Date", "Time", "DateTime"})
        EXPECT_TRUE(builds<TDateFillField>(record(t))) << t;
    EXPECT_TRUE(builds<TBlobFillField>(record("Blob")));
    EXPECT_TRUE(builds<TGUIDFillField>(record("GUID")));
    EXPECT_TRUE(builds<TBoolBitFillField>(record("Boolean/Bit")));
    EXPECT_TRUE(builds<TUnsupportedFillField>(record("Unsupported")));
    EXPECT_TRUE(builds<TUnsupportedFillField>(record("Interval")));
}

TEST(FillFieldClass, ParameterTypesFollowTheCategory) {
    EXPECT_EQ(CreateFillField(record("Numeric", 0))->GetFieldDatatype(), 3);
    EXPECT_EQ(CreateFillField(record("SmallInt"))->GetFieldDatatype(), 2);
    EXPECT_EQ(CreateFillField(record("Int64"))->GetFieldDatatype(), 25);
    EXPECT_EQ(CreateFillField(record("Word"))->GetFieldDatatype(), 4);
    EXPECT_EQ(CreateFillField(record("Decimal", 2))->GetFieldDatatype(), 6);
    EXPECT_EQ(CreateFillField(record("Varchar"))->GetFieldDatatype(), 1);
    EXPECT_EQ(CreateFillField(record("Time"))->GetFieldDatatype(), 10);
    EXPECT_EQ(CreateFillField(record("Blob"))->GetFieldDatatype(), 15);
    EXPECT_EQ(CreateFillField(record("GUID"))->GetFieldDatatype(), 35);
    EXPECT_EQ(CreateFillField(record("Boolean/Bit"))->GetFieldDatatype(), 5);
    EXPECT_EQ(CreateFillField(record("Unsupported"))->GetFieldDatatype(), 0);
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

TEST(FillErrors, MessagesAreExact) {
    EXPECT_STREQ(EFillNoReferentialValuesError("CUSTOMERS", "ID").what(),
                 "no referential values found in \"CUSTOMERS.ID\".");
    EXPECT_STREQ(EFillNoListValuesError().what(), "no list values found.");
}

} // namespace
