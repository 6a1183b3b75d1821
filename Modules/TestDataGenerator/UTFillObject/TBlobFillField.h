#pragma once
#include "TCustomFillField.h"

#include <sstream>

// The contents of files.
class TBlobFillField : public TCustomFillField {
public:
    explicit TBlobFillField(const KFillRecord& rec);
    int GetFieldDatatype() const override;

    // The stream of the row's value; the caller sets its position back to 0 after use.
    virtual std::istream& getInsertBlobValue();

protected:
    std::istringstream Current;
};
