#include "RecordingConnection.h"

#include "RecordingEngine.h"
#include "base/Exceptions.h"

namespace {

class Transaction : public kvl::TKVL_Transaction {
public:
    explicit Transaction(RecordingLog& log) : log_(log) {}
    void StartTransaction() override { note("start", true); }
    void Commit() override { note("commit", false); }
    void Rollback() override { note("rollback", false); }
    bool InTransaction() const override { return active_; }
    void SetTransactionFlag(bool) override {}

private:
    void note(const char* line, bool active) {
        active_ = active;
        log_.Lines.push_back(line);
    }
    RecordingLog& log_;
    bool active_ = false;
};

class Schema : public kvl::IKVL_Schema, public FakeTableObject {
public:
    Schema() : FakeTableObject("", "") {}
    kvl::TKVL_InterfaceListRef Tables() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef Relations() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef Generators() const override { return nullptr; }
    kvl::TKVL_Capability Capability(int) const override { return {}; }
    std::string KindDisplayName(int, bool) const override { return ""; }
    std::string FormatObjectName(const std::string& name, const std::string& owner, bool) const override {
        return QuotedIdentifier(name, owner);
    }
    std::shared_ptr<kvl::IKVL_Database> Database() const override { return nullptr; }
};

} // namespace

void RecordingConnection::ExecuteCommand(const std::string& kind, const std::string& sql) {
    log_->Lines.push_back(kind + ": " + sql);
    if (log_->Fail) log_->Fail(sql);
}

std::unique_ptr<kvl::TKVL_Connection> RecordingConnection::Clone() const {
    return std::make_unique<RecordingConnection>(kind_, log_);
}

std::unique_ptr<kvl::TKVL_Transaction> RecordingConnection::NewTransaction() {
    return std::make_unique<Transaction>(*log_);
}

std::unique_ptr<kvl::TKVL_Query> RecordingConnection::NewQuery() {
    auto query = std::make_unique<RecordingStatement>();
    query->Owner = this;
    query->Ran = [log = log_](const std::string& sql) {
        log->Lines.push_back(sql);
        if (log->Fail) log->Fail(sql);
    };
    return query;
}

std::shared_ptr<kvl::IKVL_Schema> QuotingSchema() {
    return std::make_shared<Schema>();
}
