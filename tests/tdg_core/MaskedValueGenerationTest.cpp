#include "uMaskedValue.h"

#include "base/Exceptions.h"
#include "base/Random.h"

#include <gtest/gtest.h>

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

    TMaskedCommands commands_;
};

std::set<char> charactersOf(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST_F(MaskedValueTest, ValueIsAppendedToWhatTheCallerHolds) {
    compile("[x]");
    std::string value = "keep-";
    kvl::AppendMaskedValue(commands_, nullptr, value);
    EXPECT_EQ(value, "keep-x");
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

constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
// the printable characters without blank, backquote, braces, bar and tilde
constexpr std::string_view Printable =
    "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_abcdefghijklmnopqrstuvwxyz";

INSTANTIATE_TEST_SUITE_P(Commands, MaskedValueCharacterSet,
                         ::testing::Values(CharacterSetCase{"A", Letters.substr(0, 26)},
                                           CharacterSetCase{"a", Letters.substr(26)},
                                           CharacterSetCase{"C", Letters}, CharacterSetCase{"c", Letters},
                                           CharacterSetCase{"R", Printable}, CharacterSetCase{"r", Printable},
                                           CharacterSetCase{"n", "0123456789"},
                                           CharacterSetCase{"H", "0123456789ABCDEF"},
                                           CharacterSetCase{"h", "0123456789ABCDEF"}));

// Damaged command words, unknown or cut short, are refused without reading past their end.
TEST_F(MaskedValueTest, DamagedCommandWordsAreRejected) {
    const std::pair<TMaskedCommands, std::string> cases[] = {
        {{2, 65, 0}, "2"}, {{4, 0}, "0"},  {{99}, "99"},       {{-1}, "-1"},
        {{11, 3}, "11"},   {{1, 97}, "1"}, {{3, 'S', 0}, "3"}, {{13, 2, 0, 99}, "13"},
    };
    for (const auto& [words, code] : cases) {
        commands_ = words;
        EXPECT_EQ(nextError(), "Unknown MASKED command: " + code);
    }
}
