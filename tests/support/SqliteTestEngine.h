#pragma once
// A structure engine on a real SQLite database through the host's database services, for end
// to end runs. Columns are described by hand instead of being read from the catalogue; indices,
// triggers and the rest are the recording engine's.
#include "RecordingEngine.h"

class SqliteTestEngine : public RecordingEngine {
public:
    explicit SqliteTestEngine(std::string connectionString)
        : connectionString_(std::move(connectionString)) {}

    // Tables are listed in the order they were added.
    void AddTable(const std::string& name, std::vector<KFillRecord> columns) {
        addTable(name, std::move(columns), "");
    }

    void Connect() override;
    void Disconnect() override;
    void StartTransaction() override { transaction_->StartTransaction(); }
    void CommitTransaction() override { transaction_->Commit(); }
    void GetColumnData(const std::string& tableName, const std::string& tableOwner,
                       const std::string& columnName, kvl::TStringList& list) override;
    void EmptyTable(TFillProject* project) override;
    void UnprepareInsert(TFillProject* project) override;
    kvl::TKVL_Statement& GetSQLClassInstance() override { return *statement_; }

private:
    std::string connectionString_;
    // in the order that frees the statement and transaction before their connection
    std::unique_ptr<kvl::TKVL_Connection> connection_;
    std::unique_ptr<kvl::TKVL_Transaction> transaction_;
    std::unique_ptr<kvl::TKVL_Statement> statement_;
};
