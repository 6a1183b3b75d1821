#pragma once
#include "TCustomFillField.h"
#include "TRangeDraw.h"

// Real numbers; random values of a NUMERIC or DECIMAL column are rounded to its places and kept
// within its digits.
// Bounds, step and counter are kept in extended precision so that long increasing runs drift
// as little as the platform allows.
class TFloatFillField : public TCustomFillField {
public:
    explicit TFloatFillField(const KFillRecord& rec);

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    void FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) override;
    void prepareInsert() override;
    int GetFieldDatatype() const override;
    std::optional<kvl::TVariant> ValueFrom(const kvl::TVariant& low, bool strict) override;

    long double Counter = 0;
    std::string GeneratorName;
    long double RangeFrom = 0; // lower bound of random values; start of increasing values
    long double RangeTo = 0;
    long double StaticValue = 0; // the fixed value; the step of increasing values
    long double DrawLow = 0;
    long double DrawHigh = 0;

private:
    long double rounding_ = 0; // 10 to the column's places; 0: not rounded
    TRangeDraw parts_;         // prepared from the own range and RangeParts, when there are parts
    long double Rounded(long double value) const;
    long double Largest() const;
    void PrepareParts();
};
