#include "Variant.h"

#include "Exceptions.h"
#include "Format.h"
#include "StringList.h"
#include "SysUtils.h"

#include <cmath>

namespace kvl {

namespace {
[[noreturn]] void cannot(const char* what) {
    throw EConvertError(Format("Could not convert variant of type (%s) into type (%s)", {"Null", what}));
}

// Whole numbers, which the integer columns carry as doubles, skip the library's rounding call:
// it is a call per value on the bulk paths.
int64_t RoundedInt64(double d) {
    constexpr double Bound = 9007199254740992.0; // 2^53: every double beyond is whole
    if (d > -Bound && d < Bound) {
        const auto whole = static_cast<int64_t>(d);
        if (static_cast<double>(whole) == d) return whole;
    }
    return static_cast<int64_t>(std::llround(d));
}
} // namespace

int64_t TVariant::AsInt64() const {
    switch (GetKind()) {
    case Kind::Integer:
        return Integer();
    case Kind::Double:
        return RoundedInt64(Double());
    case Kind::Boolean:
        return Boolean() ? 1 : 0;
    case Kind::DateTime:
        return static_cast<int64_t>(DateTimeValue());
    case Kind::String: {
        int64_t v = 0;
        if (!TryStrToInt64(Trim(String()), v))
            throw EConvertError(Format("'%s' is not a valid integer value", {String()}));
        return v;
    }
    default:
        cannot("Int64");
    }
}

double TVariant::AsDouble() const {
    switch (GetKind()) {
    case Kind::Integer:
        return Integer();
    case Kind::Double:
        return Double();
    case Kind::Boolean:
        return Boolean() ? 1 : 0;
    case Kind::DateTime:
        return DateTimeValue();
    case Kind::String:
        return StrToFloat(String());
    default:
        cannot("Double");
    }
}

bool TVariant::AsBoolean() const {
    switch (GetKind()) {
    case Kind::Boolean:
        return Boolean();
    case Kind::Integer:
        return Integer() != 0;
    case Kind::Double:
        return Double() != 0;
    case Kind::String: {
        if (SameText(String(), "true") || String() == "1") return true;
        if (SameText(String(), "false") || String() == "0") return false;
        throw EConvertError(Format("'%s' is not a valid boolean value", {String()}));
    }
    default:
        cannot("Boolean");
    }
}

TDateTime TVariant::AsDateTime() const {
    switch (GetKind()) {
    case Kind::DateTime:
        return DateTimeValue();
    case Kind::Integer:
        return Integer();
    case Kind::Double:
        return Double();
    case Kind::String: {
        TDateTime v = 0;
        if (TryStrToDateTime(String(), v) || TryStrToTime(String(), v) || TryIsoToDateTime(String(), v))
            return v;
        throw EConvertError(Format("'%s' is not a valid date and time", {String()}));
    }
    default:
        cannot("Date");
    }
}

std::string TVariant::AsString() const {
    switch (GetKind()) {
    case Kind::String:
        return String();
    case Kind::Integer:
        return IntToStr(Integer());
    case Kind::Double:
        return FloatToStr(Double());
    case Kind::Boolean:
        return Boolean() ? "True" : "False";
    case Kind::DateTime:
        return DateTimeToStr(DateTimeValue());
    default:
        return std::string();
    }
}

} // namespace kvl
