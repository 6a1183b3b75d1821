#include "FillFieldTestKit.h"
#include <gmock/gmock.h>
#include <stdexcept>

namespace {

template <class T> bool builds(const KFillRecord& r) {
    auto f = CreateFillField(r);
    return dynamic_cast<T*>(f.get()) != nullptr;
}

// Numbers with decimal places are reals, without them integers; unknown types are unsupported.
TEST_F(FillFieldTest, ClassChosenByDatatypeCategory) {
    using Builds = bool (*)(const KFillRecord&);
    // each column as "type" or "type:scale"
    const std::pair<Builds, std::vector<std::string>> cases[] = {
        {builds<TIntegerFillField>, {"SmallInt", "Word", "Integer", "Int64", "Numeric", "Decimal:-2"}},
        {builds<TFloatFillField>, {"Decimal:2", "Float", "Double Precision"}},
        {builds<TTextFillField>, {"Char", "Varchar"}},
        {builds<TDateFillField>, {"Date", "Time", "DateTime"}},
        {builds<TBlobFillField>, {"Blob"}},
        {builds<TGUIDFillField>, {"GUID"}},
        {builds<TBoolBitFillField>, {"Boolean/Bit"}},
        {builds<TUnsupportedFillField>, {"Unsupported", "Interval"}}};
    for (const auto& [buildsTheClass, columns] : cases)
        for (const std::string& column : columns) {
            const size_t colon = column.find(':');
            const int scale = colon == std::string::npos ? 0 : std::stoi(column.substr(colon + 1));
            EXPECT_TRUE(buildsTheClass(Record(column.substr(0, colon), static_cast<int16_t>(scale))))
                << column;
        }
}

// Catalogues may hand over negative sizes; a NOT NULL column loses its share of NULLs for good.
TEST_F(FillFieldTest, SizesAreAbsoluteAndANotNullColumnGetsNoNulls) {
    KFillRecord r = Record("Varchar", -3);
    r.Size = -10;
    r.Precision = -7;
    TCustomFillField f(r);
    EXPECT_EQ(f.Size, 10);
    EXPECT_EQ(f.Scale, 3);
    EXPECT_EQ(f.Precision, 7);
    for (const char* type : {"Integer", "Blob"}) {
        KFillRecord notNull = Record(type);
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

// Code points of a UTF-8 text.
size_t characters(const std::string& text) {
    size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    return n;
}

TEST_F(FillFieldTest, TextsOfEveryKindAreCutToTheColumnByCharacters) {
    struct Case {
        int32_t kind;
        const char* fixed;
    };
    const Case cases[] = {{fillFixed, "Zoë Ångström-Müller"},
                          {fillPhone, ""},
                          {fillGUID, ""},
                          {fillMasked, ""},
                          {fillList, ""},
                          {fillRandomText, ""}};
    for (const Case& c : cases) {
        KFillRecord r = Record("Varchar");
        r.Size = 7;
        TTextFillField f(r);
        f.FillType = c.kind;
        f.StaticValue = c.fixed;
        f.Mask = "AAAAAAAAAANNNN";
        f.ListValues.SetText("a rather long entry\nÜberlänge");
        f.LengthFrom = 5;
        f.LengthTo = 30;
        f.prepareInsert();
        for (const auto& v : Draw(f, 50)) {
            EXPECT_LE(characters(v.String()), 7u) << c.kind << ": " << v.String();
            EXPECT_GE(characters(v.String()), 1u) << c.kind;
        }
    }
}

// Numbers keep within what the column's type and digits hold and use most of it; decimals are
// rounded to their places.
TEST_F(FillFieldTest, RandomNumbersStayWithinTheColumnsTypeAndPlaces) {
    struct Case {
        const char* type;
        int16_t scale, precision;
        double from, low, high;
    };
    const Case cases[] = {{"SmallInt", 0, 0, -2e9, -32768, 32767},
                          {"Word", 0, 0, -2e9, 0, 65535},
                          {"Numeric", 0, 3, -2e9, -999, 999},
                          {"Decimal", 2, 5, 1, 1, 999.99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        KFillRecord r = Record(c.type, c.scale);
        r.Precision = c.precision;
        auto f = RandomField(r, c.from, 2e9);
        f->prepareInsert();
        double lowest = 1e300, highest = -1e300;
        const double places = std::pow(10, c.scale);
        for (const auto& v : Draw(*f, 500)) {
            lowest = std::min(lowest, v.AsDouble());
            highest = std::max(highest, v.AsDouble());
            EXPECT_NEAR(v.AsDouble() * places, std::round(v.AsDouble() * places), 1e-6) << v.AsDouble();
        }
        EXPECT_GE(lowest, c.low);
        EXPECT_LE(highest, c.high);
        EXPECT_GT(highest - lowest, (c.high - c.low) / 2) << "the type's range is used";
    }
}

// Thirty draws from forty values repeat one almost surely; a unique column must not.
TEST_F(FillFieldTest, AUniqueColumnDrawsAgainAValueItGaveBefore) {
    kvl::test::TTestDatabase db(kvl::test::Engine::SQLite);
    auto connection = db.Open();
    connection->ExecuteCommand("CUSTOM", "create table u (id integer primary key, c varchar(10) unique)");
    connection->ExecuteCommand("CUSTOM", "create table p (id integer primary key, c varchar(10))");
    auto tables = connection->Database()->DefaultSchema()->Tables();
    kvl::TStringList forty;
    for (int i = 0; i < 40; ++i)
        forty.Add("v" + std::to_string(i));
    for (const char* table : {"u", "p"}) {
        project->TableObject = kvl::IList_ByName(tables, table, false);
        ASSERT_TRUE(project->TableObject);
        KFillRecord r = Record("Varchar");
        r.ColumnName = "c";
        TTextFillField f(r);
        f.FillType = fillList;
        f.ListValues.AddStrings(forty);
        f.prepareInsert();
        std::set<std::string> distinct;
        for (const auto& v : Draw(f, 30))
            distinct.insert(v.String());
        if (std::string(table) == "u")
            EXPECT_EQ(distinct.size(), 30u);
        else
            EXPECT_LT(distinct.size(), 30u) << "a column that is not unique draws freely";
    }
}

// A block of values must be exactly the values one by one, with their NULL draws, from the same
// generator state, and leave the generator where they leave it.
TEST_F(FillFieldTest, ABlockGivesTheValuesOneByOne) {
    struct Case {
        const char* type;
        int16_t scale;
        int32_t fill;
        double from, to;
    };
    const double y2015 = kvl::EncodeDate(2015, 1, 1), y2025 = kvl::EncodeDate(2025, 12, 31);
    const Case cases[] = {
        {"Integer", 0, fillRandom, 1, 1000},
        {"Integer", 0, fillRandom, INT32_MIN, INT32_MAX},
        {"SmallInt", 0, fillRandom, -7, -2},
        {"Integer", 0, fillRandom, 0, 0}, // a span of zero
        {"Integer", 0, fillIncreasing, 5, 9},
        {"DateTime", 0, fillRandom, y2015, y2025},
        {"Date", 0, fillRandom, -1000, -10}, // before 1899
        {"Time", 0, fillRandom, y2015, y2025},
        {"DateTime", 0, fillIncreasing, y2015, y2025},
        {"Double Precision", 0, fillRandom, -2.5, 1e6},
        {"Numeric", 2, fillRandom, -10, 10},
        {"GUID", 0, fillGUID, 0, 0},
        {"Varchar", 0, fillList, 0, 0},
    };
    for (const Case& c : cases)
        for (int32_t percentage : {0, 30, 100}) {
            SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.from) + ", NULLs " +
                         std::to_string(percentage));
            auto field = RandomField(Record(c.type, c.scale), c.from, c.to);
            field->FillType = c.fill;
            field->ListValues.SetText("a\r\nbb");
            if (auto* i = dynamic_cast<TIntegerFillField*>(field.get())) i->StaticValue = 3;
            if (auto* d = dynamic_cast<TDateFillField*>(field.get())) d->IncHours = 5;
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
            field->FillValues(std::span(block).first(101), nulls); // odd: the next one starts on a half
            field->FillValues(std::span(block).subspan(101), nulls);
            EXPECT_EQ(block, single);
            EXPECT_EQ(kvl::Random(), after);
        }
}

// A value that cannot be made fails its own row alone; the rows after it keep their values.
TEST_F(FillFieldTest, AValueThatCannotBeMadeFailsItsRowAlone) {
    struct Failing : TIntegerFillField {
        using TIntegerFillField::TIntegerFillField;
        int made = 0;
        kvl::TVariant getInsertValue() override {
            if (++made == 260) throw std::runtime_error("no value");
            return kvl::TVariant(made);
        }
    };
    engine.AddTable("T", {{"C", "Integer"}});
    projects.CreateStructure();
    TFillProject& p = *projects.getFillProject(0);
    p.doFill = true;
    p.Rows = 300;
    KFillRecord rec = Record("Integer");
    rec.Project = &p;
    auto& field = p.GetFillFields()[0] = std::make_unique<Failing>(rec);
    field->FillType = fillList;
    field->ListValues.Add("1");
    projects.startInsert();
    ASSERT_EQ(engine.Statement.Rows.size(), 299u);
    EXPECT_EQ(engine.Statement.Rows[258][0], kvl::TVariant(259));
    EXPECT_EQ(engine.Statement.Rows[259][0], kvl::TVariant(261));
    EXPECT_EQ(p.Statistics.ErrorCount, 1);
    EXPECT_THAT(p.Statistics.Log.Text(), testing::HasSubstr("Error (row 260):\r\nno value"));
}

// A column kept after another of the row: its value is made from the earlier one's and must stay
// in order after the server keeps it at its own places (whole days, cents, seconds).

struct OrderCase {
    const char* name;
    const char* type;
    int16_t scale;
    double from, to;
    double unit;                 // the least difference the server keeps: a day, a cent, a second
    bool rounds;                 // the server keeps the value rounded to its unit (a date drops its time)
    double reach;                // a tenth of the range, and a unit
    std::vector<double> earlier; // earlier values besides those of the field's own draws
};

const double kFirstDay = kvl::EncodeDate(2015, 1, 1), kLastDay = kvl::EncodeDate(2025, 12, 31);

const OrderCase kCases[] = {
    {"integer", "Integer", 0, 1, 1000, 1, false, 100.9, {1000, -3}},
    // products with the places that land just below a step (0.29 * 100 = 28.999999999999996),
    // also above the range, where the least value that keeps the order is the only one
    {"decimal", "Decimal", 2, 1, 1000, 0.01, true, 99.92, {0.29, 12.34, 999.99, 1024.09, 1024.34}},
    {"date", "Date", 0, kFirstDay, kLastDay, 1, true, 403, {kLastDay, kLastDay + 0.75}},
    {"date-time", "DateTime", 0, kFirstDay, kLastDay, 1.0 / 86400, false, 402, {kLastDay + 86399.0 / 86400}},
};

TEST_F(FillFieldTest, ALaterValueStaysInOrderAtTheServersPlacesAndCloseToTheEarlier) {
    for (const OrderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        auto earlier = RandomField(Record(c.type, c.scale), c.from, c.to);
        auto later = RandomField(Record(c.type, c.scale), c.from, c.to);
        earlier->prepareInsert();
        later->prepareInsert();
        std::vector<double> lows = c.earlier;
        for (const auto& v : Draw(*earlier, 2000))
            lows.push_back(v.AsDouble());
        for (const bool strict : {false, true})
            for (const double low : lows) {
                const auto value = later->ValueFrom(kvl::TVariant(low), strict);
                ASSERT_TRUE(value);
                const double v = value->AsDouble();
                // what the server compares: a date's day, a decimal's cents
                const double kept = !c.rounds     ? low
                                    : c.scale > 0 ? std::round(low / c.unit) * c.unit
                                                  : std::floor(low);
                if (strict)
                    EXPECT_GE(v - kept, c.unit * 0.999) << low;
                else
                    EXPECT_GE(v - kept, -1e-9) << low;
                EXPECT_LE(v - kept, c.reach) << low;
                if (c.rounds) EXPECT_NEAR(v / c.unit, std::round(v / c.unit), 1e-6) << v;
            }
    }
}

TEST_F(FillFieldTest, OnlyRandomValuesFollow) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillFixed;
    EXPECT_FALSE(f.ValueFrom(kvl::TVariant(5), true));
}

class BlobFillFieldTest : public FillFieldTest {
protected:
    std::set<std::string> ContentsDrawn(TBlobFillField& f, int count) {
        std::set<std::string> seen;
        for (int i = 0; i < count; ++i)
            seen.insert(ReadAll(f.getInsertBlobValue()));
        return seen;
    }

