#pragma once
#include "TCustomFillField.h"

// Texts of every kind, within the column's length.
class TTextFillField : public TCustomFillField {
public:
    explicit TTextFillField(const KFillRecord& rec);
    int GetFieldDatatype() const override;
};
