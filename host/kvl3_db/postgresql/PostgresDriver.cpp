#include "PostgresDriver.h"

#include "../DataTypeCode.h"
#include "../FieldType.h"
#include "../ServerKind.h"
#include "../soci/SociRows.h"
#include "PostgresBulkInsert.h"
#include "PostgresCatalogue.h"
#include "PostgresRowIsolation.h"
#include "PostgresStatement.h"
#include "base/Exceptions.h"
#include "base/StringList.h"
#include "base/SysUtils.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>

#include <libpq-fe.h>

namespace kvl {

TKVL_PostgresDriver::TKVL_PostgresDriver(std::string connectionString)
    : TKVL_SociDriver(std::move(connectionString)) {}

int TKVL_PostgresDriver::ServerKind() const {
    return skPostgreSQL;
}

bool TKVL_PostgresDriver::HasFeature(TKVL_DriverFeature feature) const {
    switch (feature) {
    case RowSavepoint: // one failed statement aborts the whole transaction otherwise
    case Sequences:
    case SequenceExpression: // nextval('name')
    case NamedSchemas:
    case DeferrableConstraints:
    case UpdateFromValues:
    case BulkLoad: // COPY ... FROM STDIN
        return true;
    default:
        return false;
    }
}

const soci::backend_factory& TKVL_PostgresDriver::Backend() const {
    return *soci::factory_postgresql();
}

namespace {
// A server that stops answering, or a host that is gone, ends the session within about a minute
// instead of leaving a fill waiting for ever; what the user gives is kept.
const std::pair<const char*, const char*> WatchDefaults[] = {
    {"connect_timeout", "15"}, {"keepalives_idle", "30"},     {"keepalives_interval", "10"},
    {"keepalives_count", "3"}, {"tcp_user_timeout", "60000"},
};
} // namespace

std::string TKVL_PostgresDriver::SociConnectString() const {
    std::string out = KVL_PostgresConnectString(ConnectionString());
    for (const auto& [key, value] : WatchDefaults)
        if (out.find(std::string(key) + "=") == std::string::npos)
            out += std::string(out.empty() ? "" : " ") + key + "='" + value + "'";
    return out;
}

std::string KVL_PostgresConnectString(const std::string& uri) {
    // SOCI reads keyword/value texts only, so the URI is taken apart here.
    TKVL_UriParts split = KVL_SplitUri(uri);
    if (!split.HasAuthority) return uri.substr(uri.find(':') + 1); // already keyword/value text
    std::vector<std::pair<std::string, std::string>> parts;
    auto add = [&parts](const char* key, const std::string& value) {
        if (!value.empty()) parts.emplace_back(key, value);
    };
    add("user", split.User);
    add("password", split.Password);
    add("port", split.Port);
    add("host", split.Host);
    add("dbname", split.Path.empty() ? std::string() : split.Path.substr(1));
    parts.insert(parts.end(), split.Query.begin(), split.Query.end());
    std::string out;
    for (const auto& [key, value] : parts)
        out += (out.empty() ? "" : " ") + key + "=" + KVL_QuotedKeywordValue(value);
    return out;
}

namespace {

void ignoreNotice(void*, const char*) {}

// The backends' type information is not exported, so these casts cannot be checked at run time.
__attribute__((no_sanitize("vptr"))) PGconn* connectionOf(soci::details::session_backend* backend) {
    return static_cast<soci::postgresql_session_backend*>(backend)->conn_;
}

} // namespace

PGconn* KVL_PostgresHandle(soci::session& session) {
    // Which backend a session has is told by its name.
    soci::details::session_backend* backend = session.get_backend();
    if (!backend || backend->get_backend_name() != "postgresql") return nullptr;
    return connectionOf(backend);
}

void TKVL_PostgresDriver::AfterConnect(soci::session& session) const {
    // Notices (implicit sequences, skipped objects) would otherwise go to the process's stderr.
    if (PGconn* conn = KVL_PostgresHandle(session)) PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
}

TKVL_SlotKind TKVL_PostgresDriver::SlotFor(int fieldType) const {
    // Large objects are not what a bytea column holds: binary data goes as the hex text input form.
    if (fieldType == ftBlob) return TKVL_SlotKind::HexText;
    return TKVL_SociDriver::SlotFor(fieldType);
}

std::unique_ptr<TKVL_RowIsolation> TKVL_PostgresDriver::CreateRowIsolation() const {
    return std::make_unique<TKVL_PostgresRowIsolation>();
}

std::unique_ptr<TKVL_DirectStatement> TKVL_PostgresDriver::PrepareDirect(soci::session& session,
                                                                         const std::string& sql) const {
    return KVL_PostgresPrepare(session, sql);
}

std::unique_ptr<TKVL_BulkInsert> TKVL_PostgresDriver::CreateBulkInsert(TKVL_SociConnection& connection,
                                                                       const TKVL_BulkTarget& target) const {
    return std::make_unique<TKVL_PostgresBulkInsert>(connection, target);
}

bool TKVL_PostgresDriver::ConnectionLost(soci::session& session, const std::exception*) const {
    PGconn* conn = KVL_PostgresHandle(session);
    return conn && PQstatus(conn) == CONNECTION_BAD;
}

std::string TKVL_PostgresDriver::CleanMessage(const std::string& message) const {
    return KVL_PostgresCleanMessage(message);
}

std::string TKVL_PostgresDriver::NextValueExpression(const std::string& sequenceName) const {
    // nextval reads its argument as a name: a quoted one keeps its case and characters
    std::string quoted = sequenceName;
    if (quoted.empty() || quoted.front() != '"') {
        quoted = "\"";
        for (char c : sequenceName)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        quoted += '"';
    }
    std::string literal;
    for (char c : quoted)
        literal += c == '\'' ? std::string("''") : std::string(1, c);
    return "nextval('" + literal + "')";
}

std::string KVL_PostgresCleanMessage(const std::string& message) {
    std::string m = message;
    auto executing = m.find(" while executing \"");
    if (executing != std::string::npos) m = m.substr(0, executing);
    // The client library puts its own words before the server's "ERROR:  ...".
    for (const char* marker : {"ERROR:  ", "FATAL:  ", "PANIC:  "}) {
        auto at = m.find(marker);
        if (at != std::string::npos) {
            m = m.substr(at + std::char_traits<char>::length(marker));
            break;
        }
    }
    // libpq shows where in the statement the error is: a "LINE n:" excerpt and a caret line.
    TStringList lines;
    lines.SetText(m);
    std::string out;
    bool caretNext = false;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines[i];
        if (caretNext) {
            caretNext = false;
            if (Trim(line) == "^") continue;
        }
        if (line.rfind("LINE ", 0) == 0) {
            caretNext = true;
            continue;
        }
        out += (out.empty() ? "" : "\n") + line;
    }
    return Trim(out);
}

