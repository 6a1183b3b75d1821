#include "Format.h"

#include "Exceptions.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace kvl {

namespace {

struct Placeholder {
    int index = -1;
    bool left = false;
    int width = -1;
    int precision = -1;
    char type = 0;
};

[[noreturn]] void formatError(std::string_view fmt) {
    throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

int readNumber(std::string_view fmt, size_t& i) {
    int n = 0;
    while (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i])))
        n = n * 10 + (fmt[i++] - '0');
    return n;
}

Placeholder parsePlaceholder(std::string_view fmt, size_t& i) {
    Placeholder ph;
    size_t start = i;
    if (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i]))) {
        int n = readNumber(fmt, i);
        if (i < fmt.size() && fmt[i] == ':') {
            ph.index = n;
            ++i;
        } else {
            i = start;
        }
    }
    if (i < fmt.size() && fmt[i] == '-') {
        ph.left = true;
        ++i;
    }
    if (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i]))) ph.width = readNumber(fmt, i);
    if (i < fmt.size() && fmt[i] == '.') {
        ++i;
        ph.precision = readNumber(fmt, i);
    }
    if (i >= fmt.size()) formatError(fmt);
    ph.type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i++])));
    return ph;
}

std::string withThousands(const std::string& digits) {
    size_t start = (!digits.empty() && digits[0] == '-') ? 1 : 0;
    size_t dot = digits.find('.');
    size_t intEnd = dot == std::string::npos ? digits.size() : dot;
    std::string out = digits.substr(0, start);
    for (size_t k = start; k < intEnd; ++k) {
        out += digits[k];
        size_t left = intEnd - k - 1;
        if (left > 0 && left % 3 == 0) out += ',';
    }
    out += digits.substr(intEnd);
    return out;
}

std::string render(const Placeholder& ph, const FormatArg& arg, std::string_view fmt) {
    const auto& v = arg.value();
    char buf[512];
    switch (ph.type) {
    case 's': {
        const auto* s = std::get_if<std::string>(&v);
        if (!s) formatError(fmt);
        if (ph.precision >= 0 && static_cast<size_t>(ph.precision) < s->size())
            return s->substr(0, static_cast<size_t>(ph.precision));
        return *s;
    }
    case 'd':
    case 'u':
    case 'x': {
        const auto* n = std::get_if<int64_t>(&v);
        if (!n) formatError(fmt);
        if (ph.type == 'd')
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(*n));
        else if (ph.type == 'u')
            std::snprintf(buf, sizeof buf, "%llu",
                          static_cast<unsigned long long>(*n < 0 ? static_cast<uint32_t>(*n) : *n));
        else
            std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(*n));
        std::string s = buf;
        if (ph.precision > 0 && s.size() < static_cast<size_t>(ph.precision))
            s.insert(s[0] == '-' ? 1 : 0, static_cast<size_t>(ph.precision) - s.size(), '0');
        return s;
    }
    case 'f':
    case 'g':
    case 'e':
    case 'n': {
        double d;
        if (const auto* r = std::get_if<double>(&v))
            d = *r;
        else if (const auto* n = std::get_if<int64_t>(&v))
            d = static_cast<double>(*n);
        else
            formatError(fmt);
        int prec = ph.precision >= 0 ? ph.precision : (ph.type == 'g' ? 15 : 2);
        const char* f = ph.type == 'e' ? "%.*E" : (ph.type == 'g' ? "%.*G" : "%.*f");
        std::snprintf(buf, sizeof buf, f, prec, d);
        return ph.type == 'n' ? withThousands(buf) : std::string(buf);
    }
    default:
        formatError(fmt);
    }
}

} // namespace

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
    std::vector<const FormatArg*> list;
    list.reserve(args.size());
    for (const auto& a : args)
        list.push_back(&a);
    std::string out;
    out.reserve(fmt.size() + 16 * list.size());
    size_t next = 0;
    for (size_t i = 0; i < fmt.size();) {
        char c = fmt[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < fmt.size() && fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        Placeholder ph = parsePlaceholder(fmt, i);
        size_t index = ph.index >= 0 ? static_cast<size_t>(ph.index) : next;
        if (index >= list.size()) formatError(fmt);
        next = index + 1;
        std::string piece = render(ph, *list[index], fmt);
        if (ph.width > 0 && piece.size() < static_cast<size_t>(ph.width)) {
            std::string pad(static_cast<size_t>(ph.width) - piece.size(), ' ');
            piece = ph.left ? piece + pad : pad + piece;
        }
        out += piece;
    }
    return out;
}

} // namespace kvl
