#include "PostgresStatement.h"

#include "../SqlParams.h"
#include "PostgresDriver.h"

#include <libpq-fe.h>

#include <atomic>

namespace kvl {

TKVL_PostgresStatement::~TKVL_PostgresStatement() {
    // a server that is gone, or may never answer, is not asked to free it
    if (abandoned_ || PQstatus(conn_) != CONNECTION_OK) return;
    PQclear(PQexec(conn_, ("deallocate " + name_).c_str()));
}

std::unique_ptr<TKVL_DirectStatement> KVL_PostgresPrepare(soci::session& session, const std::string& sql) {
    PGconn* conn = KVL_PostgresHandle(session);
    if (!conn) return nullptr;
    // the client library names its own statements differently
    static std::atomic<unsigned long> counter{0};
    std::string name = "kvl_direct_" + std::to_string(++counter);
    PGresult* result = PQprepare(conn, name.c_str(), SqlWithNumberedParams(sql).c_str(), 0, nullptr);
    const bool prepared = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!prepared) return nullptr;
    return std::make_unique<TKVL_PostgresStatement>(conn, std::move(name));
}

} // namespace kvl
