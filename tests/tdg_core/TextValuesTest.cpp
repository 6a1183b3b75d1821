#include "ExternalData/ExternalDataPasswords.h"
#include "ExternalData/ExternalDataReader.h"
#include "FillFieldTestKit.h"
#include "UTFillObject/UserTextFile.h"
#include "UTFillProjects/Events.h"
#include "base/Usettings.h"
#include <cstdlib>

namespace {

// A text field inside a project set whose word lists come from small in-memory lists, with a
// record of which lists were asked for.
class TextFieldFixture : public ::testing::Test {
protected:
    void SetUp() override {
        kvl::RandSeed(20261206);
        projects.OnExternalDataInit = [this](TExternalDataKind kind, kvl::TStringList& target) {
            asked.push_back(kind);
            if (failing.count(kind)) throw kvl::EFileError("The data file is damaged.");
            for (const auto& w : words[kind])
                target.Add(w);
        };
    }

    std::unique_ptr<TTextFillField> field(int32_t fillType, int32_t size = 40,
                                          const std::string& type = "Varchar") {
        KFillRecord r;
        r.DataTypeName = type;
        r.ColumnName = "C";
        r.Size = size;
        r.Project = &project;
        auto f = std::make_unique<TTextFillField>(r);
        f->FillType = fillType;
        return f;
    }

    // Prepares the field and collects the texts of that many rows.
    static std::vector<std::string> texts(TTextFillField& f, int rows) {
        f.prepareInsert();
        std::vector<std::string> out;
        for (int i = 0; i < rows; ++i) {
            kvl::TVariant v = f.getInsertValue();
            EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::String);
            out.push_back(v.AsString());
        }
        return out;
    }

    std::map<TExternalDataKind, std::vector<std::string>> words = {
        {xdCities, {"Springfield", "Lakeside", "Oakham"}},
        {xdCountries, {"Norway", "Chile", "Kenya"}},
        {xdFirstNames, {"Anna", "Ben", "Carla", "Dmitri"}},
        {xdLastNames, {"Miller", "Ortiz", "Novak", "Sato"}},
        {xdStreets, {"Elm Street", "Main Road", "Harbour Lane"}},
    };
    std::set<TExternalDataKind> failing;
    std::vector<TExternalDataKind> asked;
    TFillProjects projects;
    TFillProject project{&projects};
};

using TextValues = TextFieldFixture;

// Each step changes the field and says whether it is ready then.
TEST_F(TextValues, ReadinessFollowsTheSettingsOfEachKind) {
    using F = TTextFillField;
    const std::pair<void (*)(F&), bool> steps[] = {
        {[](F&) {}, true},
        {[](F& f) { f.StaticValue.clear(); }, false},
        {[](F& f) { f.FillType = fillRandom; }, false},
        {[](F& f) { f.FileName = "values.txt"; }, true},
        {[](F& f) { f.FillType = fillList; }, false},
        {[](F& f) { f.ListValues.Add("a"); }, true},
        {[](F& f) { f.FillType = fillReferential; }, false},
        {[](F& f) { f.RefTable = "ORDERS"; }, false},
        {[](F& f) { f.RefColumn = "ID"; }, true},
        {[](F& f) { f.FillType = fillRandomText; }, true},
        {[](F& f) { f.LengthFrom = f.LengthTo = 0; }, false},
        {[](F& f) { f.LengthTo = 3; }, true},
        {[](F& f) { f.FillType = fillMasked; }, true},
        {[](F& f) { f.Mask.clear(); }, false},
        {[](F& f) { f.FillType = fillIncreasing; }, false},
        {[](F& f) { f.IncStep = 1; }, true},
        {[](F& f) { f.IncFixedDigits = true; }, false},
        {[](F& f) { f.IncDigits = 4; }, true},
    };
    auto f = field(fillFixed);
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first(*f);
        EXPECT_EQ(f->GetReadyForFilling(), steps[i].second) << "step " << i;
    }
    for (int32_t t : {5, 6, 7, 8, 9, 10, 11, 12, 19, 22, 13, 14, 15, 16, 17}) {
        f->FillType = t;
        EXPECT_EQ(f->GetReadyForFilling(), t < 13 || t > 17) << t;
    }
}

