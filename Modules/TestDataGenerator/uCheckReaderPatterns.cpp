#include "uCheckReaderPatterns.h"

#include <cctype>
#include <cstdlib>
#include <functional>
#include <string_view>

namespace {

struct Refused {};

// A mask whose values match a pattern: literal text in brackets, one letter or digit for each
// one-character wildcard or set, nothing for a wildcard of any length (none matches it).
class TPatternMask {
public:
    void Literal(char c) {
        if (c == ']' || c == '[' || open_) throw Refused{};
        if (!inLiteral_) mask_ += '[';
        mask_ += c;
        inLiteral_ = true;
    }
    void Code(char code) {
        if (open_) throw Refused{};
        close();
        mask_ += code;
        ++codes_;
    }
    // A set of characters such as "A-Z", "0-9" or "abc": its letters or digits where it holds all
    // of them, else its first character.
    void OneOf(const std::string& set) {
        if (set.empty() || set[0] == '^' || set[0] == '!') throw Refused{};
        if (set.find("A-Z") != std::string::npos) return Code('A');
        if (set.find("a-z") != std::string::npos) return Code('a');
        if (set.find("0-9") != std::string::npos) return Code('N');
        Literal(set[0]);
    }
    // A wildcard of any length ends the mask: one before other elements ('%_@_%._%') is a loose
    // shape that a guessed kind of value meets better than a mask of it would.
    void AnyLength() { open_ = true; }
    // Only wildcards of any length and literal text say no more than LIKE 'abc%' does.
    std::string Take() {
        close();
        if (codes_ == 0) throw Refused{};
        return mask_;
    }

private:
    void close() {
        if (inLiteral_) mask_ += ']';
        inLiteral_ = false;
    }
    std::string mask_;
    bool inLiteral_ = false;
    bool open_ = false;
    int codes_ = 0;
};

std::string globMask(const std::string& pattern) {
    TPatternMask m;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '*') {
            m.AnyLength();
            continue;
        }
        if (c == '?') {
            m.Code('a');
        } else if (c == '[') {
            const size_t close = pattern.find(']', i + 2); // a ']' first in a set is one of it
            if (close == std::string::npos) throw Refused{};
            m.OneOf(pattern.substr(i + 1, close - i - 1));
            i = close;
        } else {
            m.Literal(c);
        }
    }
    return m.Take();
}

// A regular expression of sets, \d, '.', literal characters and counts ({n}, {n,m}, '+', '?',
// '*'): each element as often as its count asks at least (once for '+'). Groups and alternatives
// are not read.
std::string regexMask(const std::string& pattern) {
    TPatternMask m;
    size_t i = pattern.size() && pattern[0] == '^' ? 1 : 0;
    const size_t end = pattern.size() && pattern.back() == '$' ? pattern.size() - 1 : pattern.size();
    while (i < end) {
        std::function<void()> element;
        const char c = pattern[i++];
        if (c == '[') {
            const size_t close = pattern.find(']', i + 1);
            if (close == std::string::npos || close >= end) throw Refused{};
            const std::string set = pattern.substr(i, close - i);
            element = [&m, set] { m.OneOf(set); };
            i = close + 1;
        } else if (c == '\\' && i < end) {
            const char e = pattern[i++];
            if (e == 'd')
                element = [&m] { m.Code('N'); };
            else if (std::isalnum(static_cast<unsigned char>(e)))
                throw Refused{};
            else
                element = [&m, e] { m.Literal(e); };
        } else if (c == '.') {
            element = [&m] { m.Code('a'); };
        } else if (std::string_view("()|{}+*?$^").find(c) != std::string_view::npos) {
            throw Refused{};
        } else {
            element = [&m, c] { m.Literal(c); };
        }
        int times = 1;
        bool open = false; // as often again as one likes
        if (i < end && (pattern[i] == '*' || pattern[i] == '?')) {
            times = 0;
            open = pattern[i] == '*';
            ++i;
        } else if (i < end && pattern[i] == '+') {
            open = true;
            ++i;
        } else if (i < end && pattern[i] == '{') {
            const size_t close = pattern.find('}', i);
            if (close == std::string::npos) throw Refused{};
            times = std::atoi(pattern.c_str() + i + 1);
            if (times < 0 || times > 64) throw Refused{};
            open = pattern[close - 1] == ',';
            i = close + 1;
        }
        for (int k = 0; k < times; ++k)
            element();
        if (open) m.AnyLength();
    }
    return m.Take();
}

// SIMILAR TO reads '%' and '_' as LIKE does and the rest as a regular expression of the whole text.
std::string similarMask(const std::string& pattern) {
    std::string regex = "^";
    bool inSet = false;
    for (char c : pattern) {
        if (inSet || c == '[') {
            inSet = c != ']';
            regex += c;
        } else if (c == '%') {
            regex += ".*";
        } else if (c == '_') {
            regex += '.';
        } else if (c == '.') {
            regex += "\\.";
        } else {
            regex += c;
        }
    }
    return regexMask(regex + "$");
}

std::string likeMask(const std::string& pattern) {
    TPatternMask m;
    for (char c : pattern) {
        if (c == '%') {
            m.AnyLength();
            continue;
        }
        if (c == '_')
            m.Code('a');
        else
            m.Literal(c);
    }
    return m.Take();
}

template <class Read> std::optional<std::string> tried(Read read, const std::string& pattern) {
    try {
        return read(pattern);
    } catch (const Refused&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string> GlobMask(const std::string& pattern) {
    return tried(globMask, pattern);
}

std::optional<std::string> LikeMask(const std::string& pattern) {
    return tried(likeMask, pattern);
}

std::optional<std::string> RegexMask(const std::string& pattern) {
    return tried(regexMask, pattern);
}

std::optional<std::string> SimilarMask(const std::string& pattern) {
    return tried(similarMask, pattern);
}
