#include "TIntegerFillField.h"

#include "EFillError.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Random.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

TIntegerFillField::TIntegerFillField(const KFillRecord& rec) : TCustomFillField(rec) {
    GeneratorName = FirstGenerator();
}

bool TIntegerFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillFixed:
        return true;
    case fillRandom:
        return RangeFrom != RangeTo || HasRangeParts();
    case fillList:
        return !ListValues.IsEmpty();
    case fillGenerator:
        return !GeneratorName.empty();
    case fillIncreasing:
        return StaticValue != 0;
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

namespace {
bool isInteger(const std::string& text) {
    int32_t v = 0;
    return kvl::TryStrToInt(text, v);
}
} // namespace

// The values the column's type holds, within the 32 bits of the field.
std::pair<int64_t, int64_t> TIntegerFillField::TypeRange() const {
    if (DataTypeName == "SmallInt") return {INT16_MIN, INT16_MAX};
    if (DataTypeName == "Word") return {0, UINT16_MAX};
    if ((DataTypeName == "Numeric" || DataTypeName == "Decimal") && Precision > 0 && Precision < 10) {
        int64_t top = 1;
        for (int i = 0; i < Precision; ++i)
            top *= 10;
        return {1 - top, top - 1};
    }
    return {INT32_MIN, INT32_MAX};
}

void TIntegerFillField::prepareInsert() {
    TCustomFillField::prepareInsert();
    Counter = RangeFrom;
    PrepareNumberLists(isInteger);
    if (FillType == fillRandom) {
        if (RangeTo < RangeFrom) std::swap(RangeFrom, RangeTo);
        auto [low, high] = TypeRange();
        RangeFrom = static_cast<int32_t>(std::clamp<int64_t>(RangeFrom, low, high));
        RangeTo = static_cast<int32_t>(std::clamp<int64_t>(RangeTo, low, high));
        DrawLow = RangeFrom < 0 ? int64_t{RangeFrom} - 1 : RangeFrom;
        DrawHigh = RangeTo > 0 ? int64_t{RangeTo} + 1 : RangeTo;
    }
    parts_.Clear();
    if (FillType == fillRandom && HasRangeParts()) parts_.Prepare(DrawRanges(), 1);
}

// The own range and the further ones, each within the type.
std::vector<TRangeDraw::TRange> TIntegerFillField::DrawRanges() const {
    const auto [low, high] = TypeRange();
    std::vector<TRangeDraw::TRange> ranges{{RangeFrom, RangeTo}};
    for (auto [from, to] : RangeParts)
        ranges.emplace_back(
            std::clamp(std::ceil(std::min(from, to)), static_cast<double>(low), static_cast<double>(high)),
            std::clamp(std::floor(std::max(from, to)), static_cast<double>(low), static_cast<double>(high)));
    return ranges;
}

namespace {

// A draw is k / 2^53 with a whole k, so x = DrawLow + k * span / 2^53 is known exactly in 128 bits.
constexpr int FractionBits = 53;
constexpr uint64_t FractionMask = (uint64_t{1} << FractionBits) - 1;
// The two roundings of the extended product and sum stay below 2^-29 for spans of 33 bits; a
// fraction this close to a whole number could come out on the other side of it there.
constexpr uint64_t RoundingMargin = uint64_t{1} << 26;

[[gnu::noinline]] int64_t ExtendedDraw(int64_t low, int64_t high, uint64_t k) {
    const double r = static_cast<double>(k) * 0x1.0p-53;
    const long double x = low + static_cast<long double>(r) * (high - low);
    return static_cast<int64_t>(std::trunc(x));
}

} // namespace

namespace {

// The value of x truncated toward zero in extended precision, found with whole numbers: the
// extended arithmetic costs more than all the rest of a value together. Inline, as a value of
// this kind costs little more than its draw; held in locals, so that a loop keeps it in registers.
struct TIntegerDraw {
    int64_t DrawLow, DrawHigh;
    int32_t RangeFrom, RangeTo;

