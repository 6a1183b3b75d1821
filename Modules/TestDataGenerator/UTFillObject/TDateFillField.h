#pragma once
#include "TCustomFillField.h"

// Dates, times and date-times.
class TDateFillField : public TCustomFillField {
public:
    explicit TDateFillField(const KFillRecord& rec);
    int GetFieldDatatype() const override;
};
