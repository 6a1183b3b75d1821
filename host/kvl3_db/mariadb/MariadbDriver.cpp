#include "MariadbDriver.h"

#include "../DataTypeCode.h"
#include "../FieldType.h"
#include "../ServerKind.h"
#include "../soci/SociRows.h"
#include "MariadbBulkInsert.h"
#include "MariadbCatalogue.h"
#include "MariadbStatement.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/SysUtils.h"

#include <soci/mysql/soci-mysql.h>
#include <soci/soci.h>

#include <errmsg.h>
#include <mysql.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <set>

namespace kvl {

namespace {
// The keys of a connection string's query that the client library takes.
const std::set<std::string> PassedKeys = {"charset",     "connect_timeout", "read_timeout", "write_timeout",
                                          "unix_socket", "sslca",           "sslcert",      "sslkey"};
} // namespace

TKVL_MariadbDriver::TKVL_MariadbDriver(std::string connectionString)
    : TKVL_SociDriver(std::move(connectionString)) {
    TKVL_UriParts uri = KVL_SplitUri(ConnectionString());
    if (!uri.HasAuthority || uri.Path.size() < 2)
        throw EKVL_DatabaseError(Format("No database in \"%s\".", {ConnectionString()}));
    for (const auto& [key, value] : uri.Query)
        if (!PassedKeys.count(LowerCase(key)))
            throw EKVL_DatabaseError(Format("Unknown option \"%s\" in \"%s\".", {key, ConnectionString()}));
}

int TKVL_MariadbDriver::ServerKind() const {
    return skMariaDB;
}

bool TKVL_MariadbDriver::HasFeature(TKVL_DriverFeature feature) const {
    switch (feature) {
    case Sequences:
    case SequenceExpression:        // nextval(name)
    case ForeignKeyChecksSwitching: // a row that points at itself can be deleted no other way
    case BulkLoad:                  // INSERT of many rows
        return true;
    default:
        // InnoDB undoes a failed statement alone, and autocommit ends work outside a transaction
        return false;
    }
}

const soci::backend_factory& TKVL_MariadbDriver::Backend() const {
    return *soci::factory_mysql();
}

std::string KVL_MariadbConnectString(const std::string& connectionString) {
    TKVL_UriParts uri = KVL_SplitUri(connectionString);
    std::vector<std::pair<std::string, std::string>> parts;
    auto add = [&parts](const std::string& key, const std::string& value) {
        if (!value.empty()) parts.emplace_back(key, value);
    };
    add("host", uri.Host);
    add("port", uri.Port);
    add("user", uri.User);
    add("password", uri.Password);
    add("db", uri.Path.empty() ? std::string() : uri.Path.substr(1));
    for (const auto& [key, value] : uri.Query)
        add(LowerCase(key), value);
    // Texts travel as UTF-8 whatever the server's own character set; a server that stops
    // answering a connect is given up on.
    for (const auto& [key, value] : {std::pair{"charset", "utf8mb4"}, std::pair{"connect_timeout", "15"}}) {
        bool given = std::any_of(parts.begin(), parts.end(), [&](const auto& p) { return p.first == key; });
        if (!given) parts.emplace_back(key, value);
    }
    std::string out;
    for (const auto& [key, value] : parts)
        out += (out.empty() ? "" : " ") + key + "=" + (key == "port" ? value : KVL_QuotedKeywordValue(value));
    return out;
}

std::string TKVL_MariadbDriver::SociConnectString() const {
    return KVL_MariadbConnectString(ConnectionString());
}

void TKVL_MariadbDriver::AfterConnect(soci::session& session) const {
    // Names are written in double quotes by every engine's SQL of the module; a value that does
    // not fit its column is refused rather than cut, on every kind of table.
    session << "set session sql_mode = concat(@@sql_mode, if(@@sql_mode = '', '', ','), "
               "'ANSI_QUOTES,STRICT_ALL_TABLES')";
}

TKVL_SlotKind TKVL_MariadbDriver::SlotFor(int fieldType) const {
    // The client library's binding has no BLOBs: binary data goes as a text of bytes.
    if (fieldType == ftBlob) return TKVL_SlotKind::Text;
    // The uuid type reads a GUID without the braces it is written with.
    if (fieldType == ftGuid) return TKVL_SlotKind::GuidText;
    return TKVL_SociDriver::SlotFor(fieldType);
}

std::unique_ptr<TKVL_BulkInsert> TKVL_MariadbDriver::CreateBulkInsert(TKVL_SociConnection& connection,
                                                                      const TKVL_BulkTarget& target) const {
    return std::make_unique<TKVL_MariadbBulkInsert>(connection, target);
}

std::unique_ptr<TKVL_DirectStatement> TKVL_MariadbDriver::PrepareDirect(soci::session& session,
                                                                        const std::string& sql) const {
    return KVL_MariadbPrepare(session, sql);
}

namespace {
// The backends' type information is not exported, so this cast cannot be checked at run time.
__attribute__((no_sanitize("vptr"))) MYSQL* connectionOf(soci::details::session_backend* backend) {
    return static_cast<soci::mysql_session_backend*>(backend)->conn_;
}
} // namespace

MYSQL* KVL_MariadbHandle(soci::session& session) {
    soci::details::session_backend* backend = session.get_backend();
    if (!backend || backend->get_backend_name() != "mysql") return nullptr;
    return connectionOf(backend);
}

bool KVL_MariadbLostError(unsigned number) {
    static const unsigned lost[] = {
        CR_SERVER_GONE_ERROR, // 2006
        CR_SERVER_LOST,       // 2013
        2055,                 // lost at a given stage of the exchange
        1927,                 // the server killed the connection
        1053,                 // the server is shutting down
        4031,                 // the server closed an idle connection
        1213,                 // a deadlock: the server rolled the whole transaction back
    };
    return std::find(std::begin(lost), std::end(lost), number) != std::end(lost);
}

bool TKVL_MariadbDriver::ConnectionLost(soci::session& session, const std::exception* failure) const {
    if (auto* e = dynamic_cast<const soci::mysql_soci_error*>(failure))
        return KVL_MariadbLostError(e->err_num_);
    if (auto* e = dynamic_cast<const EKVL_MariadbError*>(failure)) return KVL_MariadbLostError(e->Number());
    MYSQL* conn = KVL_MariadbHandle(session);
    return conn && KVL_MariadbLostError(mysql_errno(conn));
}

std::string TKVL_MariadbDriver::CleanMessage(const std::string& message) const {
    return KVL_MariadbCleanMessage(message);
}

std::string KVL_MariadbCleanMessage(const std::string& message) {
    std::string m = message;
    // The client library appends the statement (and the values bound to it) to the server's words.
    for (const char* marker : {" while executing \"", " while preparing \"", " while fetching"}) {
        auto at = m.find(marker);
        if (at != std::string::npos) m = m.substr(0, at);
    }
    // A syntax error names where the server stopped reading; the advice before it is left out.
    const std::string advice = "; check the manual that corresponds to your ";
    const std::string adviceEnd = " for the right syntax to use";
    auto at = m.find(advice);
    auto end = at == std::string::npos ? at : m.find(adviceEnd, at);
    if (end != std::string::npos) m = m.substr(0, at) + m.substr(end + adviceEnd.size());
    return Trim(m);
}

std::string TKVL_MariadbDriver::NextValueExpression(const std::string& sequenceName) const {
    std::string quoted = sequenceName;
    if (quoted.empty() || quoted.front() != '"') {
        quoted = "\"";
        for (char c : sequenceName)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        quoted += '"';
    }
    return "nextval(" + quoted + ")";
}

std::shared_ptr<TKVL_CatalogueSource> TKVL_MariadbDriver::CreateCatalogueSource() const {
    return std::make_shared<TKVL_MariadbCatalogue>(ConnectionString());
}

std::unique_ptr<TKVL_SociDriver> TKVL_MariadbDriver::Clone() const {
    return std::make_unique<TKVL_MariadbDriver>(ConnectionString());
}

namespace {

// The quoted values of "enum('a','b''c')" or "set(...)".
std::vector<std::string> labelsOf(const std::string& columnType) {
    std::vector<std::string> out;
    auto open = columnType.find('(');
    if (open == std::string::npos) return out;
    std::string label;
    bool quoted = false;
    for (size_t i = open + 1; i < columnType.size(); ++i) {
        char c = columnType[i];
        if (!quoted) {
            if (c == '\'') quoted = true;
            if (c == ')') break;
            continue;
        }
        if (c == '\\' && i + 1 < columnType.size()) {
            label += columnType[++i];
        } else if (c == '\'' && i + 1 < columnType.size() && columnType[i + 1] == '\'') {
            label += '\'';
            ++i;
        } else if (c == '\'') {
            quoted = false;
            out.push_back(label);
            label.clear();
        } else {
            label += c;
        }
    }
    return out;
}

struct IntegerKind {
    const char* name;
    int code, unsignedCode;
    long long low, high; // of the signed type; the unsigned one holds 0 to high * 2 + 1
};

const IntegerKind Integers[] = {
    {"tinyint", dtTinyInt, dtSmallInt, -128, 127},
    {"smallint", dtSmallInt, dtInteger, -32768, 32767},
    {"mediumint", dtInteger, dtInteger, -8388608, 8388607},
    {"int", dtInteger, dtBigInt, INT32_MIN, INT32_MAX},
    {"bigint", dtBigInt, dtBigInt, INT64_MIN, INT64_MAX},
};

std::string range(const std::string& low, const std::string& high) {
    return "VALUE between " + low + " and " + high;
}

bool integerType(const std::string& dataType, const std::string& columnType, TKVL_MariadbType& t) {
    for (const IntegerKind& k : Integers) {
        if (dataType != k.name) continue;
        const bool isUnsigned = columnType.find("unsigned") != std::string::npos;
        // BOOLEAN is a synonym of TINYINT(1)
        if (!isUnsigned && columnType.rfind("tinyint(1)", 0) == 0) {
            t.Code = dtBoolean;
            return true;
        }
        t.Code = isUnsigned ? k.unsignedCode : k.code;
        if (isUnsigned)
            t.Ranges.push_back(range("0", std::to_string(static_cast<unsigned long long>(k.high) * 2 + 1)));
        else if (dataType == "tinyint" || dataType == "mediumint")
            t.Ranges.push_back(range(std::to_string(k.low), std::to_string(k.high)));
        return true;
    }
    return false;
}

} // namespace

TKVL_MariadbType KVL_MariadbTypeOf(const std::string& dataType, const std::string& columnType,
                                   const std::string& charLength, const std::string& precision,
                                   const std::string& scale) {
    TKVL_MariadbType t;
    const std::string type = LowerCase(dataType);
    const std::string full = LowerCase(columnType);
    if (integerType(type, full, t)) return t;
    if (type == "decimal" || type == "numeric") {
        // the server keeps no difference between the two
        t.Code = dtNumeric;
        t.Precision = precision;
        t.Scale = scale;
    } else if (type == "char" || type == "varchar" || type == "tinytext") {
        t.Code = type == "char" ? dtChar : dtVarchar;
        t.Length = charLength;
    } else if (type == "enum" || type == "set") {
        // a SET takes any of its values alone as well
        t.Code = dtVarchar;
        t.Length = charLength;
        t.Labels = labelsOf(columnType);
    } else if (type == "year") {
        t.Code = dtSmallInt;
        t.Ranges.push_back(range("1901", "2155"));
    } else if (type == "bit") {
        // a wider bit string takes the whole number its bits spell; the precision is their count
        const int bits = std::atoi(precision.c_str());
        t.Code = bits == 1 ? dtBoolean : bits > 1 && bits < 64 ? dtBigInt : dtUnsupported;
        if (t.Code == dtBigInt) t.Ranges.push_back(range("0", std::to_string((1ULL << bits) - 1)));
    } else if (type == "inet4" || type == "inet6") {
        t.Code = dtVarchar;
        t.Length = type == "inet4" ? "15" : "39";
    } else if (type == "point" || type == "geometry") {
        // the server reads a geometry from its own binary form, which the files of such a column hold
        t.Code = dtBlob;
    } else if ((type == "binary" || type == "varbinary") && std::atoi(charLength.c_str()) <= 255) {
        // short binary strings (a uuid's 16 bytes, a hash) take text of that many bytes
        t.Code = type == "binary" ? dtChar : dtVarchar;
        t.Length = charLength;
    } else {
        static const std::pair<const char*, TKVL_DataTypeCode> codes[] = {
            {"float", dtFloat},        {"double", dtDoublePrecision},
            {"date", dtDate},          {"time", dtTime},
            {"datetime", dtTimestamp}, {"timestamp", dtTimestamp},
            {"text", dtVarchar},       {"mediumtext", dtVarchar},
            {"longtext", dtVarchar},   {"json", dtVarchar},
            {"uuid", dtGuid},          {"binary", dtBlob},
            {"varbinary", dtBlob},     {"tinyblob", dtBlob},
            {"blob", dtBlob},          {"mediumblob", dtBlob},
            {"longblob", dtBlob},
        };
        for (const auto& [name, code] : codes)
            if (type == name) t.Code = code;
    }
    return t;
}

} // namespace kvl
