#pragma once
#include "base/Exceptions.h"

#include <string>

class EFillError : public kvl::Exception {
public:
    using kvl::Exception::Exception;
};

// A failure while a fill field gets ready for a run; its text is the base message and a full stop.
class EFillPrepareError : public EFillError {
public:
    EFillPrepareError() : EFillError(std::string()) {}
    virtual std::string GetBaseMessage() const = 0;

protected:
    void SetBaseText() { SetMessage(GetBaseMessage() + "."); }
};

class EFillNoReferentialValuesError final : public EFillPrepareError {
public:
    EFillNoReferentialValuesError(const std::string& tableName, const std::string& columnName);
    std::string GetBaseMessage() const override { return "no referential values found"; }
};

class EFillNoListValuesError final : public EFillPrepareError {
public:
    EFillNoListValuesError() { SetBaseText(); }
    std::string GetBaseMessage() const override { return "no list values found"; }
};