TEST_F(TextValues, NothingGivesNullAndFixedGivesTheTextUpToTheColumnsLength) {
    auto f = field(fillNothing, 5);
    f->prepareInsert();
    EXPECT_TRUE(f->getInsertValue().IsNull());

    // longer than the column: cut, and no blank left at the end (tdg check names it an error)
    f->FillType = fillFixed;
    f->StaticValue = "long than five";
    f->prepareInsert();
    EXPECT_EQ(f->getInsertValue().AsString(), "long");
}

TEST_F(TextValues, RandomCharactersOfAFreshFieldFillTheColumnExactly) {
    auto f = field(fillRandomText, 20);
    std::set<char> seen;
    for (const auto& s : texts(*f, 500)) {
        ASSERT_EQ(s.size(), 20u);
        for (char c : s) {
            ASSERT_NE(CharSet89.find(c), std::string_view::npos) << c;
            seen.insert(c);
        }
    }
    // 10000 draws reach every one of the 89 characters
    EXPECT_EQ(seen.size(), 89u);
    EXPECT_EQ(f->LengthLimit(), 20);
    EXPECT_EQ(field(fillRandomText, 0)->LengthLimit(), 32767) << "a column without a size";
}

TEST_F(TextValues, RandomLengthsCoverTheirRangeEvenlyEitherWayRound) {
    struct Case {
        int32_t from, to;
        std::set<size_t> lengths;
    };
    for (const Case& c : {Case{0, 3, {0, 1, 2, 3}}, Case{5, 2, {2, 3, 4, 5}}, Case{-4, 0, {0}}}) {
        auto f = field(fillRandomText, 20);
        f->LengthFrom = c.from;
        f->LengthTo = c.to;
        std::map<size_t, int> counts;
        for (const auto& s : texts(*f, 4000))
            ++counts[s.size()];
        const double share = 4000.0 / static_cast<double>(c.lengths.size());
        std::set<size_t> lengths;
        for (auto [length, n] : counts) {
            lengths.insert(length);
            EXPECT_NEAR(n, share, share * 0.15) << c.from << ".." << c.to << ": " << length;
        }
        EXPECT_EQ(lengths, c.lengths);
        EXPECT_EQ(f->LengthFrom, c.from) << "the settings stay as the user left them";
    }
}

