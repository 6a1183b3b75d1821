#include "Drivers.h"

#include "Ukvl_connectivityfactory.h"
#include "firebird/FirebirdDriver.h"
#include "mariadb/MariadbDriver.h"
#include "postgresql/PostgresDriver.h"
#include "soci/SociConnection.h"
#include "sqlite/SqliteDriver.h"

namespace kvl {

namespace {
template <class Driver> TKVL_DriverFactory factoryOf() {
    return [](const std::string& cs) {
        return std::make_unique<TKVL_SociConnection>(std::make_unique<Driver>(cs));
    };
}
} // namespace

void KVL_RegisterStandardDrivers() {
    KVL_RegisterDriver("sqlite", factoryOf<TKVL_SqliteDriver>());
    KVL_RegisterDriver("postgresql", factoryOf<TKVL_PostgresDriver>());
    KVL_RegisterDriver("postgres", factoryOf<TKVL_PostgresDriver>());
    KVL_RegisterDriver("firebird", factoryOf<TKVL_FirebirdDriver>());
    KVL_RegisterDriver("mariadb", factoryOf<TKVL_MariadbDriver>());
    KVL_RegisterDriver("mysql", factoryOf<TKVL_MariadbDriver>());
}

} // namespace kvl
