#include "FillFieldTestKit.h"

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

// Catalogues may hand over negative sizes; a NOT NULL column loses its share of NULLs for good.
TEST(FillFieldBase, SizesAreAbsoluteAndANotNullColumnGetsNoNulls) {
    KFillRecord r = record("Varchar", -3, -10);
    r.Precision = -7;
    TCustomFillField f(r);
    EXPECT_EQ(f.Size, 10);
    EXPECT_EQ(f.Scale, 3);
    EXPECT_EQ(f.Precision, 7);
    for (const char* type : {"Integer", "Blob"}) {
        KFillRecord notNull = record(type);
        notNull.Nullable = false;
        auto field = CreateFillField(notNull);
        field->IncludeNulls = true;
        field->FillType = fillFixed;
        field->prepareInsert();
        EXPECT_FALSE(field->IncludeNulls) << type;
    }
}

// Codes of other classes give no value, and only those that need no settings are ready; an
// unsupported column takes no value even from a referenced column.
TEST_F(FillFieldTest, CodesOfOtherClassesGiveNoValue) {
    engine.ColumnData["T.C"] = {"1"};
    const std::tuple<const char*, std::vector<int32_t>> cases[] = {
        {"Integer", {fillNothing, fillLastNames, fillMasked, fillGUID}},
        {"GUID", {fillNothing, fillFixed, fillRandom}},
        {"Unsupported", {fillNothing, fillFixed, fillRandom, fillReferential, fillGUID}}};
    for (const auto& [type, codes] : cases)
        for (int32_t code : codes) {
            auto f = CreateFillField(Record(type));
            f->FillType = code;
            f->RefTable = "T";
            f->RefColumn = "C";
            EXPECT_EQ(f->GetReadyForFilling(), code == fillReferential) << type << " " << code;
            f->prepareInsert();
            EXPECT_TRUE(f->getInsertValue().IsEmpty()) << type << " " << code;
        }
}

// Entries the column's kind cannot take, read in the locale's format, are dropped for good; an
// empty list of numbers gains a zero; a list without any usable entry fails every row.
TEST_F(FillFieldTest, ListsKeepOnlyWhatTheColumnsKindTakes) {
    kvl::TFormatSettings german;
    german.DecimalSeparator = ',';
    german.ThousandSeparator = '.';
    german.DateSeparator = '.';
    german.ShortDateFormat = "dd/mm/yyyy";
    kvl::TFormatSettingsScope scope(german);
    struct Case {
        const char* type;
        const char* list;
        const char* kept;
        std::set<double> values;
    };
    const Case cases[] = {
        {"Integer",
         "1\r\nx\r\n2\r\n1.5\r\n2147483648\r\n-2147483648",
         "1\r\n2\r\n-2147483648",
         {1, 2, -2147483648.0}},
        {"Integer", "", "0", {0}},
        {"Integer", "a\r\nb", "", {}},
        {"Float", "1,5\r\nabc\r\n-0,25\r\n\r\n7", "1,5\r\n-0,25\r\n7", {-0.25, 1.5, 7}},
        {"Float", "", "0", {0}},
        {"Float", "x\r\ny", "", {}},
        {"DateTime",
         "29.02.2024 10:30:00\r\n2024-13-01\r\n31.04.2024\r\n01.01.1800",
         "29.02.2024 10:30:00\r\n01.01.1800",
         {kvl::EncodeDate(2024, 2, 29) + kvl::EncodeTime(10, 30, 0, 0), kvl::EncodeDate(1800, 1, 1)}},
        {"DateTime", "never", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.list);
        auto f = CreateFillField(Record(c.type, c.type == std::string("Float") ? 4 : 0));
        f->FillType = fillList;
        f->ListValues.SetText(c.list);
        f->prepareInsert();
        EXPECT_EQ(f->ListValues.Text(), c.kept);
        if (c.values.empty()) {
            EXPECT_THROW(f->getInsertValue(), kvl::EListError);
            continue;
        }
        std::set<double> seen;
        for (const kvl::TVariant& v : Draw(*f, 300))
            seen.insert(v.AsDouble());
        EXPECT_EQ(seen, c.values);
    }
}

// Each class keeps the referenced values it can take, in the column's order; none at all is an
// error naming the column. Without a column the field is not ready.
TEST_F(FillFieldTest, ReferentialValuesKeepWhatTheColumnsKindTakes) {
    const std::vector<std::string> moments = {"2024-03-01", "12:00:00", "2024-03-02 08:00:00", "x"};
    const std::string guid = "{00000000-0000-0000-0000-000000000001}";
    const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
        {"Integer", {"7", "", "abc", "8"}, "7\r\n8"},
        {"Integer", {"abc"}, ""},
        {"Date", moments, "2024-03-01"},
        {"Time", moments, "12:00:00"},
        {"DateTime", moments, "2024-03-01\r\n2024-03-02 08:00:00"},
        {"Date", {"12:00:00"}, ""},
        {"GUID", {"not a guid", guid}, "not a guid\r\n" + guid},
        {"GUID", {}, ""},
        {"Varchar", {"Acme", "", "Globex"}, "Acme\r\n\r\nGlobex"}, // empty texts are values too
        {"Varchar", {}, ""}};
    for (const auto& [type, data, kept] : cases) {
        SCOPED_TRACE(type + (" " + kept));
        engine.ColumnData["REF.COL"] = data;
        auto f = CreateFillField(Record(type));
        f->FillType = fillReferential;
        f->RefTable = "REF";
        EXPECT_FALSE(f->GetReadyForFilling());
        f->RefColumn = "COL";
        EXPECT_TRUE(f->GetReadyForFilling());
        if (kept.empty()) {
            EXPECT_EQ(MessageOf<EFillNoReferentialValuesError>([&] { f->prepareInsert(); }),
                      "no referential values found in \"REF.COL\".");
            continue;
        }
        f->prepareInsert();
        EXPECT_EQ(f->RefValues.Text(), kept);
        std::set<std::string> drawn;
        for (const kvl::TVariant& v : Draw(*f, 200))
            drawn.insert(v.AsString());
        EXPECT_EQ(drawn.size(), static_cast<size_t>(f->RefValues.Count()));
        f->unprepareInsert();
        EXPECT_TRUE(f->RefValues.IsEmpty());
    }
}

TEST_F(FillFieldTest, RandomGUIDsAreDistinctVersion4TextsInBracesUsingEveryDigit) {
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

TEST_F(FillFieldTest, BoolBitValuesAreAboutHalfTrueOrFixed) {
    TBoolBitFillField f(Record("Boolean/Bit"));
    f.FillType = fillRandom;
    f.prepareInsert();
    int trues = 0;
    for (const kvl::TVariant& v : Draw(f, 10000))
        trues += v.Boolean() ? 1 : 0;
    EXPECT_NEAR(trues, 5000, 250);
    f.FillType = fillFixed;
    f.StaticValue = true;
    f.prepareInsert();
    for (const kvl::TVariant& v : Draw(f, 5))
        EXPECT_EQ(v, kvl::TVariant(true));
}

TEST_F(FillFieldTest, BoolBitOtherCodesFailEveryRowNamingTheClass) {
    TBoolBitFillField f(Record("Boolean/Bit"));
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FillType = fillList;
    EXPECT_TRUE(f.GetReadyForFilling());
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { f.getInsertValue(); }),
              "Fill type (3) not supported in TBoolBitFillField");
    f.FillType = fillNothing;
    EXPECT_THROW(f.getInsertValue(), kvl::Exception);
}

} // namespace
