#include "TDateFillField.h"

TDateFillField::TDateFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

int TDateFillField::GetFieldDatatype() const {
    if (DataTypeName == "Date") return 9;
    if (DataTypeName == "Time") return 10;
    if (DataTypeName == "DateTime") return 11;
    return 0;
}
