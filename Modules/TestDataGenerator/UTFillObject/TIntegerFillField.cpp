#include "TIntegerFillField.h"

#include "EFillError.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Random.h"
#include "base/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

TIntegerFillField::TIntegerFillField(const KFillRecord& rec) : TCustomFillField(rec) {
    GeneratorName = FirstGenerator();
}

bool TIntegerFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillFixed:
        return true;
    case fillRandom:
        return RangeFrom != RangeTo;
    case fillList:
        return !ListValues.IsEmpty();
    case fillGenerator:
        return !GeneratorName.empty();
    case fillIncreasing:
        return StaticValue != 0;
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

namespace {
bool isInteger(const std::string& text) {
    int32_t v = 0;
    return kvl::TryStrToInt(text, v);
}
} // namespace

void TIntegerFillField::prepareInsert() {
    TCustomFillField::prepareInsert();
    Counter = RangeFrom;
    PrepareNumberLists(isInteger);
    if (FillType == fillRandom) {
        if (RangeTo < RangeFrom) std::swap(RangeFrom, RangeTo);
        DrawLow = RangeFrom < 0 ? int64_t{RangeFrom} - 1 : RangeFrom;
        DrawHigh = RangeTo > 0 ? int64_t{RangeTo} + 1 : RangeTo;
    }
}

kvl::TVariant TIntegerFillField::getInsertValue() {
    switch (FillType) {
    case fillFixed:
        return kvl::TVariant(StaticValue);
    case fillRandom: {
        // Only a draw of exactly 0 can give the widened lower bound itself; it is kept in range.
        const long double x = DrawLow + static_cast<long double>(kvl::Random()) * (DrawHigh - DrawLow);
        return kvl::TVariant(std::max(static_cast<double>(std::trunc(x)), static_cast<double>(RangeFrom)));
    }
    case fillList:
        return kvl::TVariant(kvl::StrToInt(RandomEntry(ListValues)));
    case fillReferential:
        return kvl::TVariant(kvl::StrToInt(RandomEntry(RefValues)));
    case fillIncreasing: {
        int32_t value = Counter;
        Counter = static_cast<int32_t>(static_cast<uint32_t>(Counter) + static_cast<uint32_t>(StaticValue));
        return kvl::TVariant(value);
    }
    default:
        return kvl::TVariant();
    }
}

int TIntegerFillField::GetFieldDatatype() const {
    if (DataTypeName == "SmallInt") return 2;
    if (DataTypeName == "Integer" || DataTypeName == "Decimal" || DataTypeName == "Numeric") return 3;
    if (DataTypeName == "Int64") return 25;
    if (DataTypeName == "Word") return 4;
    return 0;
}
