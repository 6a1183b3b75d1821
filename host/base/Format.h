#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace kvl {

// One argument of Format: texts, whole numbers and reals.
class FormatArg {
public:
    FormatArg(std::string_view s) : value_(std::string(s)) {}
    FormatArg(const std::string& s) : value_(s) {}
    FormatArg(const char* s) : value_(std::string(s ? s : "")) {}
    FormatArg(int v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(unsigned v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(long v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(long long v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(unsigned long v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(unsigned long long v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(double v) : value_(v) {}

    const std::variant<std::string, int64_t, double>& value() const { return value_; }

private:
    std::variant<std::string, int64_t, double> value_;
};

// Fills a format string that keeps the placeholders of the program's texts:
// %s, %d, %u, %x, %f, %g, %e, %n, with an optional index ("%0:s"), "-", width and precision;
// "%%" is a percent sign. A placeholder that does not fit its argument raises EConvertError.
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);

} // namespace kvl
