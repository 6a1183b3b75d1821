#include "Drivers.h"

#include "Ukvl_connectivityfactory.h"
#include "soci/SociConnection.h"
#include "sqlite/SqliteDriver.h"

namespace kvl {

void KVL_RegisterStandardDrivers() {
    KVL_RegisterDriver("sqlite", [](const std::string& cs) {
        return std::make_unique<TKVL_SociConnection>(std::make_unique<TKVL_SqliteDriver>(cs));
    });
}

} // namespace kvl
