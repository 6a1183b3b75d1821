#include "Kvl3m_tdg.h"

#include "uTestDataGeneratorModule.h"

#include <iterator>

namespace {

// In dependency order. The units before the module's own need no start or end: their state is
// made on first use.
const TKVL_PackageUnit kUnits[] = {
    {"UTFillConstants", nullptr, nullptr},
    {"uMaskedValue", nullptr, nullptr},
    {"UTFillObject", nullptr, nullptr},
    {"uTDGTableShuffle", nullptr, nullptr},
    {"UTFillProjects", nullptr, nullptr},
    {"uTFillStructureEngineVEX", nullptr, nullptr},
    {"fTestDataGenerator", nullptr, nullptr},
    {"uTestDataGeneratorModule", uTestDataGeneratorModule_Initialization,
     uTestDataGeneratorModule_Finalization},
};

const TKVL_PackageInfoTable kTable = {static_cast<int>(std::size(kUnits)), kUnits};

} // namespace

extern "C" {

__attribute__((visibility("default"))) void Initialize() {
    for (const auto& unit : kUnits)
        if (unit.Initialization) unit.Initialization();
}

__attribute__((visibility("default"))) void Finalize() {
    for (auto unit = std::rbegin(kUnits); unit != std::rend(kUnits); ++unit)
        if (unit->Finalization) unit->Finalization();
}

__attribute__((visibility("default"))) const TKVL_PackageInfoTable* GetPackageInfoTable() {
    return &kTable;
}
}
