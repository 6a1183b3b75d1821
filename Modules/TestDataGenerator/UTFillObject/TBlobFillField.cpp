#include "TBlobFillField.h"

TBlobFillField::TBlobFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

int TBlobFillField::GetFieldDatatype() const {
    return 15;
}

std::istream& TBlobFillField::getInsertBlobValue() {
    return Current;
}
