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

// Numbers keep within what the column's type and digits hold and use most of it; decimals are
// rounded to their places.
TEST_F(ColumnLimitsTest, RandomNumbersStayWithinTheColumnsTypeAndPlaces) {
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
