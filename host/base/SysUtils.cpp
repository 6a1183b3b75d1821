#include "SysUtils.h"

#include "Exceptions.h"
#include "Format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kvl {

namespace {
TFormatSettings& current() {
    static TFormatSettings settings;
    return settings;
}
} // namespace

const TFormatSettings& FormatSettings() {
    return current();
}

void SetFormatSettings(const TFormatSettings& settings) {
    current() = settings;
}

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& settings) : saved_(current()) {
    current() = settings;
}

TFormatSettingsScope::~TFormatSettingsScope() {
    current() = saved_;
}

TFormatSettings LocaleFormatSettings(const std::string& localeName) {
    TFormatSettings s;
    std::string lang = localeName.substr(0, localeName.find_first_of(".@"));
    if (lang.empty() || lang == "C" || lang == "POSIX" || lang.rfind("en_US", 0) == 0) {
        if (lang.rfind("en_US", 0) == 0) {
            s.DateSeparator = '/';
            s.ShortDateFormat = "m/d/yyyy";
        }
        return s;
    }
    static const char* commaLanguages[] = {"de", "fr", "it", "es", "pt", "nl", "ru", "pl", "cs", "sv",
                                           "da", "fi", "nb", "tr", "hu", "sk", "sl", "hr", "ro", "uk"};
    std::string language = lang.substr(0, lang.find('_'));
    bool comma = std::any_of(std::begin(commaLanguages), std::end(commaLanguages),
                             [&](const char* l) { return language == l; });
    if (comma) {
        s.DecimalSeparator = ',';
        s.ThousandSeparator = '.';
    }
    if (language == "de" || language == "ru" || language == "pl" || language == "cs" || language == "fi" ||
        language == "nb" || language == "tr" || language == "sk" || language == "uk") {
        s.DateSeparator = '.';
        s.ShortDateFormat = "dd/mm/yyyy";
    } else if (language == "en" || language == "fr" || language == "it" || language == "es" ||
               language == "pt") {
        s.DateSeparator = '/';
        s.ShortDateFormat = "dd/mm/yyyy";
    }
    return s;
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

bool TryStrToInt64(std::string_view text, int64_t& value) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    if (first == last || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '-')) return false;
    int64_t v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) return false;
    value = v;
    return true;
}

bool TryStrToInt(std::string_view text, int32_t& value) {
    int64_t v = 0;
    if (!TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

int32_t StrToInt(std::string_view text) {
    int32_t v = 0;
    if (!TryStrToInt(text, v)) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
    return v;
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    // 15 significant digits without trailing zeros; scientific only for exponents below -5
    // or from 15 on, written as mantissa, "E" and the bare exponent ("1.5E20", "2E-7")
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    std::string text = buf;
    size_t e = text.find('e');
    int exponent = std::atoi(text.c_str() + e + 1);
    std::string mantissa = text.substr(0, e);
    std::string out;
    if (exponent < -5 || exponent >= 15) {
        while (mantissa.back() == '0')
            mantissa.pop_back();
        if (mantissa.back() == '.') mantissa.pop_back();
        out = mantissa + "E" + std::to_string(exponent);
    } else {
        std::snprintf(buf, sizeof buf, "%.*f", std::max(0, 14 - exponent), value);
        out = buf;
        if (out.find('.') != std::string::npos) {
            while (out.back() == '0')
                out.pop_back();
            if (out.back() == '.') out.pop_back();
        }
    }
    auto dot = out.find('.');
    if (dot != std::string::npos) out[dot] = FormatSettings().DecimalSeparator;
    return out;
}

bool TryStrToFloat(std::string_view text, double& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    const char sep = FormatSettings().DecimalSeparator;
    for (char& c : t) {
        if (c == sep)
            c = '.';
        else if (c == '.' && sep != '.')
            return false;
    }
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (*first == '+') ++first;
    double v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) return false;
    value = v;
    return true;
}

double StrToFloat(std::string_view text) {
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
    return v;
}

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

std::string UpperCase(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string LowerCase(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace kvl
