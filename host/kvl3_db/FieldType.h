#pragma once

namespace kvl {

// Parameter and field types of the database-access layer; the numbers are stored and compared.
enum TFieldType : int {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBlob = 15,
    ftWideString = 24,
    ftLargeint = 25,
    ftGuid = 35,
};

} // namespace kvl
