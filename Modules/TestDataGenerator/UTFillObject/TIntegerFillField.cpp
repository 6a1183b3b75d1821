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
    halves_ = {};
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

// A draw is k / 2^32 with a whole k of 32 bits, so x = DrawLow + k * span / 2^32 is known exactly
// in whole numbers and its truncation toward zero needs no extended arithmetic. 32 bits are as
// fine as a 32-bit range needs, and one step of the generator gives two draws.
struct TIntegerDraw {
    int64_t DrawLow;
    uint64_t Span;
    int32_t RangeFrom, RangeTo;

    int32_t operator()(uint32_t k) const {
        // the widest span, the whole 32-bit range widened at both ends, is 2^32 + 1: the product
        // stays below 2^64
        const uint64_t product = uint64_t{k} * Span;
        int64_t value = DrawLow + static_cast<int64_t>(product >> 32);
        // x lies between two whole numbers unless its fraction is 0; toward zero is the upper one
        // below zero
        if (value < 0 && static_cast<uint32_t>(product) != 0) ++value;
        // Only a draw of exactly 0 can give the widened lower bound itself; it is kept in range.
        return static_cast<int32_t>(std::clamp<int64_t>(value, RangeFrom, RangeTo));
    }

    // A range that starts at or above zero is never widened below and its x is never negative:
    // the draw is the product alone.
    int32_t NonNegative(uint32_t k) const {
        return static_cast<int32_t>(DrawLow + static_cast<int64_t>((uint64_t{k} * Span) >> 32));
    }
};

TIntegerDraw drawOf(const TIntegerFillField& field) {
    return {field.DrawLow, static_cast<uint64_t>(field.DrawHigh - field.DrawLow), field.RangeFrom,
            field.RangeTo};
}

template <bool NonNegative> double drawn(const TIntegerDraw& draw, uint32_t k) {
    return static_cast<double>(NonNegative ? draw.NonNegative(k) : draw(k));
}

// Without NULL draws between them the values take the generator's steps in pairs.
template <bool NonNegative>
void fillPairs(std::span<kvl::TVariant> out, const TIntegerDraw& draw, kvl::TRandomGenerator& g,
               TDrawHalves& halves) {
    size_t i = 0;
    if (halves.HasSpare && !out.empty()) out[i++] = kvl::TVariant(drawn<NonNegative>(draw, halves(g)));
    for (; i + 1 < out.size(); i += 2) {
        const uint64_t bits = g.Next();
        out[i] = kvl::TVariant(drawn<NonNegative>(draw, static_cast<uint32_t>(bits >> 32)));
        out[i + 1] = kvl::TVariant(drawn<NonNegative>(draw, static_cast<uint32_t>(bits)));
    }
    if (i < out.size()) out[i] = kvl::TVariant(drawn<NonNegative>(draw, halves(g)));
}

} // namespace

bool TIntegerFillField::PlainRandom() const {
    return FillType == fillRandom && parts_.Empty();
}

void TIntegerFillField::FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) {
    if (!PlainRandom()) return TCustomFillField::FillValues(out, nulls);
    const TIntegerDraw draw = drawOf(*this);
    kvl::TLocalRandom random;
    TDrawHalves halves = halves_;
    if (nulls.Include) {
        const TNullDraw nullDraw = nulls;
        for (kvl::TVariant& slot : out)
            slot = nullDraw(*random) ? kvl::TVariant::Null()
                                     : kvl::TVariant(drawn<false>(draw, halves(*random)));
    } else if (DrawLow >= 0) { // the usual range of counts, ages, prices
        fillPairs<true>(out, draw, *random, halves);
    } else {
        fillPairs<false>(out, draw, *random, halves);
    }
    halves_ = halves;
}

// Each whole number of the ranges is as likely as any other.
int32_t TIntegerFillField::PartsValue() const {
    const auto [range, offset] = parts_.Pick(kvl::Random());
    return static_cast<int32_t>(std::min(range->first + std::floor(offset), range->second));
}

kvl::TVariant TIntegerFillField::getInsertValue() {
    // the common kind first, ahead of the table of kinds
    if (FillType == fillRandom) [[likely]]
        return kvl::TVariant(static_cast<double>(
            parts_.Empty() ? drawOf(*this)(halves_(kvl::detail::generator())) : PartsValue()));
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
