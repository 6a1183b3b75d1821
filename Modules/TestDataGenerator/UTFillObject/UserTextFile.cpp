#include "UserTextFile.h"

#include "base/Exceptions.h"
#include "base/Format.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string_view>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The length of the sequence that a lead byte opens and the bits it carries; 0 for no lead byte.
size_t sequenceLength(unsigned char c, uint32_t& code) {
    code = c;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        code = c & 0x1Fu;
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        code = c & 0x0Fu;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        code = c & 0x07u;
        return 4;
    }
    return 0;
}

std::string fromLatin1(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
            continue;
        }
        out.push_back(static_cast<char>(0xC0u | (c >> 6)));
        out.push_back(static_cast<char>(0x80u | (c & 0x3Fu)));
    }
    return out;
}

} // namespace

bool IsUtf8Text(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        uint32_t code = 0;
        const size_t length = sequenceLength(static_cast<unsigned char>(text[i]), code);
        if (length == 0 || text.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        // overlong forms, surrogates and values beyond Unicode
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

TUserText DecodeUserText(std::string bytes, const std::string& fileName) {
    if (bytes.find('\0') != std::string::npos)
        throw EUserTextEncoding(
            kvl::Format("The file \"%s\" is no UTF-8 text; convert it to UTF-8.", {fileName}));
    if (bytes.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0) bytes.erase(0, ByteOrderMark.size());
    if (IsUtf8Text(bytes)) return {std::move(bytes), false};
    return {fromLatin1(bytes), true};
}

bool LoadUserLines(const std::string& fileName, kvl::TStringList& lines) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw kvl::EFileError(kvl::Format("Cannot open file \"%s\".", {fileName}));
    std::ostringstream buf;
    buf << in.rdbuf();
    TUserText text = DecodeUserText(buf.str(), fileName);
    lines.SetText(text.Text);
    return text.FromLatin1;
}

std::string Latin1Notice(const std::string& fileName) {
    return kvl::Format("The file \"%s\" is no UTF-8 text; it was read as Latin-1.", {fileName});
}
