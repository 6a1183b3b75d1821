#include "TextValuesSupport.h"

namespace {

using TextValues = TextFieldFixture;

TEST_F(TextValues, AColumnWithoutASizeGetsSensibleRandomLengthsWithinTheLimit) {
    auto unbounded = field(fillRandomText, 0);
    EXPECT_EQ(unbounded->LengthFrom, 1);
    EXPECT_EQ(unbounded->LengthTo, 255);
    EXPECT_EQ(unbounded->LengthLimit(), 32767);
    EXPECT_TRUE(unbounded->GetReadyForFilling());
    EXPECT_EQ(field(fillRandomText, 40)->LengthLimit(), 40);
}

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
    const std::vector<std::string> nothingLogged;
    const std::vector<std::string> missingLogged{
        "Error while preparing inserts:", "Could not laod the custom file", ""};
    struct Case {
        const char* content; // nullptr: no file
        std::set<std::string> values;
        const std::vector<std::string>& log;
    };
    const Case cases[] = {{"alpha\nbeta\r\ngamma\n", {"alpha", "beta", "gamma"}, nothingLogged},
                          {nullptr, {"Custom failed"}, missingLogged},
                          {"", {""}, nothingLogged}};
    for (const Case& c : cases) {
        project.Statistics.Log.Clear();
        auto f = field(fillRandom);
        f->FileName = c.content ? folder.Write("custom.txt", c.content) : folder.Path("missing.txt");
        const std::vector<std::string> values = texts(*f, 200);
        EXPECT_EQ(std::set<std::string>(values.begin(), values.end()), c.values);
        EXPECT_EQ(project.Statistics.Log.Items(), c.log);
    }
}

} // namespace
