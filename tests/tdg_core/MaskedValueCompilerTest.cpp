#include "uMaskedValue.h"

#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kvl::GetMaskedCommands;
using kvl::TMaskedCommands;

namespace {

using Words = std::vector<int64_t>;

// The message of the compile failure, or "(compiled)" when the mask compiles.
std::string compileError(std::string_view mask) {
    try {
        GetMaskedCommands(mask);
    } catch (const kvl::Exception& e) {
        return e.Message();
    }
    return "(compiled)";
}

Words codes(std::string_view text) {
    Words words;
    for (char c : text)
        words.push_back(static_cast<unsigned char>(c));
    return words;
}

Words concat(std::initializer_list<Words> parts) {
    Words all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(MaskedValueCompile, EmptyMaskGivesNoCommand) {
    EXPECT_TRUE(GetMaskedCommands("").empty());
}

TEST(MaskedValueCompile, SingleCharacterCommandsOfEitherCase) {
    EXPECT_EQ(GetMaskedCommands("AaCcRrNnHh"), (Words{4, 5, 6, 6, 7, 7, 8, 8, 9, 9}));
}

TEST(MaskedValueCompile, DefaultMask) {
    EXPECT_EQ(GetMaskedCommands("AAANNN[CONSTANT]"), concat({{4, 4, 4, 8, 8, 8, 1}, codes("CONSTANT"), {0}}));
}

// Walking a compiled mask by the length table must land on every command in turn.
TEST(MaskedValueCompile, LengthTableMatchesEveryCompiledCommand) {
    const TMaskedCommands words = GetMaskedCommands("[xy]{FS:f}AaCRNH#S#S:1;#R#R:1");
    Words seen;
    size_t at = 0;
    while (at < words.size()) {
        const int64_t code = words[at];
        seen.push_back(code);
        const int16_t length = kvl::MV_CMD_LENGTHS.at(static_cast<size_t>(code));
        ASSERT_NE(length, 0);
        if (length > 0) {
            at += static_cast<size_t>(length);
            continue;
        }
        size_t end = at + (code == kvl::MV_CMD_FILE ? kvl::MV_FILE_NAME : 1);
        while (words.at(end) != 0)
            ++end;
        at = end + 1;
    }
    EXPECT_EQ(at, words.size());
    EXPECT_EQ(seen, (Words{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
}

TEST(MaskedValueCompileLiteral, TextBetweenBrackets) {
    EXPECT_EQ(GetMaskedCommands("[ID-]"), concat({{1}, codes("ID-"), {0}}));
    EXPECT_EQ(GetMaskedCommands("[]"), (Words{1, 0}));
}

TEST(MaskedValueCompileLiteral, OpeningBracketInsideIsOrdinary) {
    EXPECT_EQ(GetMaskedCommands("[a[b]"), concat({{1}, codes("a[b"), {0}}));
}

TEST(MaskedValueCompileLiteral, BytesAboveAsciiAreCharacterCodesNotNegative) {
    EXPECT_EQ(GetMaskedCommands("[\xC3\xA4]"), (Words{1, 0xC3, 0xA4, 0}));
}

TEST(MaskedValueCompileFile, ModeNameAndZeroedReferenceAndPosition) {
    EXPECT_EQ(GetMaskedCommands("{FS:names.txt}"), concat({{3, 'S', 0, 0}, codes("names.txt"), {0}}));
    EXPECT_EQ(GetMaskedCommands("{fu:x}"), concat({{3, 'u', 0, 0}, codes("x"), {0}}));
}

TEST(MaskedValueCompileFile, ColonRightAfterFMeansRandom) {
    EXPECT_EQ(GetMaskedCommands("{F:x}"), concat({{3, 'r', 0, 0}, codes("x"), {0}}));
}

TEST(MaskedValueCompileFile, ModeIsTheCharacterAfterFAndTheRestUpToTheColonIsSkipped) {
    EXPECT_EQ(GetMaskedCommands("{FSU:x}"), concat({{3, 'S', 0, 0}, codes("x"), {0}}));
    EXPECT_EQ(GetMaskedCommands("{FX:x}"), concat({{3, 'X', 0, 0}, codes("x"), {0}}));
}

TEST(MaskedValueCompileFile, NameKeepsBlanksAndMayBeEmpty) {
    EXPECT_EQ(GetMaskedCommands("{FS: a b }"), concat({{3, 'S', 0, 0}, codes(" a b "), {0}}));
    EXPECT_EQ(GetMaskedCommands("{FS:}"), (Words{3, 'S', 0, 0, 0}));
}

TEST(MaskedValueCompileFile, BraceWithoutFIsSkipped) {
    EXPECT_EQ(GetMaskedCommands("{A"), (Words{4}));
    EXPECT_EQ(GetMaskedCommands("N{"), (Words{8}));
}

TEST(MaskedValueCompileFile, ParsingContinuesAfterTheClosingBrace) {
    EXPECT_EQ(GetMaskedCommands("{F:x}N"), concat({{3, 'r', 0, 0}, codes("x"), {0, 8}}));
}

TEST(MaskedValueCompileCounter, WithoutFieldsStartsAtOne) {
    EXPECT_EQ(GetMaskedCommands("#S"), (Words{10, 1}));
    EXPECT_EQ(GetMaskedCommands("#s#S"), (Words{10, 1, 10, 1}));
}

TEST(MaskedValueCompileCounter, DigitCountStartAndFlag) {
    EXPECT_EQ(GetMaskedCommands("#S:6"), (Words{11, 6, 1, 0}));
    EXPECT_EQ(GetMaskedCommands("#S:6:500"), (Words{11, 6, 500, 0}));
    EXPECT_EQ(GetMaskedCommands("#S:6:500:T"), (Words{11, 6, 500, 1}));
    EXPECT_EQ(GetMaskedCommands("#S:6:t"), (Words{11, 6, 1, 1}));
    EXPECT_EQ(GetMaskedCommands("#S:4:-7"), (Words{11, 4, -7, 0}));
}

TEST(MaskedValueCompileCounter, EmptyOrUnreadableFieldsTakeDefaults) {
    EXPECT_EQ(GetMaskedCommands("#S::"), (Words{11, 0, 1, 0}));
    EXPECT_EQ(GetMaskedCommands("#S:x:y"), (Words{11, 0, 1, 0}));
}

TEST(MaskedValueCompileCounter, SemicolonEndsTheCommand) {
    EXPECT_EQ(GetMaskedCommands("#S:6;N"), (Words{11, 6, 1, 0, 8}));
    EXPECT_EQ(GetMaskedCommands("#S:6:5;T"), (Words{11, 6, 5, 1}));
    EXPECT_EQ(GetMaskedCommands("#S:6:5:N"), (Words{11, 6, 5, 0, 8}));
}

TEST(MaskedValueCompileNumber, WithoutFields) {
    EXPECT_EQ(GetMaskedCommands("#R#r"), (Words{12, 12}));
}

TEST(MaskedValueCompileNumber, DefaultSpanIsTheLargestNumberOfTheDigitCountMinusTheLowerBound) {
    EXPECT_EQ(GetMaskedCommands("#R:3"), (Words{13, 3, 0, 999, 0}));
    EXPECT_EQ(GetMaskedCommands("#R:2:T"), (Words{13, 2, 0, 99, 1}));
    EXPECT_EQ(GetMaskedCommands("#R:2:5;N"), (Words{13, 2, 5, 94, 0, 8}));
    EXPECT_EQ(GetMaskedCommands("#R:2:5:T"), (Words{13, 2, 5, 94, 1}));
    EXPECT_EQ(GetMaskedCommands("#R:3:10:-1"), (Words{13, 3, 10, 989, 0}));
    EXPECT_EQ(GetMaskedCommands("#R:18"), (Words{13, 18, 0, 999999999999999999, 0}));
}

TEST(MaskedValueCompileNumber, ExplicitSpanAndFlag) {
    EXPECT_EQ(GetMaskedCommands("#R:4:1:10"), (Words{13, 4, 1, 10, 0}));
    EXPECT_EQ(GetMaskedCommands("#R:3:10:20:T"), (Words{13, 3, 10, 20, 1}));
    EXPECT_EQ(GetMaskedCommands("#R:0:1:5"), (Words{13, 0, 1, 5, 0}));
}

TEST(MaskedValueCompileNumber, EmptyLowerBoundFieldIsOne) {
    EXPECT_EQ(GetMaskedCommands("#R:3::"), (Words{13, 3, 1, 998, 0}));
}

TEST(MaskedValueCompileNumber, ParsingContinuesAfterTheLastField) {
    EXPECT_EQ(GetMaskedCommands("#R:4:1:10;A"), (Words{13, 4, 1, 10, 0, 4}));
    EXPECT_EQ(GetMaskedCommands("#R:4:1:10:TA"), (Words{13, 4, 1, 10, 1, 4}));
}

// A field runs up to the next colon or semicolon, so trailing commands need a separator.
TEST(MaskedValueCompileNumber, FieldRunsToItsTerminator) {
    EXPECT_EQ(GetMaskedCommands("#R:4:1:10A"), (Words{13, 4, 1, 9998, 0}));
    EXPECT_EQ(GetMaskedCommands("#S:3N"), (Words{11, 0, 1, 0}));
}

TEST(MaskedValueCompileErrors, UnknownCommandNamesCharacterAndPosition) {
    EXPECT_EQ(compileError("a1"), "Unknown command \"1\" at position 2.");
    EXPECT_EQ(compileError(" A"), "Unknown command \" \" at position 1.");
    EXPECT_EQ(compileError("]"), "Unknown command \"]\" at position 1.");
    EXPECT_EQ(compileError("AT"), "Unknown command \"T\" at position 2.");
}

TEST(MaskedValueCompileErrors, PositionCountsThroughLiteralsFilesAndNumbers) {
    EXPECT_EQ(compileError("[ab]Z"), "Unknown command \"Z\" at position 5.");
    EXPECT_EQ(compileError("A{F:x}Z1"), "Unknown command \"Z\" at position 7.");
    EXPECT_EQ(compileError("#R:4:1:10;X"), "Unknown command \"X\" at position 11.");
    EXPECT_EQ(compileError("#S:6;T"), "Unknown command \"T\" at position 6.");
}

TEST(MaskedValueCompileErrors, SemicolonAfterACounterWithoutFieldsIsUnknown) {
    EXPECT_EQ(compileError("#S;N"), "Unknown command \";\" at position 3.");
}

TEST(MaskedValueCompileErrors, UnknownNumberQuotesTheWholeMask) {
    EXPECT_EQ(compileError("#X"), "Unknown number specified in #X");
    EXPECT_EQ(compileError("AN#"), "Unknown number specified in AN#");
    EXPECT_EQ(compileError("[x]#1:2"), "Unknown number specified in [x]#1:2");
}

TEST(MaskedValueCompileErrors, FileElementWithoutUsableColon) {
    const std::string parsing = "Masked value parsing error. Check syntax.";
    EXPECT_EQ(compileError("{FS"), parsing);
    EXPECT_EQ(compileError("{F"), parsing);
    EXPECT_EQ(compileError("{FS:"), parsing);
    EXPECT_EQ(compileError("{FSx}"), parsing);
}

TEST(MaskedValueCompileErrors, UnterminatedLiteralOrFileName) {
    const std::string parsing = "Masked value parsing error. Check syntax.";
    EXPECT_EQ(compileError("[abc"), parsing);
    EXPECT_EQ(compileError("AA["), parsing);
    EXPECT_EQ(compileError("{FS:names.txt"), parsing);
}

TEST(MaskedValueCompileErrors, ZeroCharacterInsideALiteralIsRefused) {
    EXPECT_EQ(compileError(std::string_view("[a\0b]", 5)), "Masked value parsing error. Check syntax.");
    EXPECT_EQ(compileError(std::string_view("{F:a\0b}", 7)), "Masked value parsing error. Check syntax.");
}

TEST(MaskedValueCompileErrors, DefaultSpanNeedsOneToEighteenDigits) {
    EXPECT_THROW(GetMaskedCommands("#R:0"), kvl::EConvertError);
    EXPECT_EQ(compileError("#R:0"), "'' is not a valid integer value");
    EXPECT_EQ(compileError("#R:T"), "'' is not a valid integer value");
    EXPECT_EQ(compileError("#R:-2:5"), "'' is not a valid integer value");
    EXPECT_EQ(compileError("#R:19"), "'9999999999999999999' is not a valid integer value");
}
