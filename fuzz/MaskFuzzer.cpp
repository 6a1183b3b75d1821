// Feeds arbitrary masks to the mask compiler and the generator, and arbitrary word arrays to the
// generator alone. Besides the sanitizers it checks what the compiler promises: its output walks
// cleanly by the length table, and generation never meets a command word it does not know.
//
// An input starting with 0xFF is a word array (the bytes after it, eight to a word); any other
// input is a mask. Mask files come from memory: every character of the name is one line, and a
// name starting with "x" cannot be read.

#include "uMaskedValue.h"

#include "base/Exceptions.h"
#include "base/Random.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int RowsPerInput = 6;

bool loadFromName(const std::string& name, kvl::TStringList& lines) {
    if (!name.empty() && name[0] == 'x') throw kvl::EFileError("Cannot open file \"" + name + "\".");
    for (char c : name)
        lines.Add(std::string(1, c));
    return true;
}

// Every compiled command is a known code and ends exactly where the next begins.
void checkWalk(const kvl::TMaskedCommands& commands) {
    size_t at = 0;
    while (at < commands.size()) {
        const int64_t code = commands[at];
        if (code < 1 || code > 13 || code == kvl::MV_CMD_RESERVED) std::abort();
        const int16_t length = kvl::MV_CMD_LENGTHS[static_cast<size_t>(code)];
        if (length > 0) {
            at += static_cast<size_t>(length);
            continue;
        }
        size_t end = at + (code == kvl::MV_CMD_FILE ? kvl::MV_FILE_NAME : 1);
        while (end < commands.size() && commands[end] != 0)
            ++end;
        if (end == commands.size()) std::abort();
        at = end + 1;
    }
    if (at != commands.size()) std::abort();
}

// Generation errors a compiled mask may meet; an unknown command word is not one of them.
void generateRows(kvl::TMaskedCommands& commands, kvl::TMaskFiles& files, bool compiled) {
    for (int row = 0; row < RowsPerInput; ++row) {
        std::string value;
        try {
            kvl::AppendMaskedValue(commands, &files, value);
        } catch (const kvl::Exception& e) {
            if (compiled && std::string_view(e.Message()).starts_with("Unknown MASKED command")) std::abort();
        }
    }
}

void fuzzMask(std::string_view mask) {
    kvl::TMaskedCommands commands;
    try {
        commands = kvl::GetMaskedCommands(mask);
    } catch (const kvl::Exception&) {
        return;
    }
    checkWalk(commands);
    kvl::TMaskFiles files;
    kvl::LoadMaskedFiles(commands, files, loadFromName);
    checkWalk(commands);
    generateRows(commands, files, true);
}

void fuzzWords(const uint8_t* data, size_t size) {
    kvl::TMaskedCommands commands(size / sizeof(int64_t));
    if (!commands.empty()) std::memcpy(commands.data(), data, commands.size() * sizeof(int64_t));
    kvl::TMaskFiles files;
    kvl::LoadMaskedFiles(commands, files, loadFromName);
    generateRows(commands, files, false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kvl::RandSeed(size);
    if (size > 0 && data[0] == 0xFF)
        fuzzWords(data + 1, size - 1);
    else
        fuzzMask(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
