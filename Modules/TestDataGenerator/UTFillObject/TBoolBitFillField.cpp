#include "TBoolBitFillField.h"

TBoolBitFillField::TBoolBitFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

int TBoolBitFillField::GetFieldDatatype() const {
    return 5;
}