    TempFolder folder;
};

TEST_F(BlobFillFieldTest, SingleFileIsLoadedOnceAndServedFromItsStart) {
    TBlobFillField f(Record("Blob"));
    f.FillType = fillFixed;
    f.FileName = folder.Write("one.bin", std::string("a\0b", 3));
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    ASSERT_EQ(f.Streams.size(), 1u);
    EXPECT_EQ(ReadAll(f.getInsertBlobValue()), std::string("a\0b", 3));
    // a caller that forgot to rewind still gets the whole contents
    EXPECT_EQ(ReadAll(f.getInsertBlobValue()), std::string("a\0b", 3));
    EXPECT_TRUE(f.getInsertValue().IsEmpty());
    f.unprepareInsert();
    EXPECT_TRUE(f.Streams.empty());
}

// Without anything to read the column is switched off, and no referential values are read.
TEST_F(BlobFillFieldTest, NothingToReadSwitchesTheColumnOff) {
    folder.Write("a.txt", "x");
    struct Case {
        int32_t code;
        std::string name, directory, filter, listed;
    };
    const Case cases[] = {{fillFixed, folder.Path() + "/missing.bin", "", "*.*", ""},
                          {fillFixed, folder.Path(), "", "*.*", ""}, // a folder is no file
                          {fillRandom, "", folder.Path(), "*.png", ""},
                          {fillRandom, "", folder.Path() + "/nowhere", "*.*", ""},
                          {fillRandom, "", "", "*.*", ""},
                          {fillList, "", "", "*.*", ""},
                          {fillList, "", "", "*.*", folder.Path() + "/gone"},
                          {fillReferential, "", "", "*.*", ""},
                          {fillGenerator, "", "", "*.*", ""}};
    for (const Case& c : cases) {
        TBlobFillField f(Record("Blob"));
        f.FillType = c.code;
        f.FileName = c.name;
        f.Directory = c.directory;
        f.FileFilter = c.filter;
        if (!c.listed.empty()) f.ListValues.Add(c.listed);
        f.RefTable = "T";
        f.RefColumn = "C";
        f.prepareInsert();
        EXPECT_EQ(f.FillType, fillNothing) << c.code << " " << c.name << c.directory << c.listed;
        EXPECT_TRUE(f.Streams.empty());
    }
    EXPECT_TRUE(engine.Calls.empty());
}

TEST_F(BlobFillFieldTest, DirectoryLoadsUpToMaxFilesWithOrWithoutTrailingSeparator) {
    for (int i = 0; i < 10; ++i)
        folder.Write("f" + std::to_string(i) + ".dat", "content " + std::to_string(i));
    folder.Write("other.txt", "not matching");
    TBlobFillField f(Record("Blob"));
    f.FillType = fillRandom;
    f.Directory = folder.Path();
    f.FileFilter = "*.dat";
    f.MaxFiles = 3;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_EQ(f.Streams.size(), 3u);
    EXPECT_EQ(ContentsDrawn(f, 200).size(), 3u);

    f.MaxFiles = 0;
    f.Directory = folder.Path() + "/";
    f.prepareInsert();
    EXPECT_EQ(f.FillType, fillRandom);
    EXPECT_EQ(f.Streams.size(), 10u);
    std::set<std::string> seen = ContentsDrawn(f, 1000);
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_FALSE(seen.contains("not matching"));
}

TEST_F(BlobFillFieldTest, FolderOfSubFoldersOnlyLeavesEveryRowFailing) {
    folder.MakeFolder("sub1");
    folder.MakeFolder("sub2.d");
    TBlobFillField f(Record("Blob"));
    f.FillType = fillRandom;
    f.Directory = folder.Path();
    f.prepareInsert();
    EXPECT_EQ(f.FillType, fillRandom);
    EXPECT_TRUE(f.Streams.empty());
    EXPECT_THROW(f.getInsertBlobValue(), kvl::EListError);
}

TEST_F(BlobFillFieldTest, AnyExtensionFilterAlsoTakesNamesWithoutOne) {
    folder.Write("README", "r");
    folder.Write("photo.JPG", "p");
    folder.Write(".hidden", "h");
    EXPECT_TRUE(MatchesFileFilter("README", "*.*"));
    EXPECT_TRUE(MatchesFileFilter("photo.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesFileFilter("photo", "photo.*"));
    EXPECT_FALSE(MatchesFileFilter("photo", "*.jpg"));
    EXPECT_FALSE(MatchesFileFilter("photo.png", "*.jpg"));
    TBlobFillField f(Record("Blob"));
    f.FillType = fillRandom;
    f.Directory = folder.Path();
    f.prepareInsert();
    EXPECT_EQ(f.Streams.size(), 3u);
}

TEST_F(BlobFillFieldTest, ListSkipsUnreadableFiles) {
    TBlobFillField f(Record("Blob"));
    f.FillType = fillList;
    f.ListValues.Add(folder.Write("first", "1"));
    f.ListValues.Add(folder.Path() + "/second");
    f.ListValues.Add(folder.Write("third", "3"));
    f.prepareInsert();
    EXPECT_EQ(f.FillType, fillList);
    EXPECT_EQ(ContentsDrawn(f, 100), (std::set<std::string>{"1", "3"}));
}

TEST_F(BlobFillFieldTest, ReadinessLooksAtTheNameParts) {
    TBlobFillField f(Record("Blob"));
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FillType = fillFixed;
    f.FileName = "/data/";
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FileName = "/data/picture.png";
    EXPECT_TRUE(f.GetReadyForFilling());
    f.FillType = fillRandom;
    f.Directory = "pictures";
    EXPECT_FALSE(f.GetReadyForFilling());
    f.Directory = "/data/pictures";
    EXPECT_TRUE(f.GetReadyForFilling());
}

} // namespace
