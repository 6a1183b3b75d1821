#pragma once
#include "TCustomFillField.h"

// Globally unique identifiers: new random ones, or the values of another table's column.
class TGUIDFillField : public TCustomFillField {
public:
    using TCustomFillField::TCustomFillField;

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    void FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) override;
    void prepareInsert() override;
    int GetFieldDatatype() const override;
};