    int32_t operator()(kvl::TRandomGenerator& g) const {
        // the draw kvl::Random(g) is k / 2^53: its k taken straight, without a round trip through
        // a double
        const uint64_t k = g.Next() >> 11;
        const auto product = static_cast<unsigned __int128>(k) * static_cast<uint64_t>(DrawHigh - DrawLow);
        const auto fraction = static_cast<uint64_t>(product) & FractionMask;
        int64_t value = 0;
        if (fraction - RoundingMargin > FractionMask - 2 * RoundingMargin) [[unlikely]] {
            value = ExtendedDraw(DrawLow, DrawHigh, k);
        } else {
            // x lies strictly between two whole numbers; toward zero is the upper one below zero
            value = DrawLow + static_cast<int64_t>(product >> FractionBits);
            if (value < 0) ++value;
        }
        // Only a draw of exactly 0 can give the widened lower bound itself; it is kept in range.
        return static_cast<int32_t>(std::clamp<int64_t>(value, RangeFrom, RangeTo));
    }
};

} // namespace

inline int32_t TIntegerFillField::RandomValue() const {
    return TIntegerDraw{DrawLow, DrawHigh, RangeFrom, RangeTo}(kvl::detail::generator());
}

bool TIntegerFillField::PlainRandom() const {
    return FillType == fillRandom && parts_.Empty();
}

void TIntegerFillField::FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) {
    if (!PlainRandom()) return TCustomFillField::FillValues(out, nulls);
    const TIntegerDraw draw{DrawLow, DrawHigh, RangeFrom, RangeTo};
    const TNullDraw nullDraw = nulls;
    kvl::TLocalRandom random;
    for (kvl::TVariant& slot : out)
        slot = nullDraw(*random) ? kvl::TVariant::Null() : kvl::TVariant(static_cast<double>(draw(*random)));
}

// Each whole number of the ranges is as likely as any other.
int32_t TIntegerFillField::PartsValue() const {
    const auto [range, offset] = parts_.Pick(kvl::Random());
    return static_cast<int32_t>(std::min(range->first + std::floor(offset), range->second));
}

kvl::TVariant TIntegerFillField::getInsertValue() {
    // the common kind first, ahead of the table of kinds
    if (FillType == fillRandom) [[likely]]
        return kvl::TVariant(static_cast<double>(parts_.Empty() ? RandomValue() : PartsValue()));
    switch (FillType) {
    case fillFixed:
        return kvl::TVariant(StaticValue);
    case fillList:
        return kvl::TVariant(kvl::StrToInt(RandomEntry(ListValues)));
    case fillReferential:
        return kvl::TVariant(kvl::StrToInt(RandomEntry(RefValues)));
    case fillIncreasing: {
        int32_t value = Counter;
        Counter = static_cast<int32_t>(static_cast<uint32_t>(Counter) + static_cast<uint32_t>(StaticValue));
        return kvl::TVariant(value);
    }
    default:
        return kvl::TVariant();
    }
}

std::optional<kvl::TVariant> TIntegerFillField::ValueFrom(const kvl::TVariant& low, bool strict) {
    if (FillType != fillRandom) return std::nullopt;
    const double l = low.AsDouble();
    const auto [typeLow, typeHigh] = TypeRange();
    const auto from =
        static_cast<int64_t>(std::clamp(strict ? std::floor(l) + 1 : std::ceil(l),
                                        static_cast<double>(typeLow), static_cast<double>(typeHigh)));
    const int64_t reach = std::max<int64_t>(1, (int64_t{RangeTo} - RangeFrom) / 10);
    const int64_t top = std::max<int64_t>(from, std::min<int64_t>(RangeTo, from + reach));
    const auto offset = static_cast<int64_t>(kvl::Random() * static_cast<double>(top - from + 1));
    return kvl::TVariant(static_cast<double>(std::min(from + offset, top)));
}

int TIntegerFillField::GetFieldDatatype() const {
    if (DataTypeName == "SmallInt") return 2;
    if (DataTypeName == "Integer" || DataTypeName == "Decimal" || DataTypeName == "Numeric") return 3;
    if (DataTypeName == "Int64") return 25;
    if (DataTypeName == "Word") return 4;
    return 0;
}
