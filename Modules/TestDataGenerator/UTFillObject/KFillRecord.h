#pragma once
#include "kvl3_db/Ukvl_catalogue.h"

#include <cstdint>
#include <memory>
#include <string>

class TFillProject;

// How the catalogue describes one column to the fill field that will fill it.
struct KFillRecord {
    std::string DataTypeName; // "SmallInt", "Word", "Integer", "Int64", "Decimal", "Numeric", "Char", ...
    std::string ColumnName;
    bool Nullable = true;
    int32_t Size = 0;
    int16_t Precision = 0;
    int16_t Scale = 0;
    bool HasDefault = false;
    TFillProject* Project = nullptr;
    std::shared_ptr<kvl::IKVL_Column> Column;
};
