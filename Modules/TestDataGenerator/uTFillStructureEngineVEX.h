#pragma once
#include "UTFillProjects/TFillStatistics.h"
#include "UTFillProjects/TFillStructureEngine.h"
#include "kvl3_db/Ukvl_connection.h"

#include <functional>
#include <memory>
#include <string>

// The datatype category of a host data type code ("Integer", "Varchar", ..., "Unsupported").
std::string DataTypeNameOfHostCode(int code);

// The message of a server error without the client's decoration: what stands between
// "ISC ERROR MESSAGE:" and "STATEMENT:", trimmed.
std::string CleanServerMessage(const std::string& message);

// The structure engine of SQL servers, on the host's catalogue and SQL objects and on a
// connection of its own.
class TFillStructureEngineVEX : public TFillStructureEngine {
public:
    TFillStructureEngineVEX(const kvl::TKVL_Connection& connection,
                            std::shared_ptr<kvl::IKVL_Database> database,
                            std::shared_ptr<kvl::IKVL_Schema> schema);
    ~TFillStructureEngineVEX() override;

    void Connect() override;
    void Disconnect() override;
    void StartTransaction() override;
    void CommitTransaction() override;
    void DoAdditionalActions(TFillProject* project, TActionTime actionTime) override;
    void GetGeneratorNames(kvl::TStringList& list) override;
    void GetTables(std::vector<kvl::IKVL_Ref>& list) override;
    void TriggersStateChange(bool active, TFillProject* project) override;
    void IndicesStateChange(bool active, TFillProject* project) override;
    void GetFields(TFillProject* project, TFillFieldList& list) override;
    void GetTriggers(TFillProject* project, kvl::TStringList& list) override;
    void GetIndices(TFillProject* project, kvl::TStringList& list) override;
    void GetColumnData(const std::string& tableName, const std::string& tableOwner,
                       const std::string& columnName, kvl::TStringList& list) override;
    void EmptyTable(TFillProject* project) override;
    void UnprepareInsert(TFillProject* project) override;
    std::string FormatIdentifier(const std::string& name, const std::string& owner) override;
    kvl::TKVL_Statement& GetSQLClassInstance() override;
    std::string GeneratorIncValue(const std::string& generatorName) override;
    void GetRowsData(const std::string& tableName, const std::string& tableOwner,
                     const std::vector<std::string>& columns, std::vector<std::vector<std::string>>& rows,
                     const std::vector<std::string>& nullColumns = {}) override;
    void UpdateRows(TFillProject* project, const std::vector<std::string>& setColumns,
                    const std::vector<std::string>& keyColumns,
                    const std::vector<std::vector<kvl::TVariant>>& rows) override;
    std::unique_ptr<kvl::TKVL_BulkInsert> NewBulkInsert(TFillProject* project) override;
    std::optional<int64_t> HighestValue(TFillProject* project, const std::string& column) override;
    bool DefersKeys() const override;
    bool DefersKey(const kvl::IKVL_ForeignKey& fk) const override;
    void HoldTransaction(const std::vector<std::string>& deferredKeys) override;
    void ReleaseTransaction(bool commit) override;

    void CloneConnection() {}
    // Works on the caller's connection from now on, never freeing or closing it.
    void UseConnection(kvl::TKVL_Connection* connection);

    kvl::TKVL_Connection* Connection = nullptr;
    std::unique_ptr<kvl::TKVL_Transaction> Transaction;
    std::unique_ptr<kvl::TKVL_Statement> Statement;
    std::unique_ptr<kvl::TKVL_Query> Query;
    bool UsesOuterConnection = false;
    // Where the server can, UpdateRows sets a batch of rows per statement; off, one per row.
    bool UpdateInBatches = true;

private:
    kvl::IInterfaceList tableList() const;
    std::shared_ptr<kvl::IKVL_Table> findTable(TFillProject* project, const char* operation) const;
    void changeStates(const kvl::TStringList& names, const char* sqlFormat, const char* heading, bool active,
                      TFillProject* project, TStateChanges& changes);
    void freeSqlObjects();
    bool emptyNewestFirst(TFillProject* project);
    void readRows(const std::string& sql, const std::function<void()>& eachRow);
    void updateFromValues(TFillProject* project, const std::vector<std::string>& columns, size_t setCount,
                          const std::vector<std::vector<kvl::TVariant>>& rows);
    std::unique_ptr<kvl::TKVL_Statement> prepareBatchUpdate(TFillProject* project,
                                                            const std::vector<std::string>& columns,
                                                            size_t setCount, size_t rowCount);
    bool emptyWithoutKeyChecks(TFillProject* project);
    bool pointedAtFromOtherTables(TFillProject* project);

    std::unique_ptr<kvl::TKVL_Connection> ownConnection_;
    bool holding_ = false;   // Transaction's commits and rollbacks wait for ReleaseTransaction
    bool unchecked_ = false; // the held transaction runs with the session's key checks off
    std::unique_ptr<kvl::TKVL_Transaction> holdable(std::unique_ptr<kvl::TKVL_Transaction> transaction);
};
