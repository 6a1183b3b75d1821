#include "SqliteDriver.h"

#include "../DataTypeCode.h"
#include "../ServerKind.h"
#include "SqliteCatalogue.h"
#include "SqliteStatement.h"
#include "base/SysUtils.h"

#include "base/Exceptions.h"

#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <mutex>

namespace kvl {

TKVL_SqliteDriver::TKVL_SqliteDriver(std::string connectionString)
    : TKVL_SociDriver(std::move(connectionString)) {
    // SQLite counts its memory under a lock of its own on every allocation: half the locks of a
    // fill (1.5 % of its time, 200,000 demo rows). Nothing here reads the count. It can be
    // switched off only before the library's first connection: later the call is refused.
    static std::once_flag once;
    std::call_once(once, [] { sqlite_api::sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    std::string rest = ConnectionString().substr(ConnectionString().find(':') + 1);
    if (rest.rfind("//", 0) == 0) rest = rest.substr(2);
    fileName_ = rest;
}

int TKVL_SqliteDriver::ServerKind() const {
    return skSQLite;
}

bool TKVL_SqliteDriver::HasFeature(TKVL_DriverFeature feature) const {
    // foreign keys declared DEFERRABLE INITIALLY DEFERRED wait for the commit
    return feature == TKVL_DriverFeature::DeferrableConstraints;
}

const soci::backend_factory& TKVL_SqliteDriver::Backend() const {
    return *soci::factory_sqlite3();
}

std::string TKVL_SqliteDriver::SociConnectString() const {
    return "db=\"" + fileName_ + "\" timeout=30";
}

void TKVL_SqliteDriver::AfterConnect(soci::session& session) const {
    // Constraints that the schema declares should hold for generated rows too.
    session << "pragma foreign_keys = on";
}

std::unique_ptr<TKVL_DirectStatement> TKVL_SqliteDriver::PrepareDirect(soci::session& session,
                                                                       const std::string& sql) const {
    return KVL_SqlitePrepare(session, sql);
}

std::string TKVL_SqliteDriver::CleanMessage(const std::string& message) const {
    std::string m = message;
    // The client library appends the statement (and the values bound to it) to the server's words.
    for (const char* marker : {" while executing \"", " while preparing \""}) {
        auto at = m.find(marker);
        if (at != std::string::npos) m = m.substr(0, at);
    }
    if (m.rfind("sqlite3_", 0) == 0) {
        auto colon = m.find(": ");
        if (colon != std::string::npos) m = m.substr(colon + 2);
    }
    return Trim(m);
}

std::shared_ptr<TKVL_CatalogueSource> TKVL_SqliteDriver::CreateCatalogueSource() const {
    return std::make_shared<TKVL_SqliteCatalogue>(*this);
}

std::unique_ptr<TKVL_SociDriver> TKVL_SqliteDriver::Clone() const {
    return std::make_unique<TKVL_SqliteDriver>(ConnectionString());
}

namespace {
bool has(const std::string& upper, const char* word) {
    return upper.find(word) != std::string::npos;
}

void readSize(const std::string& declared, TKVL_SqliteType& t) {
    auto open = declared.find('(');
    auto close = declared.find(')', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) return;
    std::string inner = declared.substr(open + 1, close - open - 1);
    auto comma = inner.find(',');
    std::string first = Trim(inner.substr(0, comma));
    std::string second = comma == std::string::npos ? std::string() : Trim(inner.substr(comma + 1));
    t.Length = first;
    t.Precision = first;
    t.Scale = second.empty() ? "0" : second;
}
} // namespace

TKVL_SqliteType KVL_SqliteTypeOf(const std::string& declaredType) {
    TKVL_SqliteType t;
    std::string u = UpperCase(declaredType);
    readSize(declaredType, t);
    if (has(u, "BOOL") || u == "BIT")
        t.Code = dtBoolean;
    else if (has(u, "UUID") || has(u, "GUID") || has(u, "UNIQUEIDENTIFIER"))
        t.Code = dtGuid;
    else if (has(u, "BIGINT") || has(u, "BIG INT") || has(u, "INT8"))
        t.Code = dtBigInt;
    else if (has(u, "TINYINT"))
        t.Code = dtTinyInt;
    else if (has(u, "SMALLINT") || has(u, "INT2"))
        t.Code = dtSmallInt;
    else if (has(u, "INT"))
        t.Code = dtInteger;
    else if (has(u, "DECIMAL"))
        t.Code = dtDecimal;
    else if (has(u, "NUMERIC"))
        t.Code = dtNumeric;
    else if (has(u, "DOUBLE"))
        t.Code = dtDoublePrecision;
    else if (has(u, "REAL") || has(u, "FLOAT"))
        t.Code = dtFloat;
    else if (has(u, "DATETIME") || has(u, "TIMESTAMP"))
        t.Code = dtTimestamp;
    else if (has(u, "DATE"))
        t.Code = dtDate;
    else if (has(u, "TIME"))
        t.Code = dtTime;
    else if (has(u, "VARCHAR") || has(u, "VARYING") || has(u, "TEXT") || has(u, "CLOB"))
        t.Code = dtVarchar;
    else if (has(u, "CHAR"))
        t.Code = dtChar;
    else if (has(u, "BLOB") || has(u, "BINARY"))
        t.Code = dtBlob;
    else if (u.empty() || u == "ANY" || has(u, "JSON"))
        // a column of no type (or STRICT's ANY) keeps whatever it is given; JSON is text
        t.Code = dtVarchar;
    if (t.Code != dtDecimal && t.Code != dtNumeric) {
        t.Precision.clear();
        t.Scale.clear();
    }
    if (t.Code != dtChar && t.Code != dtVarchar) t.Length.clear();
    return t;
}

} // namespace kvl
