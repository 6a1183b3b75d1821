#include "TFloatFillField.h"

#include "EFillError.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Random.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

namespace {
// Random bounds away from zero are widened so that values may pass them by a little; a bound
// of zero stays put so that a range ending at zero keeps its sign.
constexpr long double Widening = 0.01L;
} // namespace

TFloatFillField::TFloatFillField(const KFillRecord& rec) : TCustomFillField(rec) {
    GeneratorName = FirstGenerator();
}

bool TFloatFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillFixed:
        return true;
    case fillRandom:
        return RangeFrom != RangeTo || HasRangeParts();
    case fillGenerator:
        return !GeneratorName.empty();
    case fillIncreasing:
        return StaticValue != 0;
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

namespace {
bool isFloat(const std::string& text) {
    double v = 0;
    return kvl::TryStrToFloat(text, v);
}
} // namespace

void TFloatFillField::prepareInsert() {
    TCustomFillField::prepareInsert();
    Counter = RangeFrom;
    PrepareNumberLists(isFloat);
    parts_.Clear();
    if (FillType != fillRandom) return;
    if (RangeFrom > RangeTo) std::swap(RangeFrom, RangeTo);
    DrawLow = RangeFrom < 0 ? RangeFrom - Widening : RangeFrom;
    DrawHigh = RangeTo > 0 ? RangeTo + Widening : RangeTo;
    rounding_ = 0;
    if (DataTypeName != "Numeric" && DataTypeName != "Decimal") return PrepareParts();
    // A value is rounded to the column's places here, not by the server: SQLite keeps what it gets.
    rounding_ = std::pow(10.0L, static_cast<long double>(Scale));
    const long double largest = Largest();
    DrawLow = std::clamp(DrawLow, -largest, largest);
    DrawHigh = std::clamp(DrawHigh, -largest, largest);
    PrepareParts();
}

// The largest value a decimal's digits hold; a float has no such end.
long double TFloatFillField::Largest() const {
    if (rounding_ <= 0 || Precision == 0 || Precision < Scale) return HUGE_VALL;
    return std::pow(10.0L, static_cast<long double>(Precision - Scale)) - 1 / rounding_;
}

// Further ranges keep to their own ends, unwidened: they come from conditions, whose ends the
// guess already keeps a step inside.
void TFloatFillField::PrepareParts() {
    if (!HasRangeParts()) return;
    const auto largest = static_cast<double>(std::min<long double>(Largest(), DBL_MAX));
    std::vector<TRangeDraw::TRange> ranges{{static_cast<double>(RangeFrom), static_cast<double>(RangeTo)}};
    for (auto [from, to] : RangeParts)
        ranges.emplace_back(std::min(from, to), std::max(from, to));
    for (auto& [from, to] : ranges) {
        from = std::clamp(from, -largest, largest);
        to = std::clamp(to, -largest, largest);
    }
    parts_.Prepare(ranges, 0);
}

// Decimals count whole steps of their places, so that the server's rounding keeps the order;
// other floats keep a step that their own precision tells apart.
std::optional<kvl::TVariant> TFloatFillField::ValueFrom(const kvl::TVariant& low, bool strict) {
    if (FillType != fillRandom) return std::nullopt;
    const long double l = low.AsDouble();
    const long double reach = (RangeTo - RangeFrom) / 10;
    const long double top = std::min<long double>(std::max<long double>(RangeTo, l), l + reach);
    if (rounding_ <= 0) {
        const long double from = strict ? l + std::max(0.01L, std::fabs(l) * 1e-5L) : l;
        const long double value = from + kvl::Random() * std::max(0.0L, top - from);
        return kvl::TVariant(static_cast<double>(value));
    }
    // the earlier value is a decimal of its own: one that lies on a step counts as that step
    const double r = static_cast<double>(rounding_);
    const double scaled = static_cast<double>(l) * r;
    const auto nearest = static_cast<int64_t>(std::llround(scaled));
    const bool onStep = std::fabs(scaled - static_cast<double>(nearest)) < 1e-6;
    int64_t first = onStep ? nearest : static_cast<int64_t>(std::ceil(scaled));
    if (strict && onStep) ++first;
    const int64_t last = std::max(first, static_cast<int64_t>(std::floor(static_cast<double>(top) * r)));
    const auto offset = static_cast<int64_t>(kvl::Random() * static_cast<double>(last - first + 1));
    return kvl::TVariant(static_cast<double>(std::min(first + offset, last)) / r);
}

namespace {

// A random value, held in locals so that a loop keeps it in registers.
struct TRealDraw {
    long double DrawLow, DrawHigh, Rounding;

    double operator()(kvl::TRandomGenerator& g) const {
        const long double r = kvl::Random(g);
        const long double value = DrawLow + r * (DrawHigh - DrawLow);
        return static_cast<double>(std::round(value * Rounding) / Rounding);
    }
};

// An unrounded value has only a double's precision to keep: the draw's 53 bits go straight into
// one product and one sum of doubles, without the extended arithmetic that rounding needs.
struct TPlainRealDraw {
    double Low, Step; // Step: the range's width per unit of a 53-bit draw

    TPlainRealDraw(long double low, long double high)
        : Low(static_cast<double>(low)), Step(static_cast<double>((high - low) * 0x1.0p-53L)) {}
    double operator()(kvl::TRandomGenerator& g) const {
        return Low + static_cast<double>(g.NextForReal() >> 11) * Step;
    }
};

} // namespace

// Only the plain draw from one range goes in one loop; a random draw of another shape must take
// this condition along.
void TFloatFillField::FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) {
    if (FillType != fillRandom || !parts_.Empty()) return TCustomFillField::FillValues(out, nulls);
    const auto fill = [&](auto draw) {
        FillDrawn(out, nulls, [draw](kvl::TRandomGenerator& g) { return kvl::TVariant(draw(g)); });
    };
    if (rounding_ <= 0) return fill(TPlainRealDraw(DrawLow, DrawHigh));
    fill(TRealDraw{DrawLow, DrawHigh, rounding_});
}

kvl::TVariant TFloatFillField::getInsertValue() {
    switch (FillType) {
    case fillFixed:
        return kvl::TVariant(static_cast<double>(StaticValue));
    case fillRandom:
        if (!parts_.Empty()) [[unlikely]] {
            const auto [range, offset] = parts_.Pick(kvl::Random());
            return kvl::TVariant(static_cast<double>(Rounded(range->first + offset)));
        }
        if (rounding_ <= 0) return kvl::TVariant(TPlainRealDraw(DrawLow, DrawHigh)(kvl::detail::generator()));
        return kvl::TVariant(TRealDraw{DrawLow, DrawHigh, rounding_}(kvl::detail::generator()));
    case fillList:
        return kvl::TVariant(kvl::StrToFloat(RandomEntry(ListValues)));
    case fillReferential:
        return kvl::TVariant(kvl::StrToFloat(RandomEntry(RefValues)));
    case fillIncreasing: {
        const long double value = Counter;
        Counter += StaticValue;
        return kvl::TVariant(static_cast<double>(value));
    }
    default:
        return kvl::TVariant();
    }
}

long double TFloatFillField::Rounded(long double value) const {
    return rounding_ <= 0 ? value : std::round(value * rounding_) / rounding_;
}

int TFloatFillField::GetFieldDatatype() const {
    return 6;
}
