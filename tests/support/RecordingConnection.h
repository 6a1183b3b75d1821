#pragma once
// A connection of any server kind that runs nothing and records every text it is given, for
// the kinds that have no engine on this machine.
#include "kvl3_db/Ukvl_connection.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct RecordingLog {
    std::vector<std::string> Lines;
    std::function<void(const std::string& sql)> Fail; // may throw for a text
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
    void ExecuteCommand(const std::string& kind, const std::string& sql) override;
    std::unique_ptr<kvl::TKVL_Connection> Clone() const override;
    std::unique_ptr<kvl::TKVL_Transaction> NewTransaction() override;
    std::unique_ptr<kvl::TKVL_Query> NewQuery() override;
    std::shared_ptr<kvl::IKVL_Database> Database() override { return nullptr; }

private:
    int kind_;
    std::shared_ptr<RecordingLog> log_;
    bool connected_ = false;
};

// A schema that double-quotes names and gives no objects.
std::shared_ptr<kvl::IKVL_Schema> QuotingSchema();
