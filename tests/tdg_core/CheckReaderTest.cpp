#include "uCheckReader.h"

#include "ExternalData/ExternalDataReader.h"
#include "FillFieldTestKit.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uSettingsGuess.h"

namespace {

std::string range(const TCheckRange& r) {
    return std::string(" ") + (r.Low && r.Low->Inclusive ? "[" : "(") + (r.Low ? r.Low->Value : "") + ".." +
           (r.High ? r.High->Value : "") + (r.High && r.High->Inclusive ? "]" : ")");
}

// What a reading gives, written short: per condition "column: values [low..high] (more..ranges)
// len(min,max) not(excluded) prefix* not null", then per order "low < high".
std::string summary(const TCheckReading& r) {
    if (!r.Understood) return "not understood";
    std::string out;
    for (const auto& c : r.Conditions) {
        if (!out.empty()) out += "; ";
        out += c.Column + ":";
        for (const auto& v : c.Values)
            out += " " + v;
        if (c.Low || c.High)
            for (const auto& r : c.Ranges())
                out += range(r);
        if (c.MinLength || c.MaxLength)
            out += " len(" + (c.MinLength ? std::to_string(*c.MinLength) : "") + "," +
                   (c.MaxLength ? std::to_string(*c.MaxLength) : "") + ")";
        if (!c.Excluded.empty()) out += " not(";
        for (size_t i = 0; i < c.Excluded.size(); ++i)
            out += (i ? " " : "") + c.Excluded[i] + (i + 1 == c.Excluded.size() ? ")" : "");
        if (!c.Prefix.empty()) out += " " + c.Prefix + "*";
        if (c.NotNull) out += " not null";
        if (c.Json) out += " json";
        if (!c.Mask.empty()) out += " mask " + c.Mask;
        if (!c.Shape.empty()) out += " shape " + c.Shape;
        if (c.Case != TTextCase::Any) out += c.Case == TTextCase::Lower ? " lower" : " upper";
    }
    for (const auto& o : r.Orders)
        out += (out.empty() ? "" : "; ") + o.Low + (o.Strict ? " < " : " <= ") + o.High;
    for (const auto& a : r.Apart)
        out += (out.empty() ? "" : "; ") + a.First + " <> " + a.Second;
    return out;
}

struct Case {
    const char* condition;
    const char* expected;
};

// Conditions as the three servers write them back, and as users write them.
const Case kCases[] = {
    {"status in ('new', 'paid', 'it''s')", "status: new paid it's"},
    {"((status)::text = ANY ((ARRAY['new'::character varying, 'paid'::character varying])::text[]))",
     "status: new paid"},
    {"(rating = ANY (ARRAY[1, 2, 3]))", "rating: 1 2 3"},
    {"(rating <> ANY (ARRAY[1, 2]))", "not understood"},
    {"kind = 'a' or kind = 'b' OR (kind = 'c')", "kind: a b c"},
    {"qty between 1 and 99", "qty: [1..99]"},
    {"((qty >= 1) AND (qty <= 99))", "qty: [1..); qty: (..99]"},
    {"price > 0", "price: (0..)"},
    {"0 < price", "price: (0..)"},
    {"VALUE >= -5.5 AND VALUE < 1e3", "VALUE: [-5.5..); VALUE: (..1e3)"},
    {"((at IS NOT NULL) AND (at >= '2024-01-01'::date) AND (at < '2025-01-01'::date))",
     "at: not null; at: [2024-01-01..); at: (..2025-01-01)"},
    {"char_length((code)::text) <= 5", "code: len(,5)"},
    {"length(\"Code\") between 2 and 4", "Code: len(2,4)"},
    {"len([t].[code]) > 0", "code: len(1,)"},
    // two columns of one row
    {"check_out > check_in", "check_in < check_out"},
    {"(end_date >= start_date)", "start_date <= end_date"},
    {"discount <= price AND price > 0", "price: (0..); discount <= price"},
    {"((shipped_at IS NULL) OR (shipped_at >= ordered_at))", "ordered_at <= shipped_at"},
    {"a = b", "not understood"},
    {"a > b or b > a", "not understood"},
    {"(follower_id <> followee_id)", "follower_id <> followee_id"},
    {"sender_id != recipient_id AND sender_id > 0", "sender_id: (0..); sender_id <> recipient_id"},
    {"a <> b or a > 1", "not understood"},
    // exclusions, NULLs, prefixes and blanks
    {"a not in (1, 2)", "a: not(1 2)"},
    {"status <> 'gone' and status != ''", "status: not(gone); status: not()"},
    {"(code IS NOT NULL) AND (length(code) > 2)", "code: not null; code: len(3,)"},
    {"qty > 0 OR qty IS NULL", "qty: (0..)"},
    {"qty IS NULL OR qty BETWEEN 1 AND 9 OR qty = 5", "qty: [1..9]"},
    {"qty IS NULL", "not understood"},
    {"name like 'A%'", "name: A*"},
    {"sku LIKE 'SKU-%' AND length(sku) <= 12", "sku: SKU-*; sku: len(,12)"},
    {"((s)::text ~~ 'SKU-%'::text)", "s: SKU-*"},
    {"(a <> ALL (ARRAY[1, 2, 3]))", "a: not(1 2 3)"},
    {"(TRIM(BOTH FROM l) <> ''::text)", "l: len(1,)"},
    {"(char_length(TRIM(BOTH FROM l)) > 0)", "l: len(1,)"},
    {"s !~~ 'A%'", "not understood"},
    {"name like '%A'", "name: shape %A"},
    {"name like 'A_%'", "name: mask [A]a shape A_%"},
    {"sku glob '[A-Z][A-Z]-[0-9]*'", "sku: mask AA[-]N"},
    {"code GLOB '?x[abc]'", "code: mask a[xa]"},
    {"code like '__-%' and length(code) = 5", "code: mask aa[-] shape __-%; code: len(5,5)"},
    {"code glob 'abc*'", "code: abc*"},
    {"code glob '[^0-9]'", "not understood"},
    {"slug not glob '*[^a-z0-9-]*'", "slug: mask aaaaaaaa"},
    {"pin not glob '*[^0-9]*'", "pin: mask NNNNNNNN"},
    {"slug not glob '*[^-]*'", "not understood"},
    {"((code)::text ~ '^[A-Z]{3}-\\d{4}$'::text)", "code: mask AAA[-]NNNN"},
    {"zip ~ '[0-9]{5}'", "zip: mask NNNNN"},
    {"x ~* '^ab.c+d?$'", "x: mask [ab]a[c]"},
    {"x ~ '^(a|b)$'", "not understood"},
    {"sku similar to '[A-Z]{3}-_.%'", "sku: mask AAA[-]a[.]"},
    {"ref starting with 'R-'", "ref: R-*"},
    {"mail ~* '^[^@]+@[^@]+$'", "not understood"},
    {"mail like '%_@_%._%'", "mail: shape %_@_%._%"},
    {"((email)::text ~~ '%@%'::text)", "email: shape %@%"},
    {"code like '%[x]%'", "not understood"},
    {"mail ~ '^.+@.+\\..+$'", "not understood"},
    {"name like 'A%' escape '!'", "not understood"},
    {"name not like 'A%'", "not understood"},
    {"trim(name) <> ''", "name: len(1,)"},
    {"btrim((name)::text) <> ''::text", "name: len(1,)"},
    {"length(trim(name)) > 0", "name: len(1,)"},
    {"trim(name) = 'x'", "not understood"},
    // alternatives: lists join, ranges join into ranges with gaps, others keep the first
    {"((at >= '2023-01-01') AND (at < '2024-01-01')) OR ((at >= '2024-01-01') AND (at < '2025-01-01'))",
     "at: [2023-01-01..2025-01-01)"},
    {"((at IS NOT NULL) AND (at >= '2025-01-01'::date) AND (at < '2026-01-01'::date)) OR "
     "((at IS NOT NULL) AND (at >= '2023-01-01'::date) AND (at < '2024-01-01'::date))",
     "at: [2023-01-01..2024-01-01) [2025-01-01..2026-01-01) not null"},
    {"(n >= 1 AND n < 5) OR (n >= 10 AND n < 20)", "n: [1..5) [10..20)"},
    {"x > 20 or x < 10", "x: (..10) (20..)"},
    {"x between 1 and 5 or x between 10 and 15 or x between 4 and 8", "x: [1..8] [10..15]"},
    {"x <= 10 or x >= 10", "x:"},
    {"x < 10 or x > 10", "x: (..10) (10..)"},
    {"(x < 10 or x > 20) and x >= 0", "x: (..10) (20..); x: [0..)"},
    {"((x < 10 or x > 20) and x >= 0 and x <= 30) or x between 40 and 50", "x: [0..10) (20..30] [40..50]"},
    {"((x < 10 or x > 20) and x > 5 and x < 9) or x > 100", "x: (5..9) (100..)"},
    {"x not between -1.5 and 2.5", "x: (..-1.5) (2.5..)"},
    {"(x between 1 and 2 or x between 5 and 6) or x = 9", "x: [1..2] [5..6]"},
    {"((s IS NOT NULL) AND (s = ANY (ARRAY['a', 'b']))) OR ((s IS NOT NULL) AND (s = ANY (ARRAY['c'])))",
     "s: a b c not null"},
    {"cast(n as integer) <> 3", "n: not(3)"},
    {"a > 0 or b > 0", "not understood"},
    {"a = 1 or b = 2", "not understood"},
    {"lower(name) = name", "name: lower"},
    {"code = upper(code) and length(code) = 3", "code: upper; code: len(3,3)"},
    {"lower(a) = b", "not understood"},
    {"lower(a) > a", "not understood"},
    {"meta is null or json_valid(meta)", "meta: json"},
    {"json_valid(`note`) = 1", "note: not null json"},
    {"0 <> json_valid(x)", "x: not null json"},
    {"json_valid(x) = 0", "not understood"},
    {"length(code) < 99999999999999999999", "not understood"},
    {"length(code) < 2.5", "not understood"},
    {"length(code) <> 2", "not understood"},
    {"status in ('a'", "not understood"},
    {"'unclosed", "not understood"},
    {"", "not understood"},
    {"((((((((((((((((((((((((((((((((((((a > 1))))))))))))))))))))))))))))))))))))", "not understood"},
};

TEST(CheckReaderTest, ReadsTheUnderstoodFormsAndRefusesTheRest) {
    for (const Case& c : kCases)
        EXPECT_EQ(summary(ReadCheck(c.condition)), c.expected) << c.condition;
}

// The ranges of a random field written short, "from..to" each, dates as dates; or its list.
std::string settings(TCustomFillField& f) {
    if (f.FillType == fillList) {
        std::string list = "list";
        for (const auto& v : f.ListValues)
            list += " " + v;
        return list;
    }
    std::vector<std::pair<double, double>> ranges;
    std::string (*text)(double) = [](double v) { return kvl::FloatToStr(v); };
    if (auto* i = dynamic_cast<TIntegerFillField*>(&f)) ranges.emplace_back(i->RangeFrom, i->RangeTo);
    if (auto* r = dynamic_cast<TFloatFillField*>(&f))
        ranges.emplace_back(static_cast<double>(r->RangeFrom), static_cast<double>(r->RangeTo));
    if (auto* d = dynamic_cast<TDateFillField*>(&f)) {
        ranges.emplace_back(d->DateFrom, d->DateTo);
        text = [](double v) { return kvl::IsoDate(v); };
    }
    ranges.insert(ranges.end(), f.RangeParts.begin(), f.RangeParts.end());
    std::string out;
    for (const auto& [from, to] : ranges)
        out += (out.empty() ? "" : " ") + text(from) + ".." + text(to);
    return out;
}

// Values of a field with a further range fall in each range by its width and never between.
TEST(CheckReaderTest, FurtherRangesTakeValuesInProportionToTheirWidths) {
    struct {
        const char* type;
        double from, to; // 10 of 40 whole numbers, 1 of 4, 10 of 40 days
        double top;      // of the own range, whole
        std::pair<double, double> part;
    } const cases[] = {{"Integer", 1, 10, 10, {101, 130}},
                       {"Double Precision", 0, 1, 0, {10, 13}},
                       {"Date", 100, 109, 109, {200, 229}}};
    kvl::RandSeed(7);
    for (auto [type, from, to, top, part] : cases) {
        KFillRecord rec;
        rec.DataTypeName = type;
        auto field = RandomField(rec, from, to);
        field->RangeParts = {part};
        field->prepareInsert();
        int first = 0;
        for (int i = 0; i < 4000; ++i) {
            const double v = std::trunc(field->getInsertValue().AsDouble());
            first += v <= top ? 1 : 0;
            ASSERT_TRUE(v <= top || (v >= part.first && v <= part.second)) << v;
        }
        EXPECT_NEAR(first, 1000, 100) << field->DataTypeName;
    }
}

struct GapCase {
    const char* column;
    const char* check;
    const char* settings; // as the guess makes them from the check
    const char* below;    // values below the gap
    const char* above;
};

// Ranges within the guess's own keep to it; those outside get ranges of their own.
const GapCase kGaps[] = {
    {"n integer", "n < 400 or n > 600", "1..399 601..1000", "n < 400", "n > 600"},
    {"band integer", "band between 1 and 5 or band between 10 and 12", "list 1 2 3 4 5 10 11 12", "band < 6",
     "band > 9"},
    {"far integer", "far between -100 and -50 or far > 5000", "-100..-50 5001..6000", "far < 0",
     "far > 5000"},
    {"cut integer", "(cut < 10 or cut > 20) and cut <> 5 and cut <> 500", "1..4 501..1000", "cut < 10",
     "cut > 20"},
    {"ratio decimal(6,2)", "ratio between 0 and 1 or ratio between 5 and 6", "0..0.98 5..5.98", "ratio <= 1",
     "ratio >= 5"},
    {"w double precision", "w < -1 or w > 1", "-1000.0101..-1.0101 1.0101..1000", "w < -1", "w > 1"},
    {"at date", "(at >= '2023-01-01' and at < '2024-01-01') or (at >= '2025-01-01' and at < '2026-01-01')",
     "2023-01-01..2023-12-31 2025-01-01..2025-12-31", "at < '2024-01-01'", "at > '2024-12-31'"},
    {"pay decimal(8,2)", "pay >= 1200 and pay <= 15000", "1200..14999.98", "pay < 2200", "pay > 14000"},
    {"due date", "due not between '2000-01-01' and '2029-12-31'",
     "1988-12-31..1999-12-31 2030-01-01..2040-12-31", "due < '2000-01-01'", "due > '2029-12-31'"},
};

// From CHECK to settings, through the project file, and into rows that the server takes: every
// range gets rows.
TEST(CheckReaderTest, RangesWithGapsBecomeSettingsThatKeepThroughTheFileAndFillEveryRange) {
    kvl::KVL_RegisterStandardDrivers();
    const auto path = std::filesystem::temp_directory_path() / "kvl_check_gaps.db";
    std::filesystem::remove(path);
    auto session = kvl::KVL_OpenConnection("sqlite:" + path.string());
    std::string ddl = "create table gaps (id integer primary key";
    for (const GapCase& c : kGaps)
        ddl += std::string(", ") + c.column + " not null check (" + c.check + ")";
    session->ExecuteCommand("CUSTOM", ddl + ")");
    const std::string file = path.string() + ".tdg";
    {
        TFillStructureEngineVEX engine(*session, session->Database(), nullptr);
        TFillProjects projects;
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        GuessSettings(projects);
        GuessSettings(projects); // as the window guesses again: the same settings
        auto& fields = projects.getFillProject(0)->GetFillFields();
        for (size_t i = 0; i < std::size(kGaps); ++i)
            EXPECT_EQ(settings(*fields[i + 1]), kGaps[i].settings) << kGaps[i].check;
        projects.SaveToFile(file);
        projects.Projects.Clear();
    }
    TFillStructureEngineVEX engine(*session, session->Database(), nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    projects.LoadFromFile(file);
    TFillProject& project = *projects.getFillProject(0);
    for (size_t i = 0; i < std::size(kGaps); ++i)
        EXPECT_EQ(settings(*project.GetFillFields()[i + 1]), kGaps[i].settings)
            << "loaded: " << kGaps[i].check;
    project.Rows = 400;
    projects.RandomSeed = 1;
    projects.startInsert();
    EXPECT_EQ(project.Statistics.ErrorCount, 0);
    auto count = [&](const std::string& where) {
        auto cursor = kvl::KVL_GetCursor(*session, "select count(*) from gaps where " + where);
        cursor->Open();
        return std::stoi(cursor->FieldAsString(0));
    };
    EXPECT_EQ(count("1 = 1"), 400);
    for (const GapCase& c : kGaps) {
        EXPECT_GT(count(c.below), 0) << c.check;
        EXPECT_GT(count(c.above), 0) << c.check;
    }
    projects.Projects.Clear();
    std::filesystem::remove(file);
    std::filesystem::remove(path);
}

TEST(SettingsGuessTest, ColumnNamesAreReadAsWordsWhateverTheirSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"first name", "first_name"},
        {"FirstName", "first_name"},
        {"FIRST_NAME", "first_name"},
        {"firstName", "first_name"},
        {"billing_first_name", "first_name"},
        {"ShippingCity", "city"},
        {"HTTPServerURL", "http_server_url"},
        {"address1", "address1"},
        {"e-mail", "e_mail"},
        {"billing", "billing"},
        {"  ", ""},
        {"Line2Text", "line2_text"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(NormalisedColumnName(name), expected) << name;
}

// The word lists give the values; without them, or when one cannot be read, our own small lists do.
// Text of no known meaning gets random lengths as a new field of its size has them.
TEST(SettingsGuessTest, StatesCompaniesJobsAndSentencesComeFromTheWordListsElseFromOurOwn) {
    RecordingEngine engine;
    engine.AddTable("T", {{"state", "Varchar", true, 40},
                          {"company", "Varchar", true, 40},
                          {"job_title", "Varchar", true, 40},
                          {"title", "Varchar", true, 40},
                          {"description", "Varchar", true, 400},
                          {"zq", "Varchar", true, 0},
                          {"zr", "Varchar", true, 40},
                          {"zs", "Varchar", true, 3}});
    const std::map<TExternalDataKind, std::string> entry = {{xdStates, "Bavaria"},
                                                            {xdCompanies, "Abbott LLC"},
                                                            {xdJobTitles, "Lead Data Agent"},
                                                            {xdWords, "abacus"}};
    const std::vector<TExternalDataKind> eachOnce = {xdStates, xdCompanies, xdJobTitles, xdWords};
    enum class Lists { Read, Missing, NoLoader };
    for (Lists lists : {Lists::Read, Lists::Missing, Lists::NoLoader}) {
        TFillProjects projects;
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        std::vector<TExternalDataKind> asked;
        if (lists != Lists::NoLoader)
            projects.OnExternalDataInit = [&](TExternalDataKind kind, kvl::TStringList& target) {
                asked.push_back(kind);
                if (lists == Lists::Missing) throw tdg::EExternalDataMissing("the archive is missing");
                target.Add(entry.at(kind));
            };
        GuessSettings(projects);
        const std::vector<TExternalDataKind> kinds = {xdStates, xdCompanies, xdJobTitles, xdWords, xdWords};
        auto& fields = projects.getFillProject(0)->GetFillFields();
        for (size_t i = 0; i < kinds.size(); ++i) {
            const auto& f = *fields[i];
            ASSERT_EQ(f.FillType, fillList) << f.ColumnName;
            ASSERT_FALSE(f.ListValues.IsEmpty()) << f.ColumnName;
            const bool fromList =
                kvl::LowerCase(f.ListValues[0]).find(kvl::LowerCase(entry.at(kinds[i]))) != std::string::npos;
            EXPECT_EQ(fromList, lists == Lists::Read) << f.ColumnName << ": " << f.ListValues[0];
        }
        // text of no known meaning: without a size as a new field has it; with one, short words within it
        for (auto [i, from, to] : {std::tuple{5u, 1, 255}, {6u, 5, 20}, {7u, 3, 3}}) {
            auto& f = dynamic_cast<TTextFillField&>(*fields[i]);
            EXPECT_EQ(f.FillType, fillRandomText) << f.ColumnName;
            EXPECT_EQ(f.LengthFrom, from) << f.ColumnName;
            EXPECT_EQ(f.LengthTo, to) << f.ColumnName;
        }
        EXPECT_EQ(asked, lists == Lists::NoLoader ? std::vector<TExternalDataKind>{} : eachOnce);
        projects.SetStructureEngine(nullptr);
    }
}

} // namespace