std::shared_ptr<TKVL_CatalogueSource> TKVL_PostgresDriver::CreateCatalogueSource() const {
    return std::make_shared<TKVL_PostgresCatalogue>(SociConnectString());
}

std::unique_ptr<TKVL_SociDriver> TKVL_PostgresDriver::Clone() const {
    return std::make_unique<TKVL_PostgresDriver>(ConnectionString());
}

TKVL_PostgresType KVL_PostgresTypeOf(const std::string& typeName, int typeModifier) {
    TKVL_PostgresType t;
    if (typeName == "text") {
        t.Code = dtVarchar;
    } else if (typeName == "varchar" || typeName == "bpchar") {
        t.Code = typeName == "varchar" ? dtVarchar : dtChar;
        if (typeModifier >= 4) t.Length = std::to_string(typeModifier - 4);
    } else if (typeName == "numeric") {
        t.Code = dtNumeric;
        if (typeModifier >= 4) {
            int packed = typeModifier - 4;
            t.Precision = std::to_string((packed >> 16) & 0xffff);
            // the scale is a signed 11-bit number since PostgreSQL 15
            int scale = packed & 0x7ff;
            if (scale & 0x400) scale -= 0x800;
            t.Scale = std::to_string(scale);
        }
    } else {
        static const std::pair<const char*, TKVL_DataTypeCode> codes[] = {{"bool", dtBoolean},
                                                                          {"uuid", dtGuid},
                                                                          {"int2", dtSmallInt},
                                                                          {"int4", dtInteger},
                                                                          {"int8", dtBigInt},
                                                                          {"float4", dtFloat},
                                                                          {"float8", dtDoublePrecision},
                                                                          {"date", dtDate},
                                                                          {"time", dtTime},
                                                                          {"timestamp", dtTimestamp},
                                                                          {"timestamptz", dtTimestamp},
                                                                          {"bytea", dtBlob}};
        for (const auto& [name, code] : codes)
            if (typeName == name) t.Code = code;
    }
    return t;
}

} // namespace kvl