// Every part of a made-up text is one of its choices, and every choice comes up: each word of
// a list, or numbers from near one end of their range to near the other.
TEST_F(TextValues, MadeUpTextsHaveTheirShapeAndDrawEveryPartFromItsChoices) {
    struct Part {
        std::vector<std::string> choices; // empty: a number from low to high
        int low = 0, high = 0;
    };
    const auto list = [&](TExternalDataKind kind) { return Part{words[kind]}; };
    const auto number = [](int low, int high) { return Part{{}, low, high}; };
    const auto of = [](auto first, auto last) { return Part{std::vector<std::string>(first, last)}; };
    std::vector<std::string> letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters.emplace_back(1, c);
    const Part providers = of(K_Provider.begin(), K_Provider.end());
    const Part suffixes = of(K_Postfix.begin(), K_Postfix.begin() + K_PostfixDrawn);
    struct Case {
        int32_t fillType;
        const char* shape;
        std::vector<Part> parts;
    };
    const Case cases[] = {
        {fillPhone, R"(\(1-(\d+)\) (\d+)-(\d+))", {number(100, 999), number(100, 999), number(1000, 9999)}},
        {fillEmail,
         R"(([A-Z])\.([^@.]+)@([a-z]+)\.([a-z.]+))",
         {Part{letters}, list(xdLastNames), providers, suffixes}},
        {fillURL, R"(http://www\.([^.]+)\.([a-z]+)\.([a-z.]+))", {list(xdLastNames), providers, suffixes}},
        {fillAddresses, R"((.+) (\d+))", {list(xdStreets), number(0, 999)}},
        {fillFullNames, R"(([^ ]+) ([^ ]+))", {list(xdFirstNames), list(xdLastNames)}},
        {fillGenerator, "(.+)", {list(xdFirstNames)}},
        {fillLastNames, "(.+)", {list(xdLastNames)}},
        {fillCities, "(.+)", {list(xdCities)}},
        {fillCountries, "(.+)", {list(xdCountries)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        const std::regex shape(c.shape);
        std::vector<std::set<std::string>> seen(c.parts.size());
        std::vector<int> lowest(c.parts.size(), INT32_MAX), highest(c.parts.size(), INT32_MIN);
        for (const auto& s : texts(*field(c.fillType), 3000)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(s, m, shape)) << s;
            for (size_t i = 0; i < c.parts.size(); ++i) {
                seen[i].insert(m[i + 1]);
                if (!c.parts[i].choices.empty()) continue;
                lowest[i] = std::min(lowest[i], std::stoi(m[i + 1]));
                highest[i] = std::max(highest[i], std::stoi(m[i + 1]));
            }
        }
        for (size_t i = 0; i < c.parts.size(); ++i) {
            const Part& part = c.parts[i];
            if (!part.choices.empty()) {
                EXPECT_EQ(seen[i], std::set<std::string>(part.choices.begin(), part.choices.end())) << i;
                continue;
            }
            const int margin = (part.high - part.low) / 50;
            EXPECT_GE(lowest[i], part.low) << i;
            EXPECT_LE(lowest[i], part.low + margin) << i;
            EXPECT_LE(highest[i], part.high) << i;
            EXPECT_GE(highest[i], part.high - margin) << i;
        }
    }
}

TEST_F(TextValues, IncreasingNumbersPadToTheDigitCountOnlyWhenAsked) {
    auto f = field(fillIncreasing);
    f->IncStart = 1;
    f->IncStep = 1;
    EXPECT_EQ(texts(*f, 3), (std::vector<std::string>{"1", "2", "3"}));

    f->IncFixedDigits = true;
    f->IncDigits = 4;
    EXPECT_EQ(texts(*f, 3), (std::vector<std::string>{"0001", "0002", "0003"})) << "restarts every run";

    f->IncStart = -12;
    f->IncStep = 7;
    EXPECT_EQ(texts(*f, 3), (std::vector<std::string>{"-0012", "-0005", "0002"}));

    // wrapping around instead of overflowing
    f->IncFixedDigits = false;
    f->IncStart = 2147483647;
    f->IncStep = 1;
    EXPECT_EQ(texts(*f, 2), (std::vector<std::string>{"2147483647", "-2147483648"}));
}

// Every row follows the mask and is kept in the field's buffer; a syntax error stops the preparation.
TEST_F(TextValues, MaskedTextsFollowTheMask) {
    auto f = field(fillMasked, 20);
    f->Mask = "AA[-]NNN";
    f->prepareInsert();
    for (int i = 0; i < 200; ++i) {
        const std::string v = f->getInsertValue().String();
        ASSERT_TRUE(std::regex_match(v, std::regex("[A-Z]{2}-[0-9]{3}"))) << v;
        EXPECT_EQ(f->Buffer, v);
    }
    f->Mask = "AA[unterminated";
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { f->prepareInsert(); }),
              "Masked value parsing error. Check syntax.");
}

TEST_F(TextValues, ListValuesAreDrawnFromTheUsersListWhichMustNotBeEmpty) {
    auto f = field(fillList);
    EXPECT_EQ(MessageOf<EFillNoListValuesError>([&] { f->prepareInsert(); }), "no list values found.");
    f->ListValues.SetText("red\r\ngreen\r\nblue");
    std::set<std::string> seen;
    for (const auto& s : texts(*f, 200))
        seen.insert(s);
    EXPECT_EQ(seen, (std::set<std::string>{"red", "green", "blue"}));
    f->unprepareInsert();
    EXPECT_EQ(f->getInsertValue().AsString(), "") << "the pool is forgotten";
}

