#include "TDateFillField.h"

#include "EFillError.h"
#include "UTFillConstants.h"
#include "base/Random.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A date-time before 30 December 1899 counts its days backwards but its time of day forwards,
// so arithmetic on such values is done on a plain count of days and converted back.
double ToLinearDays(kvl::TDateTime value) {
    if (value >= 0) return value;
    const double whole = std::trunc(value);
    return whole + (whole - value);
}

kvl::TDateTime FromLinearDays(double days) {
    if (days >= 0) return days;
    const double whole = std::floor(days);
    const double fraction = days - whole;
    return fraction == 0 ? whole : whole - fraction;
}

// Whole milliseconds, so that many small steps do not accumulate rounding errors.
// Far beyond any date a server takes; keeps absurd increments from overflowing.
constexpr int64_t MSecsLimit = int64_t{1} << 60;

int64_t ToLinearMSecs(kvl::TDateTime value) {
    const double limit = static_cast<double>(MSecsLimit);
    return static_cast<int64_t>(
        std::llround(std::clamp(ToLinearDays(value) * kvl::MSecsPerDay, -limit, limit)));
}

kvl::TDateTime FromLinearMSecs(int64_t msecs) {
    return FromLinearDays(static_cast<double>(msecs) / kvl::MSecsPerDay);
}

constexpr int64_t MSecsPerSecond = 1000;
constexpr int64_t MSecsPerMinute = 60 * MSecsPerSecond;
constexpr int64_t MSecsPerHour = 60 * MSecsPerMinute;
constexpr int64_t MSecsPerDayInt = 24 * MSecsPerHour;

// Adds count units unless count is zero or below, saturating at the limit.
void AddUnits(int64_t& msecs, int64_t count, int64_t unit) {
    if (count <= 0) return;
    msecs = count > (MSecsLimit - msecs) / unit ? MSecsLimit : msecs + count * unit;
}

void DeleteNonDateTimeEntries(kvl::TStringList& list, bool (*convert)(std::string_view, kvl::TDateTime&)) {
    kvl::TDateTime v = 0;
    for (int i = 0; i < list.Count();) {
        if (convert(list[i], v))
            ++i;
        else
            list.Delete(i);
    }
}

} // namespace

TDateFillField::TDateFillField(const KFillRecord& rec) : TCustomFillField(rec) {
    const kvl::TDateTime now = kvl::Now();
    const kvl::TDateTime today = kvl::DateOf(now);
    const kvl::TDateTime timeOfDay = kvl::TimeOf(now);
    TimeFrom = TimeTo = StaticTime = timeOfDay;
    DateFrom = DateTo = StaticDate = today;
}

bool TDateFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillNothing:
        return false;
    case fillFixed:
        return true;
    case fillRandom:
        return DateFrom != DateTo || TimeFrom != TimeTo || HasRangeParts();
    case fillIncreasing:
        return IncSeconds != 0 || IncMinutes != 0 || IncHours != 0 || IncDays != 0;
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

bool TDateFillField::HasDatePart() const {
    return DataTypeName == "Date" || DataTypeName == "DateTime";
}

bool TDateFillField::HasTimePart() const {
    return DataTypeName == "Time" || DataTypeName == "DateTime";
}

bool TDateFillField::TryConvertRefValue(const std::string& text, kvl::TDateTime& value) const {
    if (DataTypeName == "Date") return kvl::TryStrToDate(text, value);
    if (DataTypeName == "Time") return kvl::TryStrToTime(text, value);
    return kvl::TryStrToDateTime(text, value);
}

