#include "TGUIDFillField.h"

TGUIDFillField::TGUIDFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

int TGUIDFillField::GetFieldDatatype() const {
    return 35;
}
