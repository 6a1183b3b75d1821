#pragma once
// A structure engine on a real SQLite database through the host's database services, for end
// to end tests of the run. Columns are described by hand instead of being read from the
// catalogue; indices and triggers are left alone.
#include "RecordingEngine.h"
#include "UTFillObject/KFillRecord.h"
#include "UTFillProjects/TFillStructureEngine.h"
#include "kvl3_db/Ukvl_connection.h"

#include <memory>
#include <string>
#include <vector>

class SqliteTestEngine : public TFillStructureEngine {
public:
    explicit SqliteTestEngine(std::string connectionString);

    // Tables are listed in the order they were added.
    void AddTable(const std::string& name, std::vector<KFillRecord> columns);

    void Connect() override;
    void Disconnect() override;
    void StartTransaction() override;
    void CommitTransaction() override;
    void GetGeneratorNames(kvl::TStringList& list) override { list.Clear(); }
    void GetTables(std::vector<kvl::IKVL_Ref>& list) override;
    void TriggersStateChange(bool, TFillProject*) override {}
    void IndicesStateChange(bool, TFillProject*) override {}
    void GetFields(TFillProject* project, TFillFieldList& list) override;
    void GetTriggers(TFillProject*, kvl::TStringList& list) override { list.Clear(); }
    void GetIndices(TFillProject*, kvl::TStringList& list) override { list.Clear(); }
    void GetColumnData(const std::string& tableName, const std::string& tableOwner,
                       const std::string& columnName, kvl::TStringList& list) override;
    void EmptyTable(TFillProject* project) override;
    void UnprepareInsert(TFillProject* project) override;
    std::string FormatIdentifier(const std::string& name, const std::string& owner) override {
        return QuotedIdentifier(name, owner);
    }
    kvl::TKVL_Statement& GetSQLClassInstance() override;

private:
    struct Table {
        std::string Name;
        std::vector<KFillRecord> Columns;
        kvl::IKVL_Ref Object;
    };
    kvl::TKVL_Connection& connection();

    std::string connectionString_;
    std::vector<Table> tables_;
    // in the order that frees the statement and transaction before their connection
    std::unique_ptr<kvl::TKVL_Connection> connection_;
    std::unique_ptr<kvl::TKVL_Transaction> transaction_;
    std::unique_ptr<kvl::TKVL_Statement> statement_;
};