void TDateFillField::prepareInsert() {
    TCustomFillField::prepareInsert();
    Counter = kvl::ComposeDateTime(DateFrom, TimeFrom);
    if (ListValues.IsEmpty())
        ListValues.Add(kvl::DateTimeToStr(kvl::Now()));
    else
        DeleteNonDateTimeEntries(ListValues, kvl::TryStrToDateTime);
    kvl::TDateTime v = 0;
    for (int i = 0; i < RefValues.Count();) {
        if (TryConvertRefValue(RefValues[i], v))
            ++i;
        else
            RefValues.Delete(i);
    }
    if (RefValues.IsEmpty() && FillType == fillReferential && !Linked)
        throw EFillNoReferentialValuesError(RefTable, RefColumn);
    if (FillType == fillRandom && DateTo < DateFrom) std::swap(DateFrom, DateTo);
    DatePart = HasDatePart();
    TimePart = HasTimePart();
    LinearFrom = ToLinearDays(DateFrom);
    LinearSpan = ToLinearDays(DateTo) + 1 - LinearFrom;
    parts_.Clear();
    if (FillType != fillRandom || !HasRangeParts() || !DatePart) return;
    // whole days, each range to the end of its last day
    std::vector<TRangeDraw::TRange> days{{std::floor(LinearFrom), std::floor(ToLinearDays(DateTo))}};
    for (auto [from, to] : RangeParts)
        days.emplace_back(std::floor(ToLinearDays(std::min(from, to))),
                          std::floor(ToLinearDays(std::max(from, to))));
    parts_.Prepare(days, 1);
}

// A day of one of several ranges; a single range draws inline in RandomValue.
double TDateFillField::RandomDay() const {
    const auto [range, offset] = parts_.Pick(kvl::Random());
    return range->first + offset;
}

// A value starts from now, whose date survives only for a column without a date part; asking
// the clock (and the time zone) only then keeps the common kinds fast.
kvl::TDateTime TDateFillField::FixedValue() const {
    kvl::TDateTime value = HasDatePart() ? StaticDate : kvl::Now();
    if (HasTimePart()) value = kvl::ComposeDateTime(value, StaticTime);
    return value;
}

namespace {

// kvl::ComposeDateTime, inline for the loop of FillValues.
inline kvl::TDateTime compose(kvl::TDateTime date, kvl::TDateTime time) {
    const double d = std::trunc(date);
    const double t = std::fabs(time - std::trunc(time));
    return d < 0 ? d - t : d + t;
}

// A random value of a column with a date part, held in locals so that a loop keeps it in
// registers.
struct TDayDraw {
    double LinearFrom, LinearSpan;
    bool TimePart;
    kvl::TDateTime TimeFrom, TimeSpan;

    kvl::TDateTime operator()(kvl::TRandomGenerator& g) const {
        const kvl::TDateTime value = FromLinearDays(LinearFrom + kvl::Random(g) * LinearSpan);
        if (!TimePart) return value;
        return compose(value, TimeFrom + kvl::Random(g) * TimeSpan);
    }
};

} // namespace

// The column's parts and the linear range are taken at preparation: comparing the category's
// name on every value cost more than making the value.
inline kvl::TDateTime TDateFillField::RandomValue() const {
    if (DatePart && !parts_.Empty()) [[unlikely]] {
        const kvl::TDateTime value = FromLinearDays(RandomDay());
        if (!TimePart) return value;
        return kvl::ComposeDateTime(value, TimeFrom + kvl::Random() * (TimeTo - TimeFrom));
    }
    if (DatePart)
        return TDayDraw{LinearFrom, LinearSpan, TimePart, TimeFrom,
                        TimeTo - TimeFrom}(kvl::detail::generator());
    const kvl::TDateTime value = kvl::Now();
    if (!TimePart) return value;
    return kvl::ComposeDateTime(value, TimeFrom + kvl::Random() * (TimeTo - TimeFrom));
}

// Only random values of one range with a date part go in one loop: a time alone asks the clock
// for its date, and a draw over several ranges picks its range first.
void TDateFillField::FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) {
    if (FillType != fillRandom || !DatePart || !parts_.Empty())
        return TCustomFillField::FillValues(out, nulls);
    const TDayDraw draw{LinearFrom, LinearSpan, TimePart, TimeFrom, TimeTo - TimeFrom};
    FillDrawn(out, nulls, [draw](kvl::TRandomGenerator& g) { return kvl::TVariant::FromDateTime(draw(g)); });
}

