#include "TFillProjects.h"

namespace {

// The list is stored before the handler runs: a handler that raises must not be asked again, so
// the empty list it leaves is what every later request sees.
kvl::TStringList& externalList(std::unique_ptr<kvl::TStringList>& slot, TExternalDataKind kind,
                               const TExternalDataInit& onInit) {
    if (slot) return *slot;
    slot = std::make_unique<kvl::TStringList>();
    if (onInit) onInit(kind, *slot);
    return *slot;
}

} // namespace

kvl::TStringList& TFillProjects::GetCities() {
    return externalList(Cities, xdCities, OnExternalDataInit);
}

kvl::TStringList& TFillProjects::GetCountries() {
    return externalList(Countries, xdCountries, OnExternalDataInit);
}

kvl::TStringList& TFillProjects::GetFirstnames() {
    return externalList(Firstnames, xdFirstNames, OnExternalDataInit);
}

kvl::TStringList& TFillProjects::GetLastnames() {
    return externalList(Lastnames, xdLastNames, OnExternalDataInit);
}

kvl::TStringList& TFillProjects::GetStreets() {
    return externalList(Streets, xdStreets, OnExternalDataInit);
}
