// The grammar of a mask, seen through the values it gives rather than through its compiled form.
#include "uMaskedValue.h"

#include "FillFieldTestKit.h"

#include <optional>
#include <set>

namespace {

using Rows = std::vector<std::string>;

Rows generate(std::string_view mask, int count) {
    kvl::TMaskedCommands commands = kvl::GetMaskedCommands(mask);
    Rows rows;
    for (int k = 0; k < count; ++k) {
        std::string value;
        kvl::AppendMaskedValue(commands, nullptr, value);
        rows.push_back(value);
    }
    return rows;
}

// The message of the first failure while compiling or giving three values.
std::string firstError(std::string_view mask) {
    try {
        generate(mask, 3);
    } catch (const kvl::Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

std::string padded(long long n, size_t width) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return (n < 0 ? "-" : "") + digits;
}

} // namespace

TEST(MaskedValueGrammar, MasksOfFixedValues) {
    struct Case {
        std::string_view mask;
        Rows rows;
    };
    const Case cases[] = {
        {"", {"", ""}},
        {"[ID-][]", {"ID-"}},
        {"[a[b][ - ]", {"a[b - "}},
        {"[\xC3\xA4]", {"\xC3\xA4"}},
        {"{[x]{", {"x"}}, // a brace without F is skipped
        {"#S", {"1", "2", "3"}},
        {"#s#S", {"11", "22"}},
        {"[ID-]#S:6", {"ID-000001", "ID-000002"}},
        {"#S:3:998", {"998", "999", "1000"}},
        {"#S:6:500:T", {"500", "501"}},
        {"#S:6:t", {"1", "2"}},
        {"#S:4:-2", {"-0002", "-0001", "0000", "0001"}},
        {"#S::", {"1", "2"}},
        {"#S:x:y", {"1", "2"}},
        {"#S:6;[x]", {"000001x"}},
        {"#S:6:5;T", {"5", "6"}},
        {"#S:6:5:[x]", {"000005x"}},
        {"#S:3[x]", {"1", "2"}}, // a field runs up to the next colon or semicolon
        {"#S:2:2147483647:T", {"2147483647", "2147483648"}},
        {"#R:0:7:0", {"7", "7"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(generate(c.mask, static_cast<int>(c.rows.size())), c.rows) << c.mask;
}

TEST(MaskedValueGrammar, CompilingAgainRestartsTheCounters) {
    generate("#S:2", 5);
    EXPECT_EQ(generate("#S:2", 1), Rows{"01"});
}

// Every value lies within its bounds and is padded to its digits unless flagged; small ranges are
// drawn out whole, wide ones reach near both ends.
TEST(MaskedValueGrammar, RandomNumbers) {
    struct Case {
        std::string_view mask;
        long long low, high;
        size_t width; // 0: no padding
        std::string_view after;
    };
    const Case cases[] = {
        {"#R", 0, 2147483646, 0, ""},
        {"#R:2", 0, 98, 2, ""},
        {"#R:2:T", 0, 98, 0, ""},
        {"#R:3::", 1, 998, 3, ""},
        {"#R:4:1:10", 1, 10, 4, ""},
        {"#R:3:10:20:T", 10, 29, 0, ""},
        {"#R:2:5:T", 5, 98, 0, ""},
        {"#R:3:10:-1", 10, 998, 3, ""},
        {"#R:0:1:5", 1, 5, 0, ""},
        {"#R:3:-20:5", -20, -16, 3, ""},
        {"#R:4:1:10;[x]", 1, 10, 4, "x"},
        {"#R:4:1:10:T[x]", 1, 10, 0, "x"},
        {"#R:4:1:10[x]", 1, 9998, 4, ""},
        {"#R:12", 0, 999999999998, 12, ""},
        {"#R:18", 0, 999999999999999998, 18, ""},
        {"#R:0:10:-5", 10, 10 + 2147483646LL, 0, ""}, // a negative span draws over the 31-bit range
    };
    kvl::RandSeed(20261206);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        std::set<long long> seen;
        for (const std::string& value : generate(c.mask, 3000)) {
            ASSERT_TRUE(value.ends_with(c.after)) << value;
            const std::string number = value.substr(0, value.size() - c.after.size());
            const long long n = std::stoll(number);
            ASSERT_EQ(number, padded(n, c.width));
            ASSERT_GE(n, c.low);
            ASSERT_LE(n, c.high);
            seen.insert(n);
        }
        if (c.high - c.low < 200) {
            EXPECT_EQ(seen.size(), static_cast<size_t>(c.high - c.low + 1));
        } else {
            EXPECT_LT(*seen.begin(), c.low + (c.high - c.low) / 10);
            EXPECT_GT(*seen.rbegin(), c.high - (c.high - c.low) / 10);
        }
    }
}

TEST(MaskedValueGrammar, Errors) {
    const std::string parsing = "Masked value parsing error. Check syntax.";
    const std::pair<std::string_view, std::string> cases[] = {
        {"a1", "Unknown command \"1\" at position 2."},
        {" A", "Unknown command \" \" at position 1."},
        {"]", "Unknown command \"]\" at position 1."},
        {"AT", "Unknown command \"T\" at position 2."},
        {"[ab]Z", "Unknown command \"Z\" at position 5."},
        {"A{F:x}Z1", "Unknown command \"Z\" at position 7."},
        {"#R:4:1:10;X", "Unknown command \"X\" at position 11."},
        {"#S:6;T", "Unknown command \"T\" at position 6."},
        {"#S;N", "Unknown command \";\" at position 3."},
        {"#X", "Unknown number specified in #X"},
        {"AN#", "Unknown number specified in AN#"},
        {"[x]#1:2", "Unknown number specified in [x]#1:2"},
        {"{FS", parsing},
        {"{F", parsing},
        {"{FS:", parsing},
        {"{FSx}", parsing},
        {"[abc", parsing},
        {"AA[", parsing},
        {"{FS:names.txt", parsing},
        {std::string_view("[a\0b]", 5), parsing},
        {std::string_view("{F:a\0b}", 7), parsing},
        {"#R:0", "'' is not a valid integer value"},
        {"#R:T", "'' is not a valid integer value"},
        {"#R:-2:5", "'' is not a valid integer value"},
        {"#R:19", "'9999999999999999999' is not a valid integer value"},
        {"#S:2:2147483647", "'2147483648' is not a valid integer value"},
        {"#S:-3", "Format '%.-3d' invalid or incompatible with argument"},
        {"#S:5000", "Format '%.5000d' invalid or incompatible with argument"},
    };
    for (const auto& [mask, message] : cases)
        EXPECT_EQ(firstError(mask), message) << mask;
    EXPECT_THROW(kvl::GetMaskedCommands("#R:0"), kvl::EConvertError);
    EXPECT_EQ(generate("#S:1024", 1)[0].size(), 1024u);
}

// Each single-character command draws from exactly its set: every character seen, none other.
TEST(MaskedValueGrammar, CharacterSets) {
    constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    // the printable characters without blank, backquote, braces, bar and tilde
    constexpr std::string_view Printable =
        "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_abcdefghijklmnopqrstuvwxyz";
    const std::pair<std::string_view, std::string_view> cases[] = {{"A", Letters.substr(0, 26)},
                                                                   {"a", Letters.substr(26)},
                                                                   {"C", Letters},
                                                                   {"c", Letters},
                                                                   {"R", Printable},
                                                                   {"r", Printable},
                                                                   {"n", "0123456789"},
                                                                   {"H", "0123456789ABCDEF"},
                                                                   {"h", "0123456789ABCDEF"}};
    kvl::RandSeed(20261206);
    for (const auto& [mask, characters] : cases) {
        std::set<char> seen;
        for (const std::string& value : generate(mask, 5000)) {
            ASSERT_EQ(value.size(), 1u) << mask;
            seen.insert(value[0]);
        }
        EXPECT_EQ(seen, std::set<char>(characters.begin(), characters.end())) << mask;
    }
}

// The count a mask tells of its values is the number of different values it gives, within the
// characters that a column of that width keeps; masks with parts of their own length tell none.
TEST(MaskedValueGrammar, CountOfDifferentValues) {
    struct Case {
        std::string_view mask;
        size_t width;
        std::optional<uint64_t> count;
    };
    const Case cases[] = {{"AN", 0, 260},      {"hh", 0, 256},        {"AAANNNN", 2, 676},
                          {"[ID-]NNN", 4, 10}, {"[ID-]NNN", 0, 1000}, {"C", 0, 52},
                          {"r[!]", 0, 89},     {"#S:2", 0, {}},       {"N#R:2", 0, {}},
                          {"NN#R:2", 2, 100},  {"RRRRRRRRRRR", 0, {}}};
    kvl::RandSeed(20261208);
    for (const auto& c : cases) {
        EXPECT_EQ(kvl::MaskedValueCount(kvl::GetMaskedCommands(c.mask), c.width), c.count) << c.mask;
        if (!c.count || *c.count > 1000) continue;
        std::set<std::string> seen;
        for (std::string value : generate(c.mask, 20000))
            seen.insert(c.width ? value.substr(0, c.width) : value);
        EXPECT_EQ(seen.size(), *c.count) << c.mask;
    }
}

using kvl::GetMaskedCommands;
using kvl::TMaskedCommands;
using kvl::TMaskFiles;
using kvl::TStringList;

namespace {

class MaskedValueFileTest : public ::testing::Test {
protected:
    void SetUp() override { kvl::RandSeed(77); }

    // The files come from memory, and each name's reads are counted.
    void prepare(std::string_view mask) {
        commands_ = GetMaskedCommands(mask);
        files_ = TMaskFiles{};
        kvl::LoadMaskedFiles(commands_, files_, [this](const std::string& name, TStringList& lines) {
            ++reads_[name];
            auto it = disk_.find(name);
            if (it == disk_.end()) throw kvl::EFileError("Cannot open file \"" + name + "\".");
            for (const auto& line : it->second)
                lines.Add(line);
            return true;
        });
    }

    std::string next() {
        std::string value;
        kvl::AppendMaskedValue(commands_, &files_, value);
        return value;
    }

    Rows rows(int count) {
        Rows values;
        for (int k = 0; k < count; ++k)
            values.push_back(next());
        return values;
    }

    std::string nextError() {
        try {
            next();
        } catch (const kvl::Exception& e) {
            return e.Message();
        }
        return "(generated)";
    }

    std::map<std::string, std::vector<std::string>> disk_{{"abc.txt", {"alpha", "beta", "gamma"}}};
    std::map<std::string, int> reads_;
    TMaskedCommands commands_;
    TMaskFiles files_;
};

std::set<std::string> asSet(const Rows& rows) {
    return {rows.begin(), rows.end()};
}

const std::set<std::string> abcLines{"alpha", "beta", "gamma"};

} // namespace

// S serves the lines in order, U each line once, R (or no mode) at random, in either case; other
// modes append nothing. A file that cannot be read, or an empty one, is exhausted at once. Names
// compare without regard to case, and each command keeps its own position.
TEST_F(MaskedValueFileTest, ModesServeTheLinesOfTheFile) {
    disk_["empty.txt"] = {};
    disk_["ABC.TXT"] = {"x"};
    struct Case {
        std::string_view mask;
        int count;
        Rows exact;      // the rows in order, or empty when the set of them is abc.txt's lines
        int exhaustedAt; // the row whose value fails, or -1
    };
    const Case cases[] = {
        {"{FS:abc.txt}", 3, {"alpha", "beta", "gamma"}, 3},
        {"{fs:abc.txt}", 2, {"alpha", "beta"}, -1},
        {"{FU:abc.txt}", 3, {}, 3},
        {"{fu:abc.txt}", 3, {}, 3},
        {"{F:abc.txt}", 300, {}, -1},
        {"{Fr:abc.txt}", 300, {}, -1},
        {"[<]{FX:abc.txt}[>]", 5, Rows(5, "<>"), -1},
        {"{FS:missing.txt}", 0, {}, 0},
        {"{F:missing.txt}", 0, {}, 0},
        {"{FU:missing.txt}", 0, {}, 0},
        {"{F:empty.txt}", 0, {}, 0},
        {"{FS:abc.txt}{FS:ABC.TXT}", 3, {"alphaalpha", "betabeta", "gammagamma"}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        prepare(c.mask);
        const Rows values = rows(c.count);
        if (!c.exact.empty())
            EXPECT_EQ(values, c.exact);
        else if (c.count > 0)
            EXPECT_EQ(asSet(values), abcLines);
        if (c.exhaustedAt >= 0)
            EXPECT_EQ(nextError(), "Custom file exhausted - data for row " + std::to_string(c.exhaustedAt) +
                                       " cannot acquired.");
    }
    EXPECT_EQ(reads_["missing.txt"], 3);
    EXPECT_EQ(reads_["ABC.TXT"], 0);
}

TEST_F(MaskedValueFileTest, UniqueCommandsOnOneFileShareItsLines) {
    disk_["four.txt"] = {"1", "2", "3", "4"};
    prepare("{FU:four.txt}{FU:four.txt}");
    const Rows values = rows(2);
    EXPECT_EQ(
        asSet({values[0].substr(0, 1), values[0].substr(1), values[1].substr(0, 1), values[1].substr(1)}),
        (std::set<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(nextError(), "Custom file exhausted - data for row 2 cannot acquired.");
}

// One file named twice is read once, and each command keeps its mode; preparing again reloads the
// file and restarts the positions.
TEST_F(MaskedValueFileTest, OneFileNamedTwiceIsReadOncePerPreparation) {
    prepare("{F:abc.txt}[|]{FS:abc.txt}");
    EXPECT_EQ(reads_["abc.txt"], 1);
    EXPECT_EQ(files_.Count(), 1);
    for (const std::string tail : {"alpha", "beta", "gamma"}) {
        const std::string value = next();
        EXPECT_TRUE(std::regex_match(value, std::regex("(alpha|beta|gamma)\\|" + tail))) << value;
    }
    prepare("{FU:abc.txt}[|]{FS:abc.txt}");
    rows(1);
    prepare("{FU:abc.txt}[|]{FS:abc.txt}");
    EXPECT_EQ(reads_["abc.txt"], 3);
    EXPECT_EQ(files_.Lines(0).Count(), 3);
    const std::string value = next();
    const std::string unique = value.substr(0, value.find('|'));
    EXPECT_EQ(abcLines.count(unique), 1u);
    // The sequential command starts again at the first line of the list the unique one left.
    EXPECT_EQ(value.substr(value.find('|') + 1), unique == "alpha" ? "beta" : "alpha");
}

// Without a loader of their own the files come from disk; a missing one is left out at preparation.
// Each value is appended to what the caller holds.
TEST(MaskedValueDiskFile, DefaultLoaderReadsLinesFromDisk) {
    TempFolder folder;
    const std::string path = folder.Write("names.txt", "Ann\r\nBob\r\n");
    TMaskedCommands commands = GetMaskedCommands("{FS:" + path + "}[ ]#S");
    TMaskFiles files;
    kvl::LoadMaskedFiles(commands, files);
    std::string values;
    for (int k = 0; k < 2; ++k)
        kvl::AppendMaskedValue(commands, &files, values);
    EXPECT_EQ(values, "Ann 1Bob 2");

    commands = GetMaskedCommands("{FS:" + folder.Path("missing.txt") + "}");
    files = TMaskFiles{};
    EXPECT_NO_THROW(kvl::LoadMaskedFiles(commands, files));
    EXPECT_EQ(files.Count(), 0);
}
