#pragma once
#include "TCustomFillField.h"

// Booleans and bits: a fixed or a random truth value.
class TBoolBitFillField : public TCustomFillField {
public:
    using TCustomFillField::TCustomFillField;

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    int GetFieldDatatype() const override;

    bool StaticValue = false;
};
