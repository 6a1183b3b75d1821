#include "FirebirdSession.h"

#include "FirebirdStatement.h"

#include <soci/firebird/soci-firebird.h>
#include <soci/soci.h>

namespace kvl {

void KVL_FirebirdThrow(const ISC_STATUS* status) {
    // the client library's own wording: the server's lines, one below the other
    char line[512];
    const ISC_STATUS* vector = status;
    std::string message;
    if (fb_interpret(line, sizeof line, &vector)) message = line;
    while (fb_interpret(line, sizeof line, &vector)) {
        message += "\n";
        message += line;
    }
    throw soci::firebird_soci_error(message, status);
}

namespace {
void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1]) KVL_FirebirdThrow(status);
}
} // namespace

TKVL_FirebirdSession::~TKVL_FirebirdSession() {
    try {
        Finish();
    } catch (...) {
        // the attachment closes after this and ends the transaction itself
    }
}

isc_tr_handle* TKVL_FirebirdSession::Transaction() {
    if (transaction_) return &transaction_;
    ISC_STATUS_ARRAY status{};
    isc_start_transaction(status, &transaction_, 1, &database_, 0, nullptr);
    check(status);
    return &transaction_;
}

void TKVL_FirebirdSession::Commit() {
    if (!transaction_ || abandoned_) return;
    ISC_STATUS_ARRAY status{};
    // a refused commit leaves the transaction open, for the caller to roll back
    isc_commit_transaction(status, &transaction_);
    check(status);
    transaction_ = 0;
}

void TKVL_FirebirdSession::Rollback() {
    if (!transaction_ || abandoned_) return;
    ISC_STATUS_ARRAY status{};
    isc_rollback_transaction(status, &transaction_);
    check(status);
    transaction_ = 0;
}

void TKVL_FirebirdSession::Finish() {
    // what was left open outside a transaction of the caller's is kept, as on closing a session
    Commit();
}

void TKVL_FirebirdSession::Abandon() {
    abandoned_ = true;
    transaction_ = 0;
}

void TKVL_FirebirdSession::ExecuteCommand(const std::string& sql) {
    ISC_STATUS_ARRAY status{};
    isc_dsql_execute_immediate(status, &database_, Transaction(), 0, sql.c_str(), SQL_DIALECT_V6, nullptr);
    check(status);
}

std::unique_ptr<TKVL_DirectStatement> TKVL_FirebirdSession::Prepare(const std::string& sql) {
    return std::make_unique<TKVL_FirebirdStatement>(*this, sql);
}

namespace {
// The backend's type information is not exported, so this cast cannot be checked at run time.
// The attachment handle is a public member; it is only read.
__attribute__((no_sanitize("vptr"))) isc_db_handle attachmentOf(soci::session& session) {
    soci::details::session_backend* backend = session.get_backend();
    if (!backend || backend->get_backend_name() != "firebird") return 0;
    return static_cast<soci::firebird_session_backend*>(backend)->dbhp_;
}
} // namespace

std::unique_ptr<TKVL_NativeSession> KVL_FirebirdSessionOf(soci::session& session) {
    isc_db_handle database = attachmentOf(session);
    if (!database) return nullptr;
    return std::make_unique<TKVL_FirebirdSession>(database);
}

} // namespace kvl
