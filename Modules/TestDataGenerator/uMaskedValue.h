#pragma once
// Masked values: a short pattern ("AAANNN[CONSTANT]") compiled once per table fill into a flat
// array of command words, which every row then walks to build its value without parsing.
//
// A text fill field uses the unit in three steps:
//   prepare:  Commands = GetMaskedCommands(Mask); Files = TMaskFiles{}; LoadMaskedFiles(Commands, Files);
//   per row:  Buffer.clear(); AppendMaskedValue(Commands, &Files, Buffer);
// Counters and file positions live inside the word array, so they advance from row to row and
// restart with every compilation.

#include "UTFillConstants.h"
#include "base/StringList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

using TMaskedCommands = std::vector<int64_t>;

// Command codes: the first word of every command.
enum : int64_t {
    MV_CMD_LITERAL = 1,         // character codes, 0
    MV_CMD_RESERVED = 2,        // never compiled; generation rejects it
    MV_CMD_FILE = 3,            // mode, list reference, line position, name codes, 0
    MV_CMD_UPPER = 4,           // A
    MV_CMD_LOWER = 5,           // a
    MV_CMD_LETTER = 6,          // C c
    MV_CMD_CHARSET89 = 7,       // R r
    MV_CMD_DIGIT = 8,           // N n
    MV_CMD_HEX = 9,             // H h
    MV_CMD_COUNTER = 10,        // next value
    MV_CMD_COUNTER_DIGITS = 11, // digit count, next value, flag
    MV_CMD_NUMBER = 12,         // -
    MV_CMD_NUMBER_RANGE = 13,   // digit count, lower bound, span, flag
};

// Command lengths in words, code word included, indexed by code; -1 marks a command that ends
// with its first 0 word after the code word.
inline constexpr std::array<int16_t, 14> MV_CMD_LENGTHS{0, -1, -1, -1, 1, 1, 1, 1, 1, 1, 2, 4, 1, 5};

// Offsets of the fields of a file command, counted from its code word.
inline constexpr size_t MV_FILE_MODE = 1;
inline constexpr size_t MV_FILE_LIST = 2;
inline constexpr size_t MV_FILE_POSITION = 3;
inline constexpr size_t MV_FILE_NAME = 4;

inline constexpr std::string_view MV_UPPER_LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr std::string_view MV_LOWER_LETTERS = "abcdefghijklmnopqrstuvwxyz";
inline constexpr std::string_view MV_LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr std::string_view MV_DIGITS = "0123456789";
inline constexpr std::string_view MV_HEX_DIGITS = "0123456789ABCDEF";
using ::CharSet89;

// The widest zero padding a counter or number is given; anything wider is refused like a
// malformed format rather than building values far longer than any text column.
inline constexpr int64_t MV_MAX_DIGITS = 1024;

// Compiles a mask. Syntax errors raise kvl::Exception with the user's message; a digit count
// that cannot give a default span raises EConvertError.
TMaskedCommands GetMaskedCommands(std::string_view Mask);

// The files a compiled mask names, each loaded once per preparation and shared by every command
// that names it (names compare case-insensitively). Owns the line lists.
class TMaskFiles {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Name(int index) const { return entries_.at(static_cast<size_t>(index)).name; }
    TStringList& Lines(int index) { return *entries_.at(static_cast<size_t>(index)).lines; }
    const TStringList& Lines(int index) const { return *entries_.at(static_cast<size_t>(index)).lines; }

    // -1 when no file of that name has been loaded.
    int IndexOf(std::string_view name) const;
    int Add(std::string name, std::unique_ptr<TStringList> lines);

private:
    struct Entry {
        std::string name;
        std::unique_ptr<TStringList> lines;
    };
    std::vector<Entry> entries_;
};

// Reads a file into a list, one entry per line; false (or an exception) when it cannot.
using TMaskFileLoader = std::function<bool(const std::string& fileName, TStringList& lines)>;

// Loads every file the commands name into files and points the commands at them. A file that
// cannot be read is left out and its commands keep no lines. The default loader reads the disk.
void LoadMaskedFiles(TMaskedCommands& commands, TMaskFiles& files);
void LoadMaskedFiles(TMaskedCommands& commands, TMaskFiles& files, const TMaskFileLoader& loader);

// Appends the next value of the commands to value, advancing their counters and file positions.
// files may be null when no command names a file. Raises kvl::Exception for an exhausted file or
// an unknown command word, EConvertError for a padded counter beyond the 32-bit range.
void AppendMaskedValue(TMaskedCommands& commands, TMaskFiles* files, std::string& value);

// How many different values the commands give in their first width characters (0: in all of
// them); nothing where a counter, a random number or a file line comes within them, or where
// the count passes 2^62.
std::optional<uint64_t> MaskedValueCount(const TMaskedCommands& commands, size_t width);

} // namespace kvl
