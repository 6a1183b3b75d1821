#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kvl {

// Days since 30 December 1899; the fraction is the time of day (0.5 = noon). Before that day
// the whole part counts backwards and the fraction still counts forwards from midnight.
using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day); // EConvertError "Invalid argument to date encode"
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
TDateTime EncodeTime(int hour, int min, int sec, int msec); // "Invalid argument to time encode"
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

struct TDateParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};
TDateParts DecodeDateTime(TDateTime value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);

TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

TDateTime Now();
TDateTime Date();

// Patterns: yyyy yy m mm mmm d dd h hh n nn s ss z zzz, "/" date and ":" time separator,
// 'quoted' or "quoted" literal text; m right after h means minutes.
std::string FormatDateTime(std::string_view pattern, TDateTime value);
std::string DateToStr(TDateTime value);     // ShortDateFormat
std::string TimeToStr(TDateTime value);     // LongTimeFormat
std::string DateTimeToStr(TDateTime value); // date, blank, time (the time left out at midnight)

bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value);
TDateTime StrToDate(std::string_view text);     // EConvertError "'%s' is not a valid date"
TDateTime StrToTime(std::string_view text);     // EConvertError "'%s' is not a valid time"
TDateTime StrToDateTime(std::string_view text); // EConvertError "'%s' is not a valid date and time"

// ISO texts as database drivers exchange them: "yyyy-mm-dd", "hh:nn:ss[.zzz]" and both joined by a blank.
std::string IsoDate(TDateTime value);
std::string IsoTime(TDateTime value);
std::string IsoDateTime(TDateTime value);
bool TryIsoToDateTime(std::string_view text, TDateTime& value);

} // namespace kvl
