#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kvl {

// The user's number, date and time conventions. "/" in a date format stands for DateSeparator,
// ":" in a time format for TimeSeparator.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '-';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "yyyy/mm/dd";
    std::string LongTimeFormat = "hh:nn:ss";
};

// The one place where the process's conventions live; applications set them at start-up.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// Conventions of a POSIX locale name ("de_DE.UTF-8"); the defaults above for "C" or an unknown one.
TFormatSettings LocaleFormatSettings(const std::string& localeName);

// Sets the process's conventions for as long as the object lives (tests, one-off conversions).
class TFormatSettingsScope {
public:
    explicit TFormatSettingsScope(const TFormatSettings& settings);
    ~TFormatSettingsScope();
    TFormatSettingsScope(const TFormatSettingsScope&) = delete;
    TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
    TFormatSettings saved_;
};

std::string IntToStr(int64_t value);
// An optionally signed decimal 32-bit integer, nothing else.
bool TryStrToInt(std::string_view text, int32_t& value);
bool TryStrToInt64(std::string_view text, int64_t& value);
int32_t StrToInt(std::string_view text); // EConvertError "'%s' is not a valid integer value"

// Reals in the user's convention: the decimal separator of FormatSettings.
std::string FloatToStr(double value);
bool TryStrToFloat(std::string_view text, double& value);
double StrToFloat(std::string_view text); // EConvertError "'%s' is not a valid floating point value"

std::string Trim(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

} // namespace kvl