TEST_F(TextValues, NumbersAsTextStayInTheirRangesAndKeepTheirKind) {
    auto f = field(fillIntegerText);
    const auto draw = [&](kvl::TVariant::Kind kind) {
        f->prepareInsert();
        std::set<double> seen;
        for (int i = 0; i < 200; ++i) {
            const kvl::TVariant v = f->getInsertValue();
            EXPECT_EQ(v.GetKind(), kind);
            seen.insert(v.AsDouble());
        }
        return seen;
    };
    f->IncStart = -2;
    f->IntegerTo = 2;
    EXPECT_EQ(draw(kvl::TVariant::Kind::Integer), (std::set<double>{-2, -1, 0, 1, 2}));
    f->IncStart = INT32_MIN;
    f->IntegerTo = INT32_MAX;
    const std::set<double> wide = draw(kvl::TVariant::Kind::Integer);
    EXPECT_TRUE(*wide.begin() < 0 && *wide.rbegin() > 0) << "the full range without overflow";
    f->FillType = fillFloatText;
    f->FloatFrom = 1.5;
    f->FloatTo = 2.5;
    const std::set<double> reals = draw(kvl::TVariant::Kind::Double);
    EXPECT_GE(*reals.begin(), 1.5);
    EXPECT_LT(*reals.rbegin(), 2.5);
}

// Dates never fall on the upper bound; times keep between their bounds.
TEST_F(TextValues, DatesAndTimesFallBetweenTheirBounds) {
    kvl::TFormatSettings iso;
    iso.DateSeparator = '-';
    iso.ShortDateFormat = "yyyy/mm/dd";
    iso.LongTimeFormat = "hh:nn:ss";
    kvl::TFormatSettingsScope scope(iso);
    struct Case {
        int32_t fillType;
        kvl::TDateTime dateFrom, dateTo;
        const char* shape;
        size_t distinct; // 0: not counted
    };
    const Case cases[] = {
        {fillDateText, kvl::EncodeDate(2024, 2, 27), kvl::EncodeDate(2024, 3, 2), "2024-0(2-2[7-9]|3-01)", 4},
        {fillTimeText, 0, 0, "09:[0-5]\\d:[0-5]\\d", 0},
        {fillDateTimeText, kvl::EncodeDate(2024, 12, 30), kvl::EncodeDate(2025, 1, 2),
         "(2024-12-3[01]|2025-01-01) 09:[0-5]\\d:[0-5]\\d", 0},
    };
    for (const Case& c : cases) {
        auto f = field(c.fillType);
        f->DateFrom = c.dateFrom;
        f->DateTo = c.dateTo;
        f->TimeFrom = kvl::EncodeTime(9, 0, 0, 0);
        f->TimeTo = kvl::EncodeTime(10, 0, 0, 0);
        std::set<std::string> seen;
        for (const auto& s : texts(*f, 500)) {
            EXPECT_TRUE(std::regex_match(s, std::regex(c.shape))) << s;
            seen.insert(s);
        }
        if (c.distinct) EXPECT_EQ(seen.size(), c.distinct) << c.shape;
    }
}

// A missing file is logged once and every row says so; an empty one gives empty texts.
TEST_F(TextValues, LinesOfACustomFileAreTheValues) {
    TempFolder folder;
    struct Case {
        const char* content; // nullptr: no file
        std::set<std::string> values;
        std::vector<std::string> log;
    };
    const Case cases[] = {{"alpha\nbeta\r\ngamma\n", {"alpha", "beta", "gamma"}, {}},
                          {nullptr,
                           {"Custom failed"},
                           {"Error while preparing inserts:", "Could not laod the custom file", ""}},
                          {"", {""}, {}}};
    for (const Case& c : cases) {
        project.Statistics.Log.Clear();
        auto f = field(fillRandom);
        f->FileName = c.content ? folder.Write("custom.txt", c.content) : folder.Path("missing.txt");
        const std::vector<std::string> values = texts(*f, 200);
        EXPECT_EQ(std::set<std::string>(values.begin(), values.end()), c.values);
        EXPECT_EQ(project.Statistics.Log.Items(), c.log);
    }
}

