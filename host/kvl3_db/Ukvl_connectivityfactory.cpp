#include "Ukvl_connectivityfactory.h"

#include "base/Exceptions.h"
#include "base/Format.h"

#include <map>
#include <mutex>

namespace kvl {

namespace {
TKVL_Connection* g_current = nullptr;

struct Registry {
    std::mutex lock;
    std::map<std::string, TKVL_DriverFactory> factories;
};
Registry& registry() {
    static Registry r;
    return r;
}
} // namespace

TKVL_Connection* KVL_CurrentConnection() {
    return g_current;
}
void KVL_SetCurrentConnection(TKVL_Connection* connection) {
    g_current = connection;
}

std::unique_ptr<TKVL_Connection> KVL_CloneConnection(const TKVL_Connection& connection, bool connectNow,
                                                     bool /*shareTransaction*/) {
    auto clone = connection.Clone();
    if (connectNow) clone->Connect();
    return clone;
}

std::unique_ptr<TKVL_Transaction> KVL_GetTransaction(TKVL_Connection& connection, bool autoStart) {
    auto t = connection.NewTransaction();
    t->SetTransactionFlag(autoStart);
    return t;
}

std::unique_ptr<TKVL_Query> KVL_GetCursor(TKVL_Connection& connection, const std::string& sql) {
    auto q = connection.NewQuery();
    q->SQL().SetText(sql);
    return q;
}

std::unique_ptr<TKVL_Query> KVL_GetDataset(TKVL_Connection& connection, const std::string& sql) {
    return KVL_GetCursor(connection, sql);
}

std::unique_ptr<TKVL_Statement> KVL_GetStatement(TKVL_Connection& connection, const std::string& sql) {
    return KVL_GetCursor(connection, sql);
}

void KVL_RegisterDriver(const std::string& scheme, TKVL_DriverFactory factory) {
    std::lock_guard guard(registry().lock);
    registry().factories[scheme] = std::move(factory);
}

std::unique_ptr<TKVL_Connection> KVL_OpenConnection(const std::string& connectionString, bool connectNow) {
    auto colon = connectionString.find(':');
    std::string scheme = colon == std::string::npos ? std::string() : connectionString.substr(0, colon);
    TKVL_DriverFactory factory;
    {
        std::lock_guard guard(registry().lock);
        auto it = registry().factories.find(scheme);
        if (it != registry().factories.end()) factory = it->second;
    }
    if (!factory)
        throw EKVL_DatabaseError(
            Format("Unknown kind of connection \"%s\" in \"%s\".", {scheme, connectionString}));
    auto connection = factory(connectionString);
    if (connectNow) connection->Connect();
    return connection;
}

} // namespace kvl
