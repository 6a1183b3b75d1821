#pragma once
#include "Ukvl_connection.h"

#include <functional>
#include <memory>
#include <string>

namespace kvl {

// The connection of the active session; set by the application, not owned by callers.
TKVL_Connection* KVL_CurrentConnection();
void KVL_SetCurrentConnection(TKVL_Connection* connection);

// Every object returned below is owned by the caller.
// A second connection to the same database; connectNow opens it at once.
std::unique_ptr<TKVL_Connection> KVL_CloneConnection(const TKVL_Connection& connection, bool connectNow,
                                                     bool shareTransaction);
std::unique_ptr<TKVL_Transaction> KVL_GetTransaction(TKVL_Connection& connection, bool autoStart);
std::unique_ptr<TKVL_Query> KVL_GetCursor(TKVL_Connection& connection, const std::string& sql);
std::unique_ptr<TKVL_Query> KVL_GetDataset(TKVL_Connection& connection, const std::string& sql);
std::unique_ptr<TKVL_Statement> KVL_GetStatement(TKVL_Connection& connection, const std::string& sql);

// Opens a connection from a connection string: "sqlite:PATH", "postgresql://...", "firebird:PATH?user=..".
// Raises EKVL_DatabaseError for an unknown scheme.
using TKVL_DriverFactory =
    std::function<std::unique_ptr<TKVL_Connection>(const std::string& connectionString)>;
void KVL_RegisterDriver(const std::string& scheme, TKVL_DriverFactory factory);
std::unique_ptr<TKVL_Connection> KVL_OpenConnection(const std::string& connectionString,
                                                    bool connectNow = true);

} // namespace kvl
