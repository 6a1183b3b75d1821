#include "TKorvelPackage.h"

#include "Kvl3m_tdg.h"
#include "base/Exceptions.h"

TKorvelPackage::TKorvelPackage(const QString& fileName) : library_(fileName) {
    if (!library_.load())
        throw kvl::Exception("Cannot load package: " + library_.errorString().toStdString());
    auto initialize = reinterpret_cast<TKVL_PackageProc>(entry("Initialize"));
    finalize_ = reinterpret_cast<TKVL_PackageProc>(entry("Finalize"));
    infoTable_ = entry("GetPackageInfoTable");
    initialize();
}

TKorvelPackage::~TKorvelPackage() {
    finalize_();
    // the module manager may still hold objects whose code lives in the package; the library
    // stays mapped until the process ends
}

QFunctionPointer TKorvelPackage::entry(const char* name) {
    QFunctionPointer function = library_.resolve(name);
    if (!function) throw kvl::Exception(std::string("Package entry point missing: ") + name);
    return function;
}

std::string TKorvelPackage::UnitNames() const {
    const TKVL_PackageInfoTable* table = reinterpret_cast<TKVL_GetPackageInfoTable>(infoTable_)();
    std::string names;
    for (int i = 0; i < table->UnitCount; ++i)
        names += (i ? " " : "") + std::string(table->Units[i].Name);
    return names;
}
