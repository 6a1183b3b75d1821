#pragma once
#include "TCustomFillField.h"

// Globally unique identifiers.
class TGUIDFillField : public TCustomFillField {
public:
    explicit TGUIDFillField(const KFillRecord& rec);
    int GetFieldDatatype() const override;
};
