#include "DateTime.h"

#include "Exceptions.h"
#include "Format.h"
#include "IsoText.h"
#include "SysUtils.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace kvl {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant's algorithm.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t UnixToDelphiDays = 25569; // 1970-01-01 as a day number of this calendar

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + UnixToDelphiDays);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    result = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime r = 0;
    if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError("Invalid argument to time encode");
    return r;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
    double d = std::trunc(date);
    double t = std::fabs(time - std::trunc(time));
    return d < 0 ? d - t : d + t;
}

TDateParts DecodeDateTime(TDateTime value) {
    TDateParts p;
    double whole = std::trunc(value);
    double ms = std::round(std::fabs(value - whole) * MSecsPerDay);
    if (ms >= MSecsPerDay) ms = MSecsPerDay - 1;
    civilFromDays(static_cast<int64_t>(whole) - UnixToDelphiDays, p.Year, p.Month, p.Day);
    auto total = static_cast<int64_t>(ms);
    p.MilliSecond = static_cast<int>(total % 1000);
    total /= 1000;
    p.Second = static_cast<int>(total % 60);
    total /= 60;
    p.Minute = static_cast<int>(total % 60);
    p.Hour = static_cast<int>(total / 60);
    return p;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    TDateParts p = DecodeDateTime(value);
    year = p.Year;
    month = p.Month;
    day = p.Day;
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
    TDateParts p = DecodeDateTime(value);
    hour = p.Hour;
    min = p.Minute;
    sec = p.Second;
    msec = p.MilliSecond;
}

TDateTime DateOf(TDateTime value) {
    return std::trunc(value);
}
TDateTime TimeOf(TDateTime value) {
    return std::fabs(value - std::trunc(value));
}

TDateTime Now() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return ComposeDateTime(EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, ms));
}

TDateTime Date() {
    return std::trunc(Now());
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
    const TFormatSettings& fs = FormatSettings();
    TDateParts p = DecodeDateTime(value);
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string out;
    bool lastWasHour = false;
    char buf[16];
    for (size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t run = 1;
        while (i + run < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + run])) == lc)
            ++run;
        if (c == '\'' || c == '"') {
            size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos) end = pattern.size();
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        switch (lc) {
        case 'y':
            if (run <= 2)
                std::snprintf(buf, sizeof buf, "%02d", p.Year % 100);
            else
                std::snprintf(buf, sizeof buf, "%04d", p.Year);
            out += buf;
            break;
        case 'm':
            if (lastWasHour && run <= 2) {
                std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.Minute);
                out += buf;
            } else if (run >= 3) {
                out += months[p.Month - 1];
            } else {
                std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.Month);
                out += buf;
            }
            break;
        case 'd':
            std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.Day);
            out += buf;
            break;
        case 'h':
            std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.Hour);
            out += buf;
            break;
        case 'n':
            std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.Minute);
            out += buf;
            break;
        case 's':
            std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.Second);
            out += buf;
            break;
        case 'z':
            std::snprintf(buf, sizeof buf, run >= 3 ? "%03d" : "%d", p.MilliSecond);
            out += buf;
            break;
        case '/':
            out.append(run, fs.DateSeparator);
            break;
        case ':':
            out.append(run, fs.TimeSeparator);
            break;
        default:
            out.append(pattern.substr(i, run));
            break;
        }
        if (lc != ' ') lastWasHour = lc == 'h';
        i += run;
    }
    return out;
}

std::string DateToStr(TDateTime value) {
    return FormatDateTime(FormatSettings().ShortDateFormat, value);
}
std::string TimeToStr(TDateTime value) {
    return FormatDateTime(FormatSettings().LongTimeFormat, value);
}

std::string DateTimeToStr(TDateTime value) {
    std::string s = DateToStr(value);
    if (TimeOf(value) != 0) s += " " + TimeToStr(value);
    return s;
}

namespace {

std::vector<int> numbersOf(std::string_view text, size_t maxCount, bool& clean) {
    std::vector<int> nums;
    clean = true;
    size_t i = 0;
    while (i < text.size()) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            long v = 0;
            size_t digits = 0;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                if (++digits > 9) {
                    clean = false;
                    return nums;
                }
                v = v * 10 + (text[i++] - '0');
            }
            nums.push_back(static_cast<int>(v));
            if (nums.size() > maxCount) {
                clean = false;
                return nums;
            }
        } else {
            ++i;
        }
    }
    return nums;
}

bool onlySeparators(std::string_view text, std::string_view allowed) {
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)) && allowed.find(c) == std::string_view::npos)
            return false;
    return true;
}

// The order of year, month and day as the short date format writes them.
std::string dateOrder() {
    std::string order;
    for (char c : FormatSettings().ShortDateFormat) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((l == 'y' || l == 'm' || l == 'd') && order.find(l) == std::string::npos) order += l;
    }
    return order.size() == 3 ? order : "ymd";
}

} // namespace

