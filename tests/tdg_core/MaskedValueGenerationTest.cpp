#include "uMaskedValue.h"

#include "base/Exceptions.h"
#include "base/Random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <string>

using kvl::GetMaskedCommands;
using kvl::TMaskedCommands;

namespace {

class MaskedValueTest : public ::testing::Test {
protected:
    void SetUp() override { kvl::RandSeed(20261206); }

    void compile(std::string_view mask) { commands_ = GetMaskedCommands(mask); }

    std::string next() {
        std::string value;
        kvl::AppendMaskedValue(commands_, nullptr, value);
        return value;
    }

    std::string nextError() {
        try {
            next();
        } catch (const kvl::Exception& e) {
            return e.Message();
        }
        return "(generated)";
    }

    std::vector<std::string> rows(int count) {
        std::vector<std::string> values;
        for (int k = 0; k < count; ++k)
            values.push_back(next());
        return values;
    }

    TMaskedCommands commands_;
};

std::set<char> charactersOf(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST_F(MaskedValueTest, EmptyMaskGivesEmptyValues) {
    compile("");
    EXPECT_EQ(rows(2), (std::vector<std::string>{"", ""}));
}

TEST_F(MaskedValueTest, ValueIsAppendedToWhatTheCallerHolds) {
    compile("[x]");
    std::string value = "keep-";
    kvl::AppendMaskedValue(commands_, nullptr, value);
    EXPECT_EQ(value, "keep-x");
}

TEST_F(MaskedValueTest, DefaultMaskShape) {
    compile("AAANNN[CONSTANT]");
    const std::regex shape("[A-Z]{3}[0-9]{3}CONSTANT");
    for (const auto& value : rows(200))
        ASSERT_TRUE(std::regex_match(value, shape)) << value;
}

TEST_F(MaskedValueTest, LiteralsAreCopiedExactly) {
    compile("[a[b][][ - ]");
    EXPECT_EQ(next(), "a[b - ");
    compile("[\xC3\xA4]");
    EXPECT_EQ(next(), "\xC3\xA4");
}

// Each single-character command draws from exactly its set: every character seen, none other.
struct CharacterSetCase {
    const char* mask;
    std::string_view characters;
};

class MaskedValueCharacterSet : public MaskedValueTest,
                                public ::testing::WithParamInterface<CharacterSetCase> {};

TEST_P(MaskedValueCharacterSet, DrawsEveryCharacterOfItsSetAndNoOther) {
    compile(GetParam().mask);
    std::set<char> seen;
    for (int k = 0; k < 5000; ++k) {
        const std::string value = next();
        ASSERT_EQ(value.size(), 1u);
        seen.insert(value[0]);
    }
    EXPECT_EQ(seen, charactersOf(GetParam().characters));
}

INSTANTIATE_TEST_SUITE_P(Commands, MaskedValueCharacterSet,
                         ::testing::Values(CharacterSetCase{"A", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
                                           CharacterSetCase{"a", "abcdefghijklmnopqrstuvwxyz"},
                                           CharacterSetCase{"C", kvl::MV_LETTERS},
                                           CharacterSetCase{"c", kvl::MV_LETTERS},
                                           CharacterSetCase{"r", kvl::CharSet89},
                                           CharacterSetCase{"n", "0123456789"},
                                           CharacterSetCase{"h", "0123456789ABCDEF"}));

TEST(MaskedValueCharacterSets, CharSet89HasNoBlankBackquoteOrBraces) {
    ASSERT_EQ(kvl::CharSet89.size(), 89u);
    for (char c : std::string_view(" `{|}~"))
        EXPECT_EQ(kvl::CharSet89.find(c), std::string_view::npos) << c;
    EXPECT_EQ(kvl::CharSet89.front(), '!');
    EXPECT_EQ(kvl::CharSet89.substr(62, 2), "_a");
    EXPECT_EQ(kvl::CharSet89.back(), 'z');
}

TEST_F(MaskedValueTest, CounterWithoutFieldsCountsFromOne) {
    compile("#S");
    EXPECT_EQ(rows(3), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(MaskedValueTest, TwoCountersAdvanceIndependently) {
    compile("#S#S");
    EXPECT_EQ(rows(3), (std::vector<std::string>{"11", "22", "33"}));
}

TEST_F(MaskedValueTest, CounterIsZeroPaddedToItsDigitCount) {
    compile("[ID-]#S:6");
    EXPECT_EQ(rows(3), (std::vector<std::string>{"ID-000001", "ID-000002", "ID-000003"}));
    compile("#S:3:998");
    EXPECT_EQ(rows(3), (std::vector<std::string>{"998", "999", "1000"}));
}

TEST_F(MaskedValueTest, CounterFlagDropsThePadding) {
    compile("#S:6:500:T");
    EXPECT_EQ(rows(2), (std::vector<std::string>{"500", "501"}));
}

TEST_F(MaskedValueTest, NegativeCounterKeepsItsSignBeforeThePadding) {
    compile("#S:4:-2");
    EXPECT_EQ(rows(4), (std::vector<std::string>{"-0002", "-0001", "0000", "0001"}));
}

TEST_F(MaskedValueTest, CompilingAgainRestartsTheCounters) {
    compile("#S:2");
    rows(5);
    compile("#S:2");
    EXPECT_EQ(next(), "01");
}

TEST_F(MaskedValueTest, PaddedCounterBeyondThe32BitRangeFails) {
    compile("#S:2:2147483647");
    EXPECT_EQ(next(), "2147483647");
    EXPECT_THROW(next(), kvl::EConvertError);
    EXPECT_EQ(nextError(), "'2147483649' is not a valid integer value");
}

TEST_F(MaskedValueTest, UnpaddedCounterGoesBeyondThe32BitRange) {
    compile("#S:2:2147483647:T");
    EXPECT_EQ(rows(2), (std::vector<std::string>{"2147483647", "2147483648"}));
}

TEST_F(MaskedValueTest, NegativeDigitCountIsAMalformedFormat) {
    compile("#S:-3");
    EXPECT_THROW(next(), kvl::EConvertError);
    EXPECT_EQ(nextError(), "Format '%.-3d' invalid or incompatible with argument");
}

TEST_F(MaskedValueTest, OverlongDigitCountIsRefused) {
    compile("#S:5000");
    EXPECT_EQ(nextError(), "Format '%.5000d' invalid or incompatible with argument");
    compile("#S:1024");
    EXPECT_EQ(next().size(), 1024u);
}

TEST_F(MaskedValueTest, RandomNumberWithoutFieldsIsA31BitDraw) {
    compile("#R");
    for (const auto& value : rows(200)) {
        const long long n = std::stoll(value);
        ASSERT_GE(n, 0);
        ASSERT_LT(n, 2147483647LL);
        ASSERT_EQ(std::to_string(n), value);
    }
}

TEST_F(MaskedValueTest, DigitCountAloneGivesPaddedNumbersBelowTheLargest) {
    compile("#R:2");
    std::set<std::string> seen;
    for (const auto& value : rows(4000)) {
        ASSERT_EQ(value.size(), 2u) << value;
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 99u);
    EXPECT_EQ(*seen.begin(), "00");
    EXPECT_EQ(*seen.rbegin(), "98");
}

TEST_F(MaskedValueTest, FlaggedRandomNumberHasNoLeadingZeros) {
    compile("#R:2:T");
    std::set<int> seen;
    for (const auto& value : rows(4000)) {
        const int n = std::stoi(value);
        ASSERT_EQ(std::to_string(n), value);
        seen.insert(n);
    }
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 98);
}

TEST_F(MaskedValueTest, RangeFromLowerBoundOverSpan) {
    compile("#R:4:1:10");
    std::set<std::string> seen;
    for (const auto& value : rows(2000))
        seen.insert(value);
    EXPECT_EQ(seen, (std::set<std::string>{"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
                                           "0009", "0010"}));
}

TEST_F(MaskedValueTest, SemicolonEndsTheNumberAndTheMaskGoesOn) {
    compile("#R:2:5;N");
    std::set<int> numbers;
    for (const auto& value : rows(3000)) {
        ASSERT_EQ(value.size(), 3u);
        ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(value[2])));
        numbers.insert(std::stoi(value.substr(0, 2)));
    }
    EXPECT_EQ(*numbers.begin(), 5);
    EXPECT_EQ(*numbers.rbegin(), 98);
}

TEST_F(MaskedValueTest, ZeroSpanAlwaysGivesTheLowerBound) {
    compile("#R:0:7:0");
    EXPECT_EQ(rows(3), (std::vector<std::string>{"7", "7", "7"}));
}

TEST_F(MaskedValueTest, NegativeRangeIsPaddedAfterTheSign) {
    compile("#R:3:-20:5");
    std::set<std::string> seen;
    for (const auto& value : rows(500))
        seen.insert(value);
    EXPECT_EQ(seen, (std::set<std::string>{"-020", "-019", "-018", "-017", "-016"}));
}

TEST_F(MaskedValueTest, NegativeSpanDrawsOverThe31BitRange) {
    commands_ = {kvl::MV_CMD_NUMBER_RANGE, 0, 10, -5, 0};
    for (const auto& value : rows(200)) {
        const long long n = std::stoll(value);
        ASSERT_GE(n, 10);
        ASSERT_LT(n, 10 + 2147483647LL);
    }
}

TEST_F(MaskedValueTest, SpansWiderThan32BitsReachTheirWholeRange) {
    compile("#R:12");
    bool aboveThe32BitRange = false;
    bool firstHalf = false;
    bool secondHalf = false;
    for (const auto& value : rows(400)) {
        ASSERT_EQ(value.size(), 12u);
        const long long n = std::stoll(value);
        aboveThe32BitRange |= n > 4294967295LL;
        firstHalf |= n < 500000000000LL;
        secondHalf |= n >= 500000000000LL;
    }
    EXPECT_TRUE(aboveThe32BitRange);
    EXPECT_TRUE(firstHalf);
    EXPECT_TRUE(secondHalf);
}

TEST_F(MaskedValueTest, EighteenDigitNumbersStayInRange) {
    compile("#R:18:T");
    for (const auto& value : rows(200)) {
        ASSERT_LE(value.size(), 18u);
        ASSERT_GE(std::stoll(value), 0);
    }
}

TEST_F(MaskedValueTest, UnknownCommandWordsAreRejected) {
    commands_ = {2, 65, 0};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 2");
    commands_ = {4, 0};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 0");
    commands_ = {99};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 99");
    commands_ = {-1};
    EXPECT_EQ(nextError(), "Unknown MASKED command: -1");
}

TEST_F(MaskedValueTest, TruncatedCommandsAreRejectedWithoutReadingPastTheWords) {
    commands_ = {11, 3};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 11");
    commands_ = {1, 97};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 1");
    commands_ = {3, 'S', 0};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 3");
    commands_ = {13, 2, 0, 99};
    EXPECT_EQ(nextError(), "Unknown MASKED command: 13");
}
