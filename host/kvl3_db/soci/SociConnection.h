#pragma once
#include "../Ukvl_connection.h"
#include "SociDriver.h"

#include <cstdint>
#include <memory>
#include <set>

namespace soci {
class session;
}

namespace kvl {

class TKVL_SociConnection final : public TKVL_Connection {
public:
    explicit TKVL_SociConnection(std::unique_ptr<TKVL_SociDriver> driver);
    ~TKVL_SociConnection() override;

    bool Connected() const override { return session_ != nullptr; }
    void Connect() override;
    void Disconnect() override;
    int ServerKind() const override { return driver_->ServerKind(); }
    bool HasFeature(TKVL_DriverFeature feature) const override { return driver_->HasFeature(feature); }
    std::string ModeText() const override { return driver_->ModeText(); }
    std::string ConnectionString() const override { return driver_->ConnectionString(); }
    void ExecuteCommand(const std::string& kind, const std::string& sql) override;

    std::unique_ptr<TKVL_Connection> Clone() const override;
    std::unique_ptr<TKVL_Transaction> NewTransaction() override;
    std::unique_ptr<TKVL_Query> NewQuery() override;
    std::shared_ptr<IKVL_Database> Database() override;
    std::string NextValueExpression(const std::string& sequenceName) const override {
        return driver_->NextValueExpression(sequenceName);
    }
    std::unique_ptr<TKVL_BulkInsert> NewBulkInsert(const TKVL_BulkTarget& target) override;

    // For the statements and transactions of this connection.
    soci::session& Session(); // connects on demand
    const TKVL_SociDriver& Driver() const { return *driver_; }
    bool InTransaction() const { return inTransaction_; }
    // Called as a transaction begins or ends.
    void SetInTransaction(bool value);
    // Changes whenever a transaction begins or ends, so that work kept for one transaction
    // (a savepoint) can tell that its transaction is gone.
    uint64_t TransactionSerial() const { return transactionSerial_; }
    // What keeps a failed statement of the open transaction to itself; nil where the driver
    // needs nothing of the kind or the session is closed.
    TKVL_RowIsolation* Isolation() const { return isolation_.get(); }
    bool AutoStartTransaction() const { return autoStart_; }
    void SetAutoStartTransaction(bool value) { autoStart_ = value; }
    // Ends the work of a statement that ran without a transaction of ours, where the client
    // library would otherwise keep it open (and hold its locks and snapshot).
    void AfterWorkOutsideTransaction();
    // The transaction of the session, through the driver's own session where it has one.
    void BeginWork();
    void CommitWork();
    void RollbackWork();
    TKVL_NativeSession* Native() const { return native_.get(); }
    // Raises the database error that a client library exception stands for.
    [[noreturn]] void Fail(const std::exception& e) const;
    // After the server was found gone, nothing more is asked of it: every later request fails at
    // once, and the session is let go without a goodbye.
    void MarkLost() const { lost_ = true; }
    bool Lost() const { return lost_; }
    void ThrowIfLost() const;
    // Statements are finalised before their session closes, or the server keeps it open.
    void Register(TKVL_Query* query) { queries_.insert(query); }
    void Unregister(TKVL_Query* query) { queries_.erase(query); }

private:
    std::unique_ptr<TKVL_SociDriver> driver_;
    std::unique_ptr<soci::session> session_;
    std::unique_ptr<TKVL_RowIsolation> isolation_;
    std::unique_ptr<TKVL_NativeSession> native_;
    std::shared_ptr<IKVL_Database> database_;
    bool inTransaction_ = false;
    uint64_t transactionSerial_ = 0;
    bool autoStart_ = false;
    mutable bool lost_ = false;
    std::set<TKVL_Query*> queries_;
};

} // namespace kvl
