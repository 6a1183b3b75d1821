#include "FillFieldTestKit.h"

#include "kvl3_db/TestDatabases.h"

namespace {

using ColumnLimitsTest = FillFieldTest;

// Code points of a UTF-8 text.
size_t characters(const std::string& text) {
    size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    return n;
}

TEST_F(ColumnLimitsTest, TextsOfEveryKindAreCutToTheColumnByCharacters) {
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

TEST_F(ColumnLimitsTest, RandomNumbersStayWithinTheColumnsType) {
    struct Case {
        const char* type;
        int16_t precision;
        double low, high;
    };
    const Case cases[] = {{"SmallInt", 0, -32768, 32767}, {"Word", 0, 0, 65535}, {"Numeric", 3, -999, 999}};
    for (const Case& c : cases) {
        KFillRecord r = Record(c.type);
        r.Precision = c.precision;
        TIntegerFillField f(r);
        f.FillType = fillRandom;
        f.RangeFrom = -2000000000;
        f.RangeTo = 2000000000;
        f.prepareInsert();
        double lowest = 0, highest = 0;
        for (const auto& v : Draw(f, 500)) {
            lowest = std::min(lowest, v.AsDouble());
            highest = std::max(highest, v.AsDouble());
        }
        EXPECT_GE(lowest, c.low) << c.type;
        EXPECT_LE(highest, c.high) << c.type;
        EXPECT_GT(highest - lowest, (c.high - c.low) / 2) << c.type << ": the type's range is used";
    }
}

TEST_F(ColumnLimitsTest, DecimalsAreRoundedToTheirPlacesAndKeptWithinTheirDigits) {
    KFillRecord r = Record("Decimal", 2);
    r.Precision = 5;
    TFloatFillField f(r);
    f.FillType = fillRandom;
    f.RangeFrom = 1;
    f.RangeTo = 1e9L;
    f.prepareInsert();
    for (const auto& v : Draw(f, 200)) {
        const double x = v.AsDouble();
        EXPECT_LE(x, 999.99);
        EXPECT_GE(x, 1);
        EXPECT_NEAR(x * 100, std::round(x * 100), 1e-6) << x;
    }
}

// Thirty draws from forty values repeat one almost surely; a unique column must not.
TEST_F(ColumnLimitsTest, AUniqueColumnDrawsAgainAValueItGaveBefore) {
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

} // namespace
