#include "FillFieldTestKit.h"
#include "TextValuesSupport.h"

#include "UTFillObject/EFillError.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <unistd.h>

namespace {

using TextValues = TextFieldFixture;

TEST_F(TextValues, NewFieldStartsWithTheDocumentedSettings) {
    auto f = field(fillNothing, -20, "Char");
    EXPECT_EQ(f->StaticValue, "Fixed String value");
    EXPECT_EQ(f->Mask, "AAANNN[CONSTANT]");
    EXPECT_EQ(f->LengthFrom, 20);
    EXPECT_EQ(f->LengthTo, 20);
    EXPECT_EQ(f->DateFrom, kvl::Date());
    EXPECT_EQ(f->DateTo, f->DateFrom);
    EXPECT_GE(f->TimeFrom, 0.0);
    EXPECT_LT(f->TimeFrom, 1.0);
    EXPECT_EQ(f->TimeTo, f->TimeFrom);
    EXPECT_EQ(f->FillType, fillNothing);
    EXPECT_FALSE(f->GetReadyForFilling());
}

TEST_F(TextValues, AColumnWithoutASizeGetsSensibleRandomLengthsWithinTheLimit) {
    auto unbounded = field(fillRandomText, 0);
    EXPECT_EQ(unbounded->LengthFrom, 1);
    EXPECT_EQ(unbounded->LengthTo, 255);
    EXPECT_EQ(unbounded->LengthLimit(), 32767);
    EXPECT_TRUE(unbounded->GetReadyForFilling());
    EXPECT_EQ(field(fillRandomText, 40)->LengthLimit(), 40);
}

TEST_F(TextValues, ReadinessFollowsTheSettingsOfEachKind) {
    auto f = field(fillFixed);
    EXPECT_TRUE(f->GetReadyForFilling());
    f->StaticValue.clear();
    EXPECT_FALSE(f->GetReadyForFilling());

    f->FillType = fillRandom;
    EXPECT_FALSE(f->GetReadyForFilling());
    f->FileName = "values.txt";
    EXPECT_TRUE(f->GetReadyForFilling());

    f->FillType = fillList;
    EXPECT_FALSE(f->GetReadyForFilling());
    f->ListValues.Add("a");
    EXPECT_TRUE(f->GetReadyForFilling());

    f->FillType = fillReferential;
    f->RefTable = "ORDERS";
    EXPECT_FALSE(f->GetReadyForFilling());
    f->RefColumn = "ID";
    EXPECT_TRUE(f->GetReadyForFilling());

    for (int32_t t : {5, 6, 7, 8, 9, 10, 11, 12, 19, 22}) {
        f->FillType = t;
        EXPECT_TRUE(f->GetReadyForFilling()) << t;
    }
    for (int32_t t : {13, 14, 15, 16, 17}) {
        f->FillType = t;
        EXPECT_FALSE(f->GetReadyForFilling()) << t;
    }

    f->FillType = fillRandomText;
    f->LengthFrom = 0;
    f->LengthTo = 0;
    EXPECT_FALSE(f->GetReadyForFilling());
    f->LengthTo = 3;
    EXPECT_TRUE(f->GetReadyForFilling());

    f->FillType = fillMasked;
    EXPECT_TRUE(f->GetReadyForFilling());
    f->Mask.clear();
    EXPECT_FALSE(f->GetReadyForFilling());

    f->FillType = fillIncreasing;
    EXPECT_FALSE(f->GetReadyForFilling());
    f->IncStep = 1;
    EXPECT_TRUE(f->GetReadyForFilling());
    f->IncFixedDigits = true;
    EXPECT_FALSE(f->GetReadyForFilling());
    f->IncDigits = 4;
    EXPECT_TRUE(f->GetReadyForFilling());
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

TEST_F(TextValues, PhoneNumbersHaveThreeGroupsInTheirRanges) {
    auto f = field(fillPhone);
    const std::regex shape(R"(\(1-(\d+)\) (\d+)-(\d+))");
    int lowFirst = 1000, highFirst = 0, lowLast = 10000, highLast = 0;
    for (const auto& s : texts(*f, 3000)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(s, m, shape)) << s;
        int a = std::stoi(m[1]), b = std::stoi(m[2]), c = std::stoi(m[3]);
        EXPECT_TRUE(a >= 100 && a <= 999 && b >= 100 && b <= 999 && c >= 1000 && c <= 9999) << s;
        lowFirst = std::min(lowFirst, a);
        highFirst = std::max(highFirst, a);
        lowLast = std::min(lowLast, c);
        highLast = std::max(highLast, c);
    }
    EXPECT_LT(lowFirst, 110);
    EXPECT_GT(highFirst, 990);
    EXPECT_LT(lowLast, 1100);
    EXPECT_GT(highLast, 9900);
}

TEST_F(TextValues, EmailAddressesAreInitialLastNameProviderAndOneOfTheFirstSixSuffixes) {
    auto f = field(fillEmail);
    const std::regex shape(R"(([A-Z])\.([^@.]+)@([a-z]+)\.([a-z.]+))");
    std::set<std::string> initials, providers, suffixes;
    for (const auto& s : texts(*f, 3000)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(s, m, shape)) << s;
        EXPECT_TRUE(contains(words[xdLastNames], m[2])) << s;
        initials.insert(m[1]);
        providers.insert(m[3]);
        suffixes.insert(m[4]);
    }
    EXPECT_EQ(initials.size(), 26u);
    EXPECT_EQ(providers, std::set<std::string>(K_Provider.begin(), K_Provider.end()));
    EXPECT_EQ(suffixes, std::set<std::string>(K_Postfix.begin(), K_Postfix.begin() + 6));
}

