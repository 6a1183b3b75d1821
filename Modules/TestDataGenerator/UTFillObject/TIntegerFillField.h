#pragma once
#include "TCustomFillField.h"
#include "TRangeDraw.h"
#include "base/Random.h"

#include <utility>

// Random draws of 32 bits, two from each step of the generator. The second waits here for the
// field's next value, so that values made one by one and in blocks are the same ones.
struct TDrawHalves {
    uint32_t Spare = 0;
    bool HasSpare = false;

    uint32_t operator()(kvl::TRandomGenerator& g) {
        if (HasSpare) {
            HasSpare = false;
            return Spare;
        }
        const uint64_t bits = g.Next();
        Spare = static_cast<uint32_t>(bits);
        HasSpare = true;
        return static_cast<uint32_t>(bits >> 32);
    }
};

// Whole numbers in the 32-bit signed range; random ones also within the column's type (a small
// integer, a numeric's digits). The category decides the parameter type.
class TIntegerFillField : public TCustomFillField {
public:
    explicit TIntegerFillField(const KFillRecord& rec);

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    void FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) override;
    void prepareInsert() override;
    int GetFieldDatatype() const override;
    std::optional<kvl::TVariant> ValueFrom(const kvl::TVariant& low, bool strict) override;

    int32_t Counter = 0;
    std::string GeneratorName;
    int32_t RangeFrom = 0;
    int32_t RangeTo = 0;
    // Working bounds of random draws, one wider than the range away from zero; 64 bits so that
    // the ends of the 32-bit range can be widened as well.
    int64_t DrawLow = 0;
    int64_t DrawHigh = 0;
    int32_t StaticValue = 0; // the fixed value; the step of increasing values

    // The lowest and highest value the column's type holds, as far as the type's name tells.
    std::pair<int64_t, int64_t> TypeRange() const;

private:
    // The one kind the tight loop of FillValues makes: a draw from one range. Any other random
    // draw answers False here and goes value by value through getInsertValue.
    bool PlainRandom() const;
    int32_t PartsValue() const;
    std::vector<TRangeDraw::TRange> DrawRanges() const;
    TRangeDraw parts_; // prepared from the own range and RangeParts, when there are parts
    TDrawHalves halves_;
};
