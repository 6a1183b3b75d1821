#pragma once
#include "Events.h"
#include "UTFillObject/TCustomFillField.h"
#include "base/Component.h"
#include "base/StringList.h"
#include "kvl3_db/Ukvl_catalogue.h"
#include "kvl3_db/Ukvl_connection.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TFillProject;
class TFillRowBlock;

// The seam between the fill model and one database server: every catalogue read and every
// SQL text goes through it. The base class does what is the same for every server: mapping
// the statement's parameters to fill fields and executing one insert.
class TFillStructureEngine : public kvl::TComponent {
public:
    explicit TFillStructureEngine(kvl::TComponent* owner = nullptr) : kvl::TComponent(owner) {}

    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void StartTransaction() = 0;
    virtual void CommitTransaction() = 0;
    virtual void DoAdditionalActions(TFillProject* project, TActionTime actionTime);
    virtual void GetGeneratorNames(kvl::TStringList& list) = 0;
    virtual void GetTables(std::vector<kvl::IKVL_Ref>& list) = 0;
    virtual void TriggersStateChange(bool active, TFillProject* project) = 0;
    virtual void IndicesStateChange(bool active, TFillProject* project) = 0;
    virtual void GetFields(TFillProject* project, TFillFieldList& list) = 0;
    virtual void GetTriggers(TFillProject* project, kvl::TStringList& list) = 0;
    virtual void GetIndices(TFillProject* project, kvl::TStringList& list) = 0;
    virtual void GetColumnData(const std::string& tableName, const std::string& tableOwner,
                               const std::string& columnName, kvl::TStringList& list) = 0;
    virtual void EmptyTable(TFillProject* project) = 0;
    virtual void UnprepareInsert(TFillProject* project) = 0;
    virtual std::string FormatIdentifier(const std::string& name, const std::string& owner) = 0;
    virtual kvl::TKVL_Statement& GetSQLClassInstance() = 0;
    virtual std::string GeneratorIncValue(const std::string& generatorName);
    // The rows of some columns of a table in one ordered query; a row with a NULL among them is
    // left out, as is a row where one of nullColumns is not NULL. Each row holds the columns'
    // texts in the order asked.
    virtual void GetRowsData(const std::string& tableName, const std::string& tableOwner,
                             const std::vector<std::string>& columns,
                             std::vector<std::vector<std::string>>& rows,
                             const std::vector<std::string>& nullColumns = {});
    // One UPDATE per row of values: the first setColumns values are set where the key columns
    // equal the rest (every row, without key columns); committed at the end. Column types are
    // those of the project's fill fields.
    virtual void UpdateRows(TFillProject* project, const std::vector<std::string>& setColumns,
                            const std::vector<std::string>& keyColumns,
                            const std::vector<std::vector<kvl::TVariant>>& rows);
    // The server's bulk load for the columns of the prepared insert; nil where there is none or
    // a column takes its value from the server (a generator), so the rows go one by one.
    virtual std::unique_ptr<kvl::TKVL_BulkInsert> NewBulkInsert(TFillProject*) { return nullptr; }
    // The highest whole number a column of the table holds; nothing for an empty table.
    virtual std::optional<int64_t> HighestValue(TFillProject*, const std::string&) { return std::nullopt; }
    // Whether the check of a foreign key declared deferrable can wait until the commit.
    virtual bool DefersKeys() const { return false; }
    // Whether this key's check can wait for the commit of a held transaction: a deferrable one
    // where the engine defers, any one where a session may leave keys unchecked.
    virtual bool DefersKey(const kvl::IKVL_ForeignKey& fk) const { return DefersKeys() && fk.Deferrable(); }
    // One transaction until ReleaseTransaction: the commits of every step inside it wait, and
    // the checks of the named foreign keys (formatted identifiers) wait for its commit.
    virtual void HoldTransaction(const std::vector<std::string>& deferredKeys);
    // Commits what the hold kept, throwing when the server refuses, or rolls it back.
    virtual void ReleaseTransaction(bool commit);

    void CreateParamMap(TFillProject* project);
    // Inserts the block's current row.
    void InsertRow(TFillRowBlock& block);

    std::shared_ptr<kvl::IKVL_Database> GetDatabase() const { return Database; }
    void SetDatabase(std::shared_ptr<kvl::IKVL_Database> value) { Database = std::move(value); }
    std::shared_ptr<kvl::IKVL_Schema> GetSchema() const;
    void SetSchema(std::shared_ptr<kvl::IKVL_Schema> value) { Schema = std::move(value); }

    bool GeneratorsSupported = false;
    std::vector<int> ParamMap;
    std::vector<bool> ParamIsBlob;
    std::vector<bool> ParamIncludeNulls;
    std::vector<int> ParamNullPercentage;

protected:
    std::shared_ptr<kvl::IKVL_Database> Database;
    std::shared_ptr<kvl::IKVL_Schema> Schema;
};
