#pragma once

namespace kvl {

// Registers every driver that this build has with the connection factory ("sqlite",
// "postgresql", "firebird", "mariadb" and "mysql").
void KVL_RegisterStandardDrivers();

} // namespace kvl