TEST_F(TextValues, WebAddressesAreLastNameProviderAndSuffix) {
    auto f = field(fillURL);
    const std::regex shape(R"(http://www\.([^.]+)\.([a-z]+)\.([a-z.]+))");
    std::set<std::string> suffixes;
    for (const auto& s : texts(*f, 1000)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(s, m, shape)) << s;
        EXPECT_TRUE(contains(words[xdLastNames], m[1])) << s;
        EXPECT_TRUE(contains({K_Provider.begin(), K_Provider.end()}, m[2])) << s;
        suffixes.insert(m[3]);
    }
    EXPECT_EQ(suffixes, std::set<std::string>(K_Postfix.begin(), K_Postfix.begin() + 6));
}

TEST_F(TextValues, StreetsGetAHouseNumberUpTo999) {
    auto f = field(fillAddresses);
    const std::regex shape(R"((.+) (\d+))");
    int highest = 0;
    for (const auto& s : texts(*f, 2000)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(s, m, shape)) << s;
        EXPECT_TRUE(contains(words[xdStreets], m[1])) << s;
        highest = std::max(highest, std::stoi(m[2]));
    }
    EXPECT_LE(highest, 999);
    EXPECT_GE(highest, 990);
}

TEST_F(TextValues, EachWordKindDrawsFromItsOwnList) {
    const std::vector<std::pair<int32_t, TExternalDataKind>> kinds = {{fillGenerator, xdFirstNames},
                                                                      {fillLastNames, xdLastNames},
                                                                      {fillCities, xdCities},
                                                                      {fillCountries, xdCountries}};
    for (auto [fillType, kind] : kinds) {
        auto f = field(fillType);
        std::set<std::string> seen;
        for (const auto& s : texts(*f, 200)) {
            EXPECT_TRUE(contains(words[kind], s)) << fillType << ": " << s;
            seen.insert(s);
        }
        EXPECT_EQ(seen.size(), words[kind].size()) << fillType;
    }
}

