#pragma once
// A connection of any server kind that runs nothing and records every text it is given, for
// the kinds that have no engine on this machine.
#include "RecordingEngine.h"
#include "kvl3_db/Ukvl_connection.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct RecordingLog {
    std::vector<std::string> Lines;
    std::function<void(const std::string& sql)> Fail; // may throw for a text

    void Run(const std::string& line, const std::string& sql) {
        Lines.push_back(line);
        if (Fail) Fail(sql);
    }
};

class RecordingTransaction : public kvl::TKVL_Transaction {
public:
    explicit RecordingTransaction(RecordingLog& log) : log_(log) {}
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

class RecordingConnection : public kvl::TKVL_Connection {
public:
    RecordingConnection(int serverKind, std::shared_ptr<RecordingLog> log)
        : kind_(serverKind), log_(std::move(log)) {}

    bool Connected() const override { return connected_; }
    void Connect() override { connected_ = true; }
    void Disconnect() override { connected_ = false; }
    int ServerKind() const override { return kind_; }
    std::string ModeText() const override { return "1"; }
    std::string ConnectionString() const override { return "recording:"; }
    void ExecuteCommand(const std::string& kind, const std::string& sql) override {
        log_->Run(kind + ": " + sql, sql);
    }
    std::unique_ptr<kvl::TKVL_Connection> Clone() const override {
        return std::make_unique<RecordingConnection>(kind_, log_);
    }
    std::unique_ptr<kvl::TKVL_Transaction> NewTransaction() override {
        return std::make_unique<RecordingTransaction>(*log_);
    }
    std::unique_ptr<kvl::TKVL_Query> NewQuery() override {
        auto query = std::make_unique<RecordingStatement>();
        query->Owner = this;
        query->Ran = [log = log_](const std::string& sql) { log->Run(sql, sql); };
        return query;
    }
    std::shared_ptr<kvl::IKVL_Database> Database() override { return nullptr; }

private:
    int kind_;
    std::shared_ptr<RecordingLog> log_;
    bool connected_ = false;
};

// A schema that double-quotes names and gives no objects.
class QuotingSchemaObject : public kvl::IKVL_Schema, public FakeTableObject {
public:
    QuotingSchemaObject() : FakeTableObject("", "") {}
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

inline std::shared_ptr<kvl::IKVL_Schema> QuotingSchema() {
    return std::make_shared<QuotingSchemaObject>();
}
