#pragma once

namespace kvl {

// The host's data type numbers of catalogue columns (IKVL_Column::DataTypeCode): the module
// chooses a column's generator by them, so the numbers are fixed. The drivers give these.
enum TKVL_DataTypeCode : int {
    dtUnsupported = 0,
    dtBoolean = 1,
    dtGuid = 3,
    dtDecimal = 13,
    dtNumeric = 14,
    dtSmallInt = 15,
    dtInteger = 17,
    dtBigInt = 19,
    dtFloat = 24,
    dtDoublePrecision = 25,
    dtDate = 27,
    dtTime = 28,
    dtTimestamp = 29,
    dtTinyInt = 35,
    dtChar = 36,
    dtVarchar = 37,
    dtBlob = 43,
};

} // namespace kvl
