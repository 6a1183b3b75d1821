#pragma once
#include "TCustomFillField.h"

// Booleans and bits.
class TBoolBitFillField : public TCustomFillField {
public:
    explicit TBoolBitFillField(const KFillRecord& rec);
    int GetFieldDatatype() const override;
};
