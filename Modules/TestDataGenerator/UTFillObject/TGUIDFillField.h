#pragma once
#include "TCustomFillField.h"

#include <string>

// Globally unique identifiers: new random ones, or the values of another table's column.
class TGUIDFillField : public TCustomFillField {
public:
    using TCustomFillField::TCustomFillField;

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    void prepareInsert() override;
    int GetFieldDatatype() const override;
};

// A random (version 4) GUID in braces with upper-case hexadecimal digits grouped 8-4-4-4-12,
// drawn from the process's generator.
std::string NewGUIDText();
