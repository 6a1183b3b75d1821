#include "SociTransaction.h"

#include "SociConnection.h"
#include "base/Exceptions.h"

#include <soci/soci.h>

namespace kvl {

void TKVL_SociTransaction::StartTransaction() {
    if (connection_.InTransaction()) return;
    try {
        connection_.BeginWork();
        connection_.SetInTransaction(true);
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
}

namespace {

// A commit that the server refuses leaves the transaction open on some servers (Firebird,
// SQLite). Its work is lost either way, so it is rolled back here: no later commit, nor the one
// the client library makes when the session closes, may keep those rows by accident. A lost
// connection is only let go.
[[noreturn]] void refused(TKVL_SociConnection& connection, const std::exception& e) {
    try {
        connection.Fail(e);
    } catch (const EKVL_ConnectionLost&) {
        throw;
    } catch (...) {
        try {
            connection.RollbackWork();
        } catch (...) {
            // the refusal is what the caller must hear about
        }
        throw;
    }
}

} // namespace

void TKVL_SociTransaction::Commit() {
    if (!connection_.InTransaction()) return;
    connection_.SetInTransaction(false);
    try {
        connection_.CommitWork();
    } catch (const std::exception& e) {
        refused(connection_, e);
    }
}

void TKVL_SociTransaction::Rollback() {
    if (!connection_.InTransaction()) return;
    connection_.SetInTransaction(false);
    try {
        connection_.RollbackWork();
    } catch (const std::exception& e) {
        connection_.Fail(e);
    }
}

bool TKVL_SociTransaction::InTransaction() const {
    return connection_.InTransaction();
}

void TKVL_SociTransaction::SetTransactionFlag(bool autoStart) {
    connection_.SetAutoStartTransaction(autoStart);
}

} // namespace kvl