bool TryStrToDate(std::string_view text, TDateTime& value) {
    std::string t = Trim(text);
    const TFormatSettings& fs = FormatSettings();
    std::string seps = {fs.DateSeparator, '/', '-', '.', ' '};
    if (t.empty() || !onlySeparators(t, seps)) return false;
    bool clean = true;
    std::vector<int> n = numbersOf(t, 3, clean);
    if (!clean || n.size() != 3) return false;
    std::string order = dateOrder();
    int y = 0, m = 0, d = 0;
    for (size_t k = 0; k < 3; ++k) {
        if (order[k] == 'y')
            y = n[k];
        else if (order[k] == 'm')
            m = n[k];
        else
            d = n[k];
    }
    return TryEncodeDate(y, m, d, value);
}

bool TryStrToTime(std::string_view text, TDateTime& value) {
    std::string t = Trim(text);
    const TFormatSettings& fs = FormatSettings();
    std::string seps = {fs.TimeSeparator, ':', '.', fs.DecimalSeparator};
    if (t.empty() || !onlySeparators(t, seps)) return false;
    bool clean = true;
    std::vector<int> n = numbersOf(t, 4, clean);
    if (!clean || n.size() < 2) return false;
    n.resize(4, 0);
    return TryEncodeTime(n[0], n[1], n[2], n[3], value);
}

bool TryStrToDateTime(std::string_view text, TDateTime& value) {
    std::string t = Trim(text);
    size_t blank = t.find(' ');
    if (blank == std::string::npos) return TryStrToDate(t, value);
    TDateTime d = 0, tm = 0;
    if (!TryStrToDate(std::string_view(t).substr(0, blank), d) ||
        !TryStrToTime(std::string_view(t).substr(blank + 1), tm))
        return false;
    value = ComposeDateTime(d, tm);
    return true;
}

TDateTime StrToDate(std::string_view text) {
    TDateTime v = 0;
    if (!TryStrToDate(text, v)) throw EConvertError(Format("'%s' is not a valid date", {text}));
    return v;
}

TDateTime StrToTime(std::string_view text) {
    TDateTime v = 0;
    if (!TryStrToTime(text, v)) throw EConvertError(Format("'%s' is not a valid time", {text}));
    return v;
}

TDateTime StrToDateTime(std::string_view text) {
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v)) throw EConvertError(Format("'%s' is not a valid date and time", {text}));
    return v;
}

namespace {

// Room for the widest ISO date-time: a year of ten digits and a sign, and milliseconds.
constexpr size_t IsoRoom = 40;

// n with at least width digits, as "%0*d" writes it.
char* putNumber(char* at, int n, int width) {
    if (n < 0 || n > 9999) return at + std::snprintf(at, 16, "%0*d", width, n);
    char digits[4];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    for (int i = count; i < width; ++i)
        *at++ = '0';
    while (count > 0)
        *at++ = digits[--count];
    return at;
}

char* putDate(char* at, const TDateParts& p) {
    at = putNumber(at, p.Year, 4);
    *at++ = '-';
    at = putNumber(at, p.Month, 2);
    *at++ = '-';
    return putNumber(at, p.Day, 2);
}

char* putTime(char* at, const TDateParts& p) {
    at = putNumber(at, p.Hour, 2);
    *at++ = ':';
    at = putNumber(at, p.Minute, 2);
    *at++ = ':';
    at = putNumber(at, p.Second, 2);
    if (!p.MilliSecond) return at;
    *at++ = '.';
    return putNumber(at, p.MilliSecond, 3);
}

} // namespace

void AssignIsoDate(std::string& out, TDateTime value) {
    char buf[IsoRoom];
    out.assign(buf, putDate(buf, DecodeDateTime(value)));
}

void AssignIsoTime(std::string& out, TDateTime value) {
    char buf[IsoRoom];
    out.assign(buf, putTime(buf, DecodeDateTime(value)));
}

void AssignIsoDateTime(std::string& out, TDateTime value) {
    const TDateParts p = DecodeDateTime(value);
    char buf[IsoRoom];
    char* at = putDate(buf, p);
    *at++ = ' ';
    out.assign(buf, putTime(at, p));
}

std::string IsoDate(TDateTime value) {
    std::string text;
    AssignIsoDate(text, value);
    return text;
}

std::string IsoTime(TDateTime value) {
    std::string text;
    AssignIsoTime(text, value);
    return text;
}

std::string IsoDateTime(TDateTime value) {
    std::string text;
    AssignIsoDateTime(text, value);
    return text;
}

bool TryIsoToDateTime(std::string_view text, TDateTime& value) {
    std::string t = Trim(text);
    bool clean = true;
    std::vector<int> n = numbersOf(t, 7, clean);
    if (!clean || n.empty()) return false;
    TDateTime d = 0, tm = 0;
    if (t.size() >= 10 && t[4] == '-') {
        if (n.size() < 3 || !TryEncodeDate(n[0], n[1], n[2], d)) return false;
        n.erase(n.begin(), n.begin() + 3);
    }
    if (!n.empty()) {
        n.resize(4, 0);
        if (!TryEncodeTime(n[0], n[1], n[2], n[3], tm)) return false;
    }
    value = ComposeDateTime(d, tm);
    return true;
}

} // namespace kvl