using ExternalDataLists = TextFieldFixture;

TEST(ExternalDataListsNoHandler, AListWithoutHandlerStaysEmptyForGood) {
    TFillProjects projects;
    EXPECT_TRUE(projects.GetStreets().IsEmpty());
    int calls = 0;
    projects.OnExternalDataInit = [&](TExternalDataKind, kvl::TStringList& target) {
        ++calls;
        target.Add("late");
    };
    EXPECT_TRUE(projects.GetStreets().IsEmpty());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(projects.GetCities().Items(), std::vector<std::string>{"late"}) << "other kinds still load";
}

TEST_F(ExternalDataLists, PreparingAskesOnlyForTheKindsInUse) {
    auto phone = field(fillPhone);
    auto email = field(fillEmail);
    auto url = field(fillURL);
    auto last = field(fillLastNames);
    auto text = field(fillRandomText);
    for (auto* f : {phone.get(), email.get(), url.get(), last.get(), text.get()})
        f->prepareInsert();
    // a second run of the same fields reads the kept list again
    email->prepareInsert();
    EXPECT_EQ(asked, std::vector<TExternalDataKind>{xdLastNames});
    EXPECT_EQ(projects.Cities, nullptr);
    EXPECT_EQ(projects.Firstnames, nullptr);
}

// A list is asked for once and then shared, by the fields of every project.
TEST_F(ExternalDataLists, FieldsOfDifferentProjectsShareTheLists) {
    TFillProject other(&projects);
    KFillRecord r;
    r.DataTypeName = "Varchar";
    r.Project = &other;
    TTextFillField otherField(r);
    otherField.FillType = fillCities;
    otherField.prepareInsert();
    auto mine = field(fillCities);
    mine->prepareInsert();
    EXPECT_EQ(asked, std::vector<TExternalDataKind>{xdCities});
    EXPECT_EQ(mine->Values.Items(), words[xdCities]);
    EXPECT_EQ(&projects.GetCities(), &projects.GetCities());
    EXPECT_EQ(asked.size(), 1u);
}

// A list that cannot be read is logged once, in a line of its own kind, and not asked for again;
// its rows say so in the first run and are empty after, and the list itself stays empty.
TEST_F(ExternalDataLists, AListThatFailedIsLoggedOnceThenGivesEmptyTexts) {
    const std::vector<std::tuple<int32_t, TExternalDataKind, std::string, std::string>> kinds = {
        {fillAddresses, xdStreets, "Could not load the adress repostitory", "Guru Meditation \\d{1,3}"},
        {fillCities, xdCities, "Could not load the city repostitory", "Guru Meditation"},
        {fillCountries, xdCountries, "Could not load the country repostitory", "Guru Meditation"},
        {fillGenerator, xdFirstNames, "Could not load the first name repostitory", "Guru Meditation"},
        {fillLastNames, xdLastNames, "Could not load the last name repostitory", "Guru Meditation"},
    };
    for (const auto& [fillType, kind, line, shape] : kinds) {
        failing.insert(kind);
        project.Statistics.Log.Clear();
        auto f = field(fillType);
        for (const auto& s : texts(*f, 10))
            EXPECT_TRUE(std::regex_match(s, std::regex(shape))) << s;
        const std::vector<std::string> logged{"Error while preparing inserts:", line, ""};
        EXPECT_EQ(project.Statistics.Log.Items(), logged);
        for (const auto& s : texts(*f, 3))
            EXPECT_EQ(s, "") << line;
        EXPECT_EQ(project.Statistics.Log.Items(), logged) << "nothing new is logged";
        EXPECT_EQ(asked.back(), kind);
    }
    EXPECT_TRUE(projects.GetCities().IsEmpty());
    EXPECT_EQ(asked,
              (std::vector<TExternalDataKind>{xdStreets, xdCities, xdCountries, xdFirstNames, xdLastNames}));
}

