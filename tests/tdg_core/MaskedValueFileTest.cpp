#include "FillFieldTestKit.h"
#include "uMaskedValue.h"

using kvl::GetMaskedCommands;
using kvl::TMaskedCommands;
using kvl::TMaskFiles;
using kvl::TStringList;

namespace {

using Rows = std::vector<std::string>;

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

TEST_F(MaskedValueFileTest, OneFileNamedTwiceIsReadOnceAndEachCommandKeepsItsMode) {
    prepare("{F:abc.txt}[|]{FS:abc.txt}");
    EXPECT_EQ(reads_["abc.txt"], 1);
    EXPECT_EQ(files_.Count(), 1);
    const Rows values = rows(3);
    const Rows expectedTails{"alpha", "beta", "gamma"};
    for (size_t k = 0; k < values.size(); ++k) {
        const auto bar = values[k].find('|');
        ASSERT_NE(bar, std::string::npos);
        EXPECT_EQ(abcLines.count(values[k].substr(0, bar)), 1u);
        EXPECT_EQ(values[k].substr(bar + 1), expectedTails[k]);
    }
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

TEST_F(MaskedValueFileTest, PreparingAgainReloadsTheFileAndRestartsPositions) {
    prepare("{FU:abc.txt}[|]{FS:abc.txt}");
    rows(1);
    prepare("{FU:abc.txt}[|]{FS:abc.txt}");
    EXPECT_EQ(reads_["abc.txt"], 2);
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
