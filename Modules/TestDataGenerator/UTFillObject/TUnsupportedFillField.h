#pragma once
#include "TCustomFillField.h"

// A column of a type that no generator serves: it is never given a value.
class TUnsupportedFillField : public TCustomFillField {
public:
    using TCustomFillField::TCustomFillField;
};