// Increments of zero or below are skipped: increasing values never run backwards.
void TDateFillField::AdvanceCounter() {
    int64_t msecs = ToLinearMSecs(Counter);
    AddUnits(msecs, IncSeconds, MSecsPerSecond);
    AddUnits(msecs, IncMinutes, MSecsPerMinute);
    AddUnits(msecs, IncHours, MSecsPerHour);
    // The day count is taken as 32 bits, so it may come out negative even for a positive setting.
    if (IncDays > 0)
        msecs = std::clamp(msecs + static_cast<int32_t>(IncDays) * MSecsPerDayInt, -MSecsLimit, MSecsLimit);
    Counter = FromLinearMSecs(msecs);
}

kvl::TVariant TDateFillField::getInsertValue() {
    // the common kind first, ahead of the table of kinds
    if (FillType == fillRandom) [[likely]]
        return kvl::TVariant::FromDateTime(RandomValue());
    switch (FillType) {
    case fillFixed:
        return kvl::TVariant::FromDateTime(FixedValue());
    case fillList:
        return kvl::TVariant::FromDateTime(kvl::StrToDateTime(RandomEntry(ListValues)));
    case fillReferential: {
        // A referenced value as the column's kind reads it; an entry that was accepted at
        // preparation converts again.
        kvl::TDateTime value = 0;
        const std::string& text = RandomEntry(RefValues);
        if (!TryConvertRefValue(text, value)) value = kvl::StrToDateTime(text);
        return kvl::TVariant::FromDateTime(value);
    }
    case fillIncreasing: {
        const kvl::TDateTime value = Counter;
        AdvanceCounter();
        return kvl::TVariant::FromDateTime(value);
    }
    default:
        return kvl::TVariant();
    }
}

// Dates count whole days; date-times keep a second apart where they must differ, more than
// any server rounds away.
std::optional<kvl::TVariant> TDateFillField::ValueFrom(const kvl::TVariant& low, bool strict) {
    if (FillType != fillRandom) return std::nullopt;
    if (!DatePart) return TimeAfter(low, strict);
    const double l = ToLinearDays(low.AsDateTime());
    const double end = ToLinearDays(DateTo) + 1;
    const double reach = std::max(1.0, std::floor((end - LinearFrom) / 10));
    if (!TimePart) {
        const double from = strict ? std::floor(l) + 1 : std::ceil(l);
        const double last = std::max(from, std::min(end - 1, from + reach));
        const double day = std::min(last, from + std::floor(kvl::Random() * (last - from + 1)));
        return kvl::TVariant::FromDateTime(FromLinearDays(day));
    }
    const double second = 1.0 / 86400;
    const double from = strict ? l + second : l;
    const double last = std::max(from, std::min(end - second, from + reach));
    return kvl::TVariant::FromDateTime(FromLinearDays(from + kvl::Random() * (last - from)));
}

// A time of day alone follows the other's time within the same day, a tenth of the column's
// range at most past it, as a date follows by a tenth of its range.
std::optional<kvl::TVariant> TDateFillField::TimeAfter(const kvl::TVariant& low, bool strict) const {
    if (!TimePart) return std::nullopt;
    const double second = 1.0 / 86400;
    const kvl::TDateTime l = low.AsDateTime();
    const double from = std::fabs(l - std::trunc(l)) + (strict ? second : 0);
    if (from > 1 - second) return std::nullopt; // no later time that day
    const double reach = std::max(60 * second, (TimeTo - TimeFrom) / 10);
    const double last = std::max(from, std::min(1 - second, from + reach));
    return kvl::TVariant::FromDateTime(
        kvl::ComposeDateTime(kvl::Now(), from + kvl::Random() * (last - from)));
}

int TDateFillField::GetFieldDatatype() const {
    if (DataTypeName == "Date") return 9;
    if (DataTypeName == "Time") return 10;
    if (DataTypeName == "DateTime") return 11;
    return 0;
}
