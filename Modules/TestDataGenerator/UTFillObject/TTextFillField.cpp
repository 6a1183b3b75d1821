#include "TTextFillField.h"

TTextFillField::TTextFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

int TTextFillField::GetFieldDatatype() const {
    return DataTypeName == "Char" || DataTypeName == "Varchar" ? 1 : 0;
}
