#pragma once
// The entry points of the module's package, as the host finds them in the shared library.

extern "C" {

// One unit of the package with its start and end routines; either may be nil.
struct TKVL_PackageUnit {
    const char* Name;
    void (*Initialization)();
    void (*Finalization)();
};

struct TKVL_PackageInfoTable {
    int UnitCount;
    const TKVL_PackageUnit* Units;
};

// Runs the units' start routines in table order.
void Initialize();
// Runs the units' end routines in reverse table order.
void Finalize();
const TKVL_PackageInfoTable* GetPackageInfoTable();

using TKVL_PackageProc = void (*)();
using TKVL_GetPackageInfoTable = const TKVL_PackageInfoTable* (*)();
}