TEST_F(TextValues, FullNamesAreAFirstNameABlankAndALastName) {
    auto f = field(fillFullNames);
    for (const auto& s : texts(*f, 300)) {
        auto blank = s.find(' ');
        ASSERT_NE(blank, std::string::npos) << s;
        EXPECT_TRUE(contains(words[xdFirstNames], s.substr(0, blank))) << s;
        EXPECT_TRUE(contains(words[xdLastNames], s.substr(blank + 1))) << s;
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
    f->IncStart = -2;
    f->IntegerTo = 2;
    f->prepareInsert();
    std::set<int32_t> ints;
    for (int i = 0; i < 200; ++i) {
        kvl::TVariant v = f->getInsertValue();
        ASSERT_EQ(v.GetKind(), kvl::TVariant::Kind::Integer);
        ints.insert(v.Integer());
    }
    EXPECT_EQ(ints, (std::set<int32_t>{-2, -1, 0, 1, 2}));

    f->IncStart = -2147483647 - 1;
    f->IntegerTo = 2147483647;
    f->prepareInsert();
    bool negative = false, positive = false;
    for (int i = 0; i < 100; ++i) {
        const int32_t v = f->getInsertValue().Integer();
        negative = negative || v < 0;
        positive = positive || v > 0;
    }
    EXPECT_TRUE(negative && positive) << "the full range without overflow";

    f->FillType = fillFloatText;
    f->FloatFrom = 1.5;
    f->FloatTo = 2.5;
    f->prepareInsert();
    for (int i = 0; i < 200; ++i) {
        kvl::TVariant v = f->getInsertValue();
        ASSERT_EQ(v.GetKind(), kvl::TVariant::Kind::Double);
        EXPECT_GE(v.Double(), 1.5);
        EXPECT_LT(v.Double(), 2.5);
    }
}

class TextDates : public TextFieldFixture {
protected:
    kvl::TFormatSettings iso() {
        kvl::TFormatSettings s;
        s.DateSeparator = '-';
        s.ShortDateFormat = "yyyy/mm/dd";
        s.LongTimeFormat = "hh:nn:ss";
        return s;
    }
    kvl::TFormatSettingsScope scope{iso()};
};

TEST_F(TextDates, DatesFallBetweenTheBoundsAndNeverOnTheUpperOne) {
    auto f = field(fillDateText);
    f->DateFrom = kvl::EncodeDate(2024, 2, 27);
    f->DateTo = kvl::EncodeDate(2024, 3, 2);
    std::set<std::string> seen;
    for (const auto& s : texts(*f, 500))
        seen.insert(s);
    EXPECT_EQ(seen, (std::set<std::string>{"2024-02-27", "2024-02-28", "2024-02-29", "2024-03-01"}));
}

TEST_F(TextDates, TimesAndDateTimesKeepTheTimeBetweenItsBounds) {
    auto f = field(fillTimeText);
    f->TimeFrom = kvl::EncodeTime(9, 0, 0, 0);
    f->TimeTo = kvl::EncodeTime(10, 0, 0, 0);
    for (const auto& s : texts(*f, 200))
        EXPECT_TRUE(std::regex_match(s, std::regex("09:[0-5]\\d:[0-5]\\d"))) << s;

    f->FillType = fillDateTimeText;
    f->DateFrom = kvl::EncodeDate(2024, 12, 30);
    f->DateTo = kvl::EncodeDate(2025, 1, 2);
    for (const auto& s : texts(*f, 200))
        EXPECT_TRUE(std::regex_match(s, std::regex("(2024-12-3[01]|2025-01-01) 09:[0-5]\\d:[0-5]\\d"))) << s;
}

class TextCustomFile : public TextFieldFixture {
protected:
    void TearDown() override { std::filesystem::remove(path); }
    std::string write(const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        (std::string("tdg_custom_") + std::to_string(::getpid()) + "_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"))
                           .string();
};

TEST_F(TextCustomFile, LinesOfTheFileAreTheValues) {
    auto f = field(fillRandom);
    f->FileName = write("alpha\nbeta\r\ngamma\n");
    std::set<std::string> seen;
    for (const auto& s : texts(*f, 200))
        seen.insert(s);
    EXPECT_EQ(seen, (std::set<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_TRUE(project.Statistics.Log.IsEmpty());
}

TEST_F(TextCustomFile, AMissingFileIsLoggedOnceAndEveryRowSaysSo) {
    auto f = field(fillRandom);
    f->FileName = path + ".missing";
    for (const auto& s : texts(*f, 20))
        EXPECT_EQ(s, "Custom failed");
    EXPECT_EQ(
        project.Statistics.Log.Items(),
        (std::vector<std::string>{"Error while preparing inserts:", "Could not laod the custom file", ""}));
}

TEST_F(TextCustomFile, AnEmptyFileGivesEmptyTexts) {
    auto f = field(fillRandom);
    f->FileName = write("");
    for (const auto& s : texts(*f, 5))
        EXPECT_EQ(s, "");
    EXPECT_TRUE(project.Statistics.Log.IsEmpty());
}

} // namespace
