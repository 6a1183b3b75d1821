#include "TBoolBitFillField.h"

#include "UTFillConstants.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/Random.h"

bool TBoolBitFillField::GetReadyForFilling() const {
    return FillType != fillNothing;
}

// Other codes come only from a hand-edited project file; each row fails and is logged.
kvl::TVariant TBoolBitFillField::getInsertValue() {
    switch (FillType) {
    case fillFixed:
        return kvl::TVariant(StaticValue);
    case fillRandom:
        return kvl::TVariant(kvl::Random(2) == 1);
    default:
        throw kvl::Exception(
            kvl::Format("Fill type (%d) not supported in %s", {FillType, "TBoolBitFillField"}));
    }
}

int TBoolBitFillField::GetFieldDatatype() const {
    return 5;
}
