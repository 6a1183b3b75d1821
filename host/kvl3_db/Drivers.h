#pragma once

namespace kvl {

// Registers every driver that this build has with the connection factory ("sqlite",
// "postgresql", "firebird").
void KVL_RegisterStandardDrivers();

} // namespace kvl
