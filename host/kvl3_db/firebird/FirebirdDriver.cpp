#include "FirebirdDriver.h"

#include "../DataTypeCode.h"
#include "../FieldType.h"
#include "../ServerKind.h"
#include "../soci/SociRows.h"
#include "FirebirdCatalogue.h"
#include "FirebirdSession.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/StringList.h"
#include "base/SysUtils.h"

#include <soci/firebird/soci-firebird.h>
#include <soci/soci.h>

#include <algorithm>
#include <iterator>
#include <mutex>
#include <vector>

namespace kvl {

TKVL_FirebirdDriver::TKVL_FirebirdDriver(std::string connectionString)
    : TKVL_SociDriver(std::move(connectionString)) {
    const std::string& cs = ConnectionString();
    TKVL_UriParts uri = KVL_SplitUri(cs);
    host_ = uri.Host;
    port_ = uri.Port;
    path_ = uri.Path;
    for (const auto& [key, value] : uri.Query)
        options_[LowerCase(key)] = value;
    if (!uri.User.empty()) options_["user"] = uri.User;
    if (!uri.Password.empty()) options_["password"] = uri.Password;
    if (path_.empty()) throw EKVL_DatabaseError(Format("No database file in \"%s\".", {cs}));
}

int TKVL_FirebirdDriver::ServerKind() const {
    return Embedded() ? skFirebirdEmbedded : skFirebird;
}

bool TKVL_FirebirdDriver::HasFeature(TKVL_DriverFeature feature) const {
    switch (feature) {
    case Sequences:
    case SequenceExpression: // Gen_ID(name, 1)
    case IndexSwitching:     // ALTER INDEX name INACTIVE
    case TriggerSwitching:   // ALTER TRIGGER name INACTIVE
    case OpenEndedWork:
        return true;
    default:
        // a failed statement undoes only itself: no savepoint of ours is needed
        return false;
    }
}

namespace {
// The client library answers SIGINT and SIGTERM by shutting every attachment down, in the middle
// of whatever the program was doing. The program has its own answer to a signal (a run stops
// after the row in progress and commits what it has), so the library's is declined.
int declineSignalShutdown(const int reason, const int, void*) {
    return reason == fb_shutrsn_signal ? 1 : 0;
}
} // namespace

const soci::backend_factory& TKVL_FirebirdDriver::Backend() const {
    static std::once_flag registered;
    std::call_once(registered, [] {
        ISC_STATUS_ARRAY status{};
        fb_shutdown_callback(status, declineSignalShutdown, fb_shut_confirmation, nullptr);
    });
    return *soci::factory_firebird();
}

std::string TKVL_FirebirdDriver::SociConnectString() const {
    std::string service = path_;
    if (!Embedded()) service = host_ + (port_.empty() ? std::string() : "/" + port_) + ":" + path_;
    std::string out = "service=" + service;
    for (const auto& [key, value] : options_)
        out += " " + key + "=" + value;
    return out;
}

TKVL_SlotKind TKVL_FirebirdDriver::SlotFor(int fieldType) const {
    switch (fieldType) {
    case ftDate:
    case ftTime:
    case ftDateTime:
        return TKVL_SlotKind::TmValue;
    case ftBoolean: // sent as text, which the server converts
        return TKVL_SlotKind::BooleanText;
    default:
        return TKVL_SociDriver::SlotFor(fieldType);
    }
}

std::unique_ptr<TKVL_NativeSession> TKVL_FirebirdDriver::CreateNativeSession(soci::session& session) const {
    return KVL_FirebirdSessionOf(session);
}

namespace {
// What is let go of is kept, unused, to the end of the process: freeing a statement or detaching
// asks the server, and a server that shut the attachment down may never answer.
template <class T> void keep(std::unique_ptr<T> object) {
    static auto* kept = new std::vector<std::unique_ptr<T>>;
    kept->push_back(std::move(object));
}
} // namespace

void TKVL_FirebirdDriver::CloseLost(std::unique_ptr<soci::statement> statement) const {
    keep(std::move(statement));
}

void TKVL_FirebirdDriver::CloseLost(std::unique_ptr<soci::session> session) const {
    keep(std::move(session));
}

namespace {
// The codes of a status vector that say the attachment is gone: shut down by the server or an
// administrator, or the network between them failed.
bool saysLost(const std::vector<ISC_STATUS>& status) {
    static const ISC_STATUS lost[] = {isc_att_shutdown,      isc_shutdown,     isc_conn_lost,
                                      isc_network_error,     isc_net_read_err, isc_net_write_err,
                                      isc_lost_db_connection};
    for (size_t i = 0; i + 1 < status.size() && status[i] != isc_arg_end;) {
        const ISC_STATUS kind = status[i];
        if (kind == isc_arg_gds &&
            std::find(std::begin(lost), std::end(lost), status[i + 1]) != std::end(lost))
            return true;
        i += kind == isc_arg_cstring ? 3 : 2;
    }
    return false;
}
} // namespace

bool TKVL_FirebirdDriver::ConnectionLost(soci::session&, const std::exception* failure) const {
    // Told by the failure's own codes: a shut down attachment may leave a question to the server
    // unanswered for ever.
    auto* error = dynamic_cast<const soci::firebird_soci_error*>(failure);
    return error && saysLost(error->status_);
}

std::string TKVL_FirebirdDriver::CleanMessage(const std::string& message) const {
    return KVL_FirebirdCleanMessage(message);
}

std::string KVL_FirebirdCleanMessage(const std::string& message) {
    std::string m = message;
    // The client library appends the statement (and the values bound to it) to the server's words.
    for (const char* marker : {" while executing \"", " while preparing \"", " while fetching"}) {
        auto at = m.find(marker);
        if (at != std::string::npos) m = m.substr(0, at);
    }
    return Trim(m);
}

std::shared_ptr<TKVL_CatalogueSource> TKVL_FirebirdDriver::CreateCatalogueSource() const {
    return std::make_shared<TKVL_FirebirdCatalogue>(SociConnectString(), path_);
}

std::unique_ptr<TKVL_SociDriver> TKVL_FirebirdDriver::Clone() const {
    return std::make_unique<TKVL_FirebirdDriver>(ConnectionString());
}

TKVL_FirebirdType KVL_FirebirdTypeOf(int fieldType, int subType, int scale, int precision, int charLength,
                                     int byteLength) {
    TKVL_FirebirdType t;
    bool exact = fieldType == blr_short || fieldType == blr_long || fieldType == blr_int64;
    if (exact && (subType == 1 || subType == 2 || scale < 0)) {
        // NUMERIC and DECIMAL are integers of the server with a decimal scale.
        t.Code = subType == 2 ? dtDecimal : dtNumeric;
        if (precision == 0) precision = fieldType == blr_short ? 4 : fieldType == blr_long ? 9 : 18;
        t.Precision = std::to_string(precision);
        t.Scale = std::to_string(-scale);
        t.Text =
            Format("%s(%s,%s)", {std::string(subType == 2 ? "DECIMAL" : "NUMERIC"), t.Precision, t.Scale});
        return t;
    }
    int length = charLength > 0 ? charLength : byteLength;
    switch (fieldType) {
    case blr_short:
        t = {dtSmallInt, "", "", "", "SMALLINT"};
        break;
    case blr_long:
        t = {dtInteger, "", "", "", "INTEGER"};
        break;
    case blr_int64:
        t = {dtBigInt, "", "", "", "BIGINT"};
        break;
    case blr_float:
        t = {dtFloat, "", "", "", "FLOAT"};
        break;
    case blr_double:
        t = {dtDoublePrecision, "", "", "", "DOUBLE PRECISION"};
        break;
    case blr_sql_date:
        t = {dtDate, "", "", "", "DATE"};
        break;
    case blr_sql_time:
        t = {dtTime, "", "", "", "TIME"};
        break;
    case blr_timestamp:
        t = {dtTimestamp, "", "", "", "TIMESTAMP"};
        break;
    case blr_bool:
        t = {dtBoolean, "", "", "", "BOOLEAN"};
        break;
    case blr_text:
        t = {dtChar, std::to_string(length), "", "", Format("CHAR(%d)", {length})};
        break;
    case blr_varying:
        t = {dtVarchar, std::to_string(length), "", "", Format("VARCHAR(%d)", {length})};
        break;
    case blr_blob:
        t.Code = subType == 0 ? dtBlob : subType == 1 ? dtVarchar : dtUnsupported;
        t.Text = Format("BLOB SUB_TYPE %d", {subType});
        break;
    default:
        t.Text = Format("TYPE %d", {fieldType});
        break;
    }
    return t;
}

} // namespace kvl
