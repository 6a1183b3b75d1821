#pragma once
#include "TCustomFillField.h"

// Real numbers with the column's decimal places.
class TFloatFillField : public TCustomFillField {
public:
    explicit TFloatFillField(const KFillRecord& rec);
    int GetFieldDatatype() const override;

    std::string GeneratorName;
};
