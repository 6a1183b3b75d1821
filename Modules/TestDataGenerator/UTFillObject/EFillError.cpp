#include "EFillError.h"

#include "base/Format.h"

EFillNoReferentialValuesError::EFillNoReferentialValuesError(const std::string& tableName,
                                                             const std::string& columnName) {
    SetMessage(kvl::Format("%s in \"%s.%s\".", {GetBaseMessage(), tableName, columnName}));
}
