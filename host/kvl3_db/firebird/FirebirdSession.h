#pragma once
#include "../soci/DirectStatement.h"

#include <ibase.h>

#include <memory>
#include <string>

namespace soci {
class session;
}

namespace kvl {

// The transaction and the statements of a Firebird session, on the client API with descriptors
// of our own: the client library's exchange carries neither BOOLEAN values nor text BLOBs, nor a
// NULL for a parameter the server describes as not nullable. The client library's transaction
// cannot be reached, so every statement of the attachment runs in this one.
class TKVL_FirebirdSession final : public TKVL_NativeSession {
public:
    explicit TKVL_FirebirdSession(isc_db_handle database) : database_(database) {}
    ~TKVL_FirebirdSession() override;
    TKVL_FirebirdSession(const TKVL_FirebirdSession&) = delete;
    TKVL_FirebirdSession& operator=(const TKVL_FirebirdSession&) = delete;

    void Begin() override { Transaction(); }
    void Commit() override;
    void Rollback() override;
    void Finish() override;
    void Abandon() override;
    void ExecuteCommand(const std::string& sql) override;
    std::unique_ptr<TKVL_DirectStatement> Prepare(const std::string& sql) override;

    isc_db_handle* Database() { return &database_; }
    // The open transaction, started when there is none, as the client library does.
    isc_tr_handle* Transaction();

private:
    isc_db_handle database_;
    isc_tr_handle transaction_ = 0;
    bool abandoned_ = false;
};

// The attachment of a session of the client library; nil when it is not Firebird's.
std::unique_ptr<TKVL_NativeSession> KVL_FirebirdSessionOf(soci::session& session);

// Raises the client library's error for a failed call, with the server's words and codes.
[[noreturn]] void KVL_FirebirdThrow(const ISC_STATUS* status);

} // namespace kvl
