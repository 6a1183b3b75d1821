#include "uMaskedValue.h"

#include "UTFillObject/UserTextFile.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/Random.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <limits>

namespace kvl {

namespace {

constexpr const char* ParsingErrorText = "Masked value parsing error. Check syntax.";
constexpr int64_t MaxDefaultSpanDigits = 18;
// Longest run of nines quoted in the message of a digit count that cannot give a default span.
constexpr int64_t MaxQuotedNines = 64;

// Bounds, spans and counters are the user's 64-bit numbers and may sit at either end of the range;
// they wrap there like the machine's integers instead of overflowing.
int64_t wrappingAdd(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

int64_t wrappingSub(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// ---------------------------------------------------------------------------------------------
// Compiling

// A field of #S or #R with the character that ended it: ':' or ';', or 0 at the end of the mask.
struct TMaskField {
    int64_t value;
    char terminator;
};

class TMaskCompiler {
public:
    explicit TMaskCompiler(std::string_view mask) : mask_(mask) {}

    TMaskedCommands Compile() {
        while (!atEnd())
            compileElement();
        return std::move(commands_);
    }

private:
    bool atEnd() const { return pos_ >= mask_.size(); }
    char current() const { return mask_[pos_]; }
    bool currentIs(char c) const { return !atEnd() && current() == c; }

    void emit(std::initializer_list<int64_t> words) { commands_.insert(commands_.end(), words); }

    void compileElement() {
        const char c = current();
        ++pos_;
        switch (c) {
        case '[':
            compileLiteral();
            return;
        case '{':
            if (currentIs('F') || currentIs('f')) compileFile();
            return;
        case '#':
            compileNumber();
            return;
        case 'A':
            emit({MV_CMD_UPPER});
            return;
        case 'a':
            emit({MV_CMD_LOWER});
            return;
        case 'C':
        case 'c':
            emit({MV_CMD_LETTER});
            return;
        case 'R':
        case 'r':
            emit({MV_CMD_CHARSET89});
            return;
        case 'N':
        case 'n':
            emit({MV_CMD_DIGIT});
            return;
        case 'H':
        case 'h':
            emit({MV_CMD_HEX});
            return;
        default:
            throw Exception(Format("Unknown command \"%s\" at position %d.", {std::string(1, c), pos_}));
        }
    }

    // The characters up to the closing character, each as one word, then the 0 word. A 0
    // character would end the command early, so it is refused like a missing closing character.
    void emitTextUpTo(char closing) {
        for (; !atEnd(); ++pos_) {
            const auto code = static_cast<unsigned char>(current());
            if (code == 0) break;
            if (current() == closing) {
                ++pos_;
                commands_.push_back(0);
                return;
            }
            commands_.push_back(code);
        }
        throw Exception(ParsingErrorText);
    }

    void compileLiteral() {
        emit({MV_CMD_LITERAL});
        emitTextUpTo(']');
    }

    // At the F of "{F<mode>...:name}".
    void compileFile() {
        const size_t colon = mask_.find(':', pos_ + 1);
        if (colon == std::string_view::npos || colon + 1 == mask_.size()) throw Exception(ParsingErrorText);
        char mode = mask_[pos_ + 1];
        if (mode == ':') mode = 'r';
        pos_ = colon + 1;
        emit({MV_CMD_FILE, static_cast<unsigned char>(mode), 0, 0});
        emitTextUpTo('}');
    }

    void compileNumber() {
        const char kind = atEnd() ? '\0' : current();
        if (kind == 'S' || kind == 's') {
            ++pos_;
            compileCounter();
        } else if (kind == 'R' || kind == 'r') {
            ++pos_;
            compileRandomNumber();
        } else {
            throw Exception("Unknown number specified in " + std::string(mask_));
        }
    }

    TMaskField readField(int64_t fallback) {
        const size_t start = pos_;
        while (!atEnd() && current() != ':' && current() != ';')
            ++pos_;
        TMaskField field{fallback, '\0'};
        if (!TryStrToInt64(mask_.substr(start, pos_ - start), field.value)) field.value = fallback;
        if (!atEnd()) field.terminator = mask_[pos_++];
        return field;
    }

    bool takeFlag() {
        if (currentIs('T') || currentIs('t')) {
            ++pos_;
            return true;
        }
        return false;
    }

    void compileCounter() {
        if (!currentIs(':')) {
            emit({MV_CMD_COUNTER, 1});
            return;
        }
        ++pos_;
        const TMaskField digits = readField(0);
        int64_t start = 1;
        bool flag = false;
        if (digits.terminator == ':') {
            flag = takeFlag();
            if (!flag) {
                start = readField(1).value;
                flag = takeFlag();
            }
        }
        emit({MV_CMD_COUNTER_DIGITS, digits.value, start, flag ? 1 : 0});
    }

    void compileRandomNumber() {
        if (!currentIs(':')) {
            emit({MV_CMD_NUMBER});
            return;
        }
        ++pos_;
        const TMaskField digits = readField(0);
        int64_t lower = 0;
        int64_t span = -1;
        bool flag = false;
        if (digits.terminator == ':') {
            flag = takeFlag();
            if (!flag) {
                const TMaskField bound = readField(1);
                lower = bound.value;
                if (bound.terminator == ':') {
                    flag = takeFlag();
                    if (!flag) {
                        span = readField(-1).value;
                        flag = takeFlag();
                    }
                } else {
                    flag = takeFlag();
                }
            }
        }
        if (span == -1) span = defaultSpan(digits.value, lower);
        emit({MV_CMD_NUMBER_RANGE, digits.value, lower, span, flag ? 1 : 0});
    }

    // Up to the largest number of the given digit count.
    static int64_t defaultSpan(int64_t digits, int64_t lower) {
        if (digits < 1 || digits > MaxDefaultSpanDigits) {
            const auto quoted = static_cast<size_t>(std::clamp<int64_t>(digits, 0, MaxQuotedNines));
            throw EConvertError(Format("'%s' is not a valid integer value", {std::string(quoted, '9')}));
        }
        int64_t nines = 0;
        for (int64_t k = 0; k < digits; ++k)
            nines = nines * 10 + 9;
        return wrappingSub(nines, lower);
    }

    std::string_view mask_;
    size_t pos_ = 0;
    TMaskedCommands commands_;
};

// ---------------------------------------------------------------------------------------------
// Loading the files

bool loadFromDisk(const std::string& fileName, TStringList& lines) {
    LoadUserLines(fileName, lines);
    return true;
}

// Index of the 0 word that ends a variable-length command, or the array's size when it is missing.
size_t terminatorOf(const TMaskedCommands& commands, size_t from) {
    while (from < commands.size() && commands[from] != 0)
        ++from;
    return from;
}

std::string textOf(const TMaskedCommands& commands, size_t from, size_t to) {
    std::string text;
    text.reserve(to - from);
    for (size_t k = from; k < to; ++k)
        text.push_back(static_cast<char>(commands[k]));
    return text;
}

// Index of the list, or -1 when the file cannot be read.
int fileListIndex(const std::string& name, TMaskFiles& files, const TMaskFileLoader& loader) {
    if (const int known = files.IndexOf(name); known >= 0) return known;
    auto lines = std::make_unique<TStringList>();
    try {
        if (!loader(name, *lines)) return -1;
    } catch (const std::exception&) {
        // An unreadable file leaves its commands without lines; generation reports it per row.
        return -1;
    }
    return files.Add(name, std::move(lines));
}

// ---------------------------------------------------------------------------------------------
// Generating

[[noreturn]] void unknownCommand(int64_t code) {
    throw Exception(Format("Unknown MASKED command: %d", {code}));
}

[[noreturn]] void fileExhausted(int64_t position) {
    throw Exception(Format("Custom file exhausted - data for row %d cannot acquired.", {position}));
}

void requireWords(const TMaskedCommands& commands, size_t at, size_t count) {
    if (commands.size() - at < count) unknownCommand(commands[at]);
}

void appendDecimal(int64_t number, std::string& value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    value.append(digits, static_cast<size_t>(result.ptr - digits));
}

// number zero-padded to at least digitCount digits after its sign, as "%.<digitCount>d" gives it.
void appendPadded(int64_t number, int64_t digitCount, std::string& value) {
    if (digitCount < 0) {
        value += Format("%." + IntToStr(digitCount) + "d", {number});
        return;
    }
    if (digitCount > MV_MAX_DIGITS)
        throw EConvertError("Format '%." + IntToStr(digitCount) + "d' invalid or incompatible with argument");
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    const char* first = digits;
    if (number < 0) value.push_back(*first++);
    const auto length = static_cast<int64_t>(result.ptr - first);
    if (length < digitCount) value.append(static_cast<size_t>(digitCount - length), '0');
    value.append(first, static_cast<size_t>(result.ptr - first));
}

// A draw 0 <= result < span for spans wider than the 32-bit draw reaches: 64 random bits scaled
// onto the span.
int64_t drawBelow(int64_t span) {
    if (span <= std::numeric_limits<int32_t>::max()) return Random(static_cast<int32_t>(span));
    constexpr int32_t Bits30 = 1 << 30;
    const uint64_t bits = static_cast<uint64_t>(Random(Bits30)) << 34 |
                          static_cast<uint64_t>(Random(Bits30)) << 4 | static_cast<uint64_t>(Random(16));
    const auto scaled = static_cast<unsigned __int128>(bits) * static_cast<uint64_t>(span);
    return static_cast<int64_t>(scaled >> 64);
}

TStringList* linesOf(int64_t reference, TMaskFiles* files) {
    if (files == nullptr || reference < 1 || reference > files->Count()) return nullptr;
    return &files->Lines(static_cast<int>(reference - 1));
}

void appendFileLine(TMaskedCommands& commands, size_t at, TMaskFiles* files, std::string& value) {
    TStringList* lines = linesOf(commands[at + MV_FILE_LIST], files);
    int64_t& position = commands[at + MV_FILE_POSITION];
    switch (commands[at + MV_FILE_MODE]) {
    case 'R':
    case 'r':
        if (lines == nullptr || lines->IsEmpty()) fileExhausted(position);
        value += lines->Get(Random(lines->Count()));
        return;
    case 'S':
    case 's':
        if (lines == nullptr || position >= lines->Count()) fileExhausted(position);
        value += lines->Get(static_cast<int>(position));
        ++position;
        return;
    case 'U':
    case 'u': {
        if (lines == nullptr || lines->IsEmpty()) fileExhausted(position);
        const int drawn = Random(lines->Count());
        value += lines->Get(drawn);
        lines->Delete(drawn);
        ++position;
        return;
    }
    default:
        return;
    }
}

void appendCounter(int64_t* words, std::string& value) {
    const int64_t digitCount = words[1];
    const int64_t number = words[2];
    words[2] = wrappingAdd(number, 1);
    if (words[3] != 0) {
        appendDecimal(number, value);
        return;
    }
    if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
        throw EConvertError(Format("'%s' is not a valid integer value", {IntToStr(number)}));
    appendPadded(number, digitCount, value);
}

void appendRandomNumber(const int64_t* words, std::string& value) {
    const int64_t digitCount = words[1];
    const int64_t lower = words[2];
    const int64_t span = words[3];
    const int64_t number =
        wrappingAdd(lower, span >= 0 ? drawBelow(span) : Random(std::numeric_limits<int32_t>::max()));
    if (digitCount == 0 || words[4] != 0)
        appendDecimal(number, value);
    else
        appendPadded(number, digitCount, value);
}

} // namespace

TMaskedCommands GetMaskedCommands(std::string_view Mask) {
    return TMaskCompiler(Mask).Compile();
}

int TMaskFiles::IndexOf(std::string_view name) const {
    for (size_t k = 0; k < entries_.size(); ++k)
        if (SameText(entries_[k].name, name)) return static_cast<int>(k);
    return -1;
}

int TMaskFiles::Add(std::string name, std::unique_ptr<TStringList> lines) {
    entries_.push_back({std::move(name), std::move(lines)});
    return Count() - 1;
}

void LoadMaskedFiles(TMaskedCommands& commands, TMaskFiles& files) {
    LoadMaskedFiles(commands, files, loadFromDisk);
}

void LoadMaskedFiles(TMaskedCommands& commands, TMaskFiles& files, const TMaskFileLoader& loader) {
    size_t at = 0;
    while (at < commands.size()) {
        const int64_t code = commands[at];
        if (code < 0 || code >= static_cast<int64_t>(MV_CMD_LENGTHS.size()) || MV_CMD_LENGTHS[code] == 0)
            return; // generation rejects the word; nothing after it can be told apart
        if (MV_CMD_LENGTHS[code] > 0) {
            at += static_cast<size_t>(MV_CMD_LENGTHS[code]);
            continue;
        }
        if (code != MV_CMD_FILE) {
            at = terminatorOf(commands, at + 1) + 1;
            continue;
        }
        if (commands.size() - at <= MV_FILE_NAME) return;
        const size_t end = terminatorOf(commands, at + MV_FILE_NAME);
        commands[at + MV_FILE_LIST] = 0;
        const int index = fileListIndex(textOf(commands, at + MV_FILE_NAME, end), files, loader);
        if (index >= 0) commands[at + MV_FILE_LIST] = index + 1;
        at = end + 1;
    }
}

void AppendMaskedValue(TMaskedCommands& commands, TMaskFiles* files, std::string& value) {
    const size_t count = commands.size();
    size_t at = 0;
    while (at < count) {
        const int64_t code = commands[at];
        switch (code) {
        case MV_CMD_LITERAL: {
            const size_t end = terminatorOf(commands, at + 1);
            if (end == count) unknownCommand(code);
            for (size_t k = at + 1; k < end; ++k)
                value.push_back(static_cast<char>(commands[k]));
            at = end + 1;
            break;
        }
        case MV_CMD_FILE: {
            requireWords(commands, at, MV_FILE_NAME + 1);
            const size_t end = terminatorOf(commands, at + MV_FILE_NAME);
            if (end == count) unknownCommand(code);
            appendFileLine(commands, at, files, value);
            at = end + 1;
            break;
        }
        case MV_CMD_UPPER:
            value.push_back(MV_UPPER_LETTERS[static_cast<size_t>(Random(26))]);
            ++at;
            break;
        case MV_CMD_LOWER:
            value.push_back(MV_LOWER_LETTERS[static_cast<size_t>(Random(26))]);
            ++at;
            break;
        case MV_CMD_LETTER:
            value.push_back(MV_LETTERS[static_cast<size_t>(Random(52))]);
            ++at;
            break;
        case MV_CMD_CHARSET89:
            value.push_back(CharSet89[static_cast<size_t>(Random(89))]);
            ++at;
            break;
        case MV_CMD_DIGIT:
            value.push_back(MV_DIGITS[static_cast<size_t>(Random(10))]);
            ++at;
            break;
        case MV_CMD_HEX:
            value.push_back(MV_HEX_DIGITS[static_cast<size_t>(Random(16))]);
            ++at;
            break;
        case MV_CMD_COUNTER:
            requireWords(commands, at, 2);
            appendDecimal(commands[at + 1], value);
            commands[at + 1] = wrappingAdd(commands[at + 1], 1);
            at += 2;
            break;
        case MV_CMD_COUNTER_DIGITS:
            requireWords(commands, at, 4);
            appendCounter(&commands[at], value);
            at += 4;
            break;
        case MV_CMD_NUMBER:
            appendDecimal(Random(std::numeric_limits<int32_t>::max()), value);
            ++at;
            break;
        case MV_CMD_NUMBER_RANGE:
            requireWords(commands, at, 5);
            appendRandomNumber(&commands[at], value);
            at += 5;
            break;
        default:
            unknownCommand(code);
        }
    }
}

std::optional<uint64_t> MaskedValueCount(const TMaskedCommands& commands, size_t width) {
    constexpr uint64_t most = uint64_t{1} << 62;
    uint64_t count = 1;
    size_t used = 0; // characters so far
    size_t at = 0;
    while (at < commands.size() && (width == 0 || used < width)) {
        const int64_t code = commands[at];
        uint64_t choices = 0;
        switch (code) {
        case MV_CMD_LITERAL: {
            const size_t end = terminatorOf(commands, at + 1);
            used += end - at - 1;
            at = end + 1;
            continue;
        }
        case MV_CMD_UPPER:
        case MV_CMD_LOWER:
            choices = 26;
            break;
        case MV_CMD_LETTER:
            choices = 52;
            break;
        case MV_CMD_CHARSET89:
            choices = 89;
            break;
        case MV_CMD_DIGIT:
            choices = 10;
            break;
        case MV_CMD_HEX:
            choices = 16;
            break;
        default: // text of a length of its own
            return std::nullopt;
        }
        if (count > most / choices) return std::nullopt;
        count *= choices;
        ++used;
        ++at;
    }
    return count;
}

} // namespace kvl