TEST_F(ExternalDataLists, FullNamesWithoutLastNamesFailEveryRow) {
    failing.insert(xdLastNames);
    auto f = field(fillFullNames);
    f->prepareInsert();
    ASSERT_EQ(project.Statistics.Log.Count(), 3);
    EXPECT_EQ(project.Statistics.Log[1], "Could not load the first name repostitory");
    EXPECT_EQ(f->Values.Count(), static_cast<int>(words[xdFirstNames].size()) + 1);
    EXPECT_EQ(f->Values[f->Values.Count() - 1], "Guru Meditation");
    EXPECT_THROW(f->getInsertValue(), kvl::EListError);
}

// The one reader of the user's text files: whatever the editor wrote, the values are UTF-8.

TEST(UserTextFile, EveryEncodingBecomesUtf8WithoutAByteOrderMark) {
    struct Case {
        const char* name;
        std::string bytes, text;
        bool latin1;
    };
    const std::string strasse = "Stra\xC3\x9F"
                                "e";
    const Case cases[] = {
        {"empty", "", "", false},
        {"ASCII", "a\r\nb", "a\r\nb", false},
        {"UTF-8", strasse, strasse, false},
        {"mark and UTF-8", "\xEF\xBB\xBF" + strasse, strasse, false},
        {"mark alone", "\xEF\xBB\xBF", "", false},
        // a mark is dropped only at the start
        {"mark inside", "a\xEF\xBB\xBF", "a\xEF\xBB\xBF", false},
        {"Latin-1",
         "Stra\xDF"
         "e",
         strasse, true},
        {"Latin-1 ending in a lead byte", "caf\xE9", "caf\xC3\xA9", true},
        {"Latin-1 after a mark", "\xEF\xBB\xBF\xE9", "\xC3\xA9", true},
        {"overlong UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF", true},
        {"encoded surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80", true},
        {"four bytes", "\xF0\x9F\x99\x82", "\xF0\x9F\x99\x82", false},
        {"beyond Unicode", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TUserText decoded = DecodeUserText(c.bytes, "f.txt");
        EXPECT_EQ(decoded.Text, c.text);
        EXPECT_EQ(decoded.FromLatin1, c.latin1);
        EXPECT_TRUE(IsUtf8Text(decoded.Text));
    }
}

TEST(UserTextFile, TextInSixteenBitUnitsIsRefusedWithTheFilesName) {
    const std::string utf16("\xFF\xFE"
                            "A\0",
                            4);
    EXPECT_EQ(MessageOf<EUserTextEncoding>([&] { DecodeUserText(utf16, "names.txt"); }),
              "The file \"names.txt\" is no UTF-8 text; convert it to UTF-8.");
}

namespace fs = std::filesystem;
using tdg::TDG_EXTERNALDATA_PASSWORDS;

// ctest passes the shipped data folder; a test binary started by hand finds it next to the
// sources.
std::string shippedDataDir() {
    if (const char* dir = std::getenv("TDG_DATA_DIR"); dir && *dir)
        return kvl::IncludeTrailingPathDelimiter(dir);
    return (fs::path(__FILE__).parent_path() / ".." / ".." / "data").lexically_normal().string() + "/";
}

struct ShippedList {
    TExternalDataKind Kind;
    int MinEntries;
    const char* KnownEntry;
};

class ShippedArchiveTest : public testing::TestWithParam<ShippedList> {};

// Each kind's archive, member and password, as the program names them.
TEST_P(ShippedArchiveTest, OpensWithTheProgramsPasswordAndMatchesThePlainList) {
    const ShippedList& p = GetParam();
    const std::string dir = shippedDataDir();
    const std::string member(TDG_EXTERNALDATA_ZIPPEDNAME[p.Kind]);
    SCOPED_TRACE(member);
    kvl::TStringList words;
    words.Add("left from before");
    tdg::LoadExternalData(dir, std::string(TDG_EXTERNALDATA_FILENAMES[p.Kind]), member,
                          std::string(TDG_EXTERNALDATA_PASSWORDS[p.Kind]), words);

    EXPECT_GE(words.Count(), p.MinEntries);
    EXPECT_GE(words.IndexOf(p.KnownEntry), 0) << p.KnownEntry;
    for (const auto& w : words)
        ASSERT_FALSE(w.empty());

    // The archive must have been rebuilt from the committed list, not left behind by an edit; the
    // list's earlier content is gone.
    kvl::TStringList plain;
    plain.LoadFromFile(dir + "wordlists/" + member);
    EXPECT_TRUE(words == plain);
}

INSTANTIATE_TEST_SUITE_P(
    ExternalData, ShippedArchiveTest,
    testing::Values(ShippedList{xdCities, 1000, "Berlin"}, ShippedList{xdCountries, 200, "Norway"},
                    ShippedList{xdFirstNames, 1000, "Mary"}, ShippedList{xdLastNames, 1000, "Smith"},
                    ShippedList{xdStreets, 1000, "Abbey Road"}, ShippedList{xdStates, 1000, "Ontario"},
                    ShippedList{xdCompanies, 1000, "Abbott LLC"},
                    ShippedList{xdJobTitles, 10000, "Lead Data Agent"},
                    ShippedList{xdWords, 1000, "abacus"}));

template <class E> bool isA(const std::exception& e) {
    return dynamic_cast<const E*>(&e) != nullptr;
}

// Every failure names the file and leaves the list as it was. A flipped byte in the middle of the
// encrypted data is caught by the member's authentication code once the member has been read.
// The archive is a copy of the countries list, the smallest one, in a private folder.
TEST(ExternalDataFailure, FailuresNameTheFileAndLeaveTheListAlone) {
    using Is = bool (*)(const std::exception&);
    TempFolder folder;
    const std::string archive = ReadFile(shippedDataDir() + "Countries.qdz");
    ASSERT_GT(archive.size(), 200u);
    kvl::TStringList target;
    target.Add("kept");
    target.Add("as it was");
    std::string flipped = archive;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x40);
    const std::string missing = "(missing)", isFolder = "(folder)", own(TDG_EXTERNALDATA_PASSWORDS[1]);
    const std::string path = folder.Path("Countries.qdz"), file = "\"" + path + "\"";
    struct Case {
        std::string bytes, member, password;
        Is is;
        std::string message;
    };
    const Case cases[] = {
        {missing, "Countries.txt", own, isA<tdg::EExternalDataMissing>,
         "The data file " + file + " does not exist."},
        {isFolder, "Countries.txt", own, isA<tdg::EExternalDataError>,
         "The data file " + file + " is a folder."},
        {archive, "Countries.txt", own + "x", isA<tdg::EExternalDataWrongPassword>, "\"Countries.txt\""},
        {archive, "Countries.txt", "", isA<tdg::EExternalDataWrongPassword>, ""},
        // another list's password is a realistic mistake
        {archive, "Countries.txt", std::string(TDG_EXTERNALDATA_PASSWORDS[0]),
         isA<tdg::EExternalDataWrongPassword>, ""},
        {archive, "Cities.txt", own, isA<tdg::EExternalDataNoMember>, "\"Cities.txt\""},
        {archive, "countries.txt", own, isA<tdg::EExternalDataNoMember>, ""}, // names match exactly
        {"Germany\nFrance\n", "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {"", "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {archive.substr(0, archive.size() / 2), "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {archive.substr(0, archive.size() - 10), "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {flipped, "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
    };
    for (size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(k);
        fs::remove_all(path);
        if (c.bytes == isFolder)
            folder.MakeFolder("Countries.qdz");
        else if (c.bytes != missing)
            folder.Write("Countries.qdz", c.bytes);
        try {
            tdg::LoadExternalData(folder.Path() + "/", "Countries.qdz", c.member, c.password, target);
            ADD_FAILURE() << "no exception";
        } catch (const tdg::EExternalDataError& e) {
            EXPECT_TRUE(c.is(e)) << e.Message();
            EXPECT_NE(e.Message().find(file), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
        }
        EXPECT_EQ(target.Items(), (std::vector<std::string>{"kept", "as it was"}));
    }
}

} // namespace
