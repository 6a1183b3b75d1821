#include "TFloatFillField.h"

TFloatFillField::TFloatFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

int TFloatFillField::GetFieldDatatype() const {
    return 6;
}
