#pragma once
#include <QLibrary>
#include <string>

// A module package loaded at start: Initialize on load, Finalize before unload.
class TKorvelPackage {
public:
    // Raises kvl::Exception when the library or one of its entry points is missing.
    explicit TKorvelPackage(const QString& fileName);
    ~TKorvelPackage();
    TKorvelPackage(const TKorvelPackage&) = delete;
    TKorvelPackage& operator=(const TKorvelPackage&) = delete;

    // The names of the package's units, in their start order.
    std::string UnitNames() const;

private:
    QFunctionPointer entry(const char* name);

    QLibrary library_;
    void (*finalize_)() = nullptr;
    QFunctionPointer infoTable_ = nullptr;
};
