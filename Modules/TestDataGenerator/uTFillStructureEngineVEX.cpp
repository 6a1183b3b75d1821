#include "uTFillStructureEngineVEX.h"

#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/SysUtils.h"
#include "kvl3_db/ServerKind.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <algorithm>
#include <utility>

std::string DataTypeNameOfHostCode(int code) {
    switch (code) {
    case 1:
    case 2:
        return "Boolean/Bit";
    case 3:
        return "GUID";
    case 13:
        return "Decimal";
    case 14:
        return "Numeric";
    case 15:
    case 16:
    case 35:
        return "SmallInt";
    case 17:
    case 18:
        return "Integer";
    case 19:
        return "Int64";
    case 20:
    case 21:
    case 22:
        return "Word";
    case 24:
    case 56:
        return "Float";
    case 25:
    case 55:
        return "Double Precision";
    case 27:
        return "Date";
    case 28:
        return "Time";
    case 29:
    case 32:
    case 33:
        return "DateTime";
    case 36:
    case 39:
        return "Char";
    case 37:
    case 40:
        return "Varchar";
    default:
        return code >= 43 && code <= 54 ? "Blob" : "Unsupported";
    }
}

std::string CleanServerMessage(const std::string& message) {
    static const std::string isc = "ISC ERROR MESSAGE:";
    static const std::string statement = "STATEMENT:";
    std::string m = kvl::Trim(message);
    if (auto p = m.find(isc); p != std::string::npos) m = m.substr(p + isc.size());
    if (auto p = m.find(statement); p != std::string::npos) m = m.substr(0, p);
    return kvl::Trim(m);
}

namespace {

// The engine's steps commit their own work; while a transaction is held across tables, those
// commits and rollbacks wait for the one at its end.
class THoldableTransaction final : public kvl::TKVL_Transaction {
public:
    THoldableTransaction(std::unique_ptr<kvl::TKVL_Transaction> inner, const bool& holding)
        : inner_(std::move(inner)), holding_(holding) {}
    void StartTransaction() override { inner_->StartTransaction(); }
    void Commit() override {
        if (!holding_) inner_->Commit();
    }
    void Rollback() override {
        if (!holding_) inner_->Rollback();
    }
    bool InTransaction() const override { return inner_->InTransaction(); }
    void SetTransactionFlag(bool autoStart) override { inner_->SetTransactionFlag(autoStart); }

private:
    std::unique_ptr<kvl::TKVL_Transaction> inner_;
    const bool& holding_;
};

} // namespace

std::unique_ptr<kvl::TKVL_Transaction>
TFillStructureEngineVEX::holdable(std::unique_ptr<kvl::TKVL_Transaction> transaction) {
    return std::make_unique<THoldableTransaction>(std::move(transaction), holding_);
}

bool TFillStructureEngineVEX::DefersKeys() const {
    return Connection && Connection->HasFeature(kvl::TKVL_DriverFeature::DeferrableConstraints);
}

bool TFillStructureEngineVEX::DefersKey(const kvl::IKVL_ForeignKey& fk) const {
    return TFillStructureEngine::DefersKey(fk) ||
           (Connection && Connection->HasFeature(kvl::TKVL_DriverFeature::ForeignKeyChecksSwitching));
}

void TFillStructureEngineVEX::HoldTransaction(const std::vector<std::string>& deferredKeys) {
    std::string names;
    for (const std::string& key : deferredKeys)
        names += (names.empty() ? "" : ", ") + key;
    Transaction->Commit();
    Transaction->StartTransaction();
    // where no check can wait for the commit, the session checks no key until the release; the
    // run itself makes sure that every held key points at a row before it commits
    unchecked_ = !names.empty() && !DefersKeys();
    try {
        if (unchecked_)
            Connection->ExecuteCommand("CUSTOM", "set foreign_key_checks = 0");
        else if (!names.empty())
            Connection->ExecuteCommand("CUSTOM", "set constraints " + names + " deferred");
    } catch (...) {
        Transaction->Rollback();
        throw;
    }
    holding_ = true;
}

void TFillStructureEngineVEX::ReleaseTransaction(bool commit) {
    if (!holding_) return;
    holding_ = false;
    const bool checkAgain = std::exchange(unchecked_, false);
    try {
        if (commit)
            Transaction->Commit();
        else
            Transaction->Rollback();
    } catch (...) {
        if (checkAgain) Connection->ExecuteCommand("CUSTOM", "set foreign_key_checks = 1");
        throw;
    }
    if (checkAgain) Connection->ExecuteCommand("CUSTOM", "set foreign_key_checks = 1");
}

TFillStructureEngineVEX::TFillStructureEngineVEX(const kvl::TKVL_Connection& connection,
                                                 std::shared_ptr<kvl::IKVL_Database> database,
                                                 std::shared_ptr<kvl::IKVL_Schema> schema)
    : TFillStructureEngine(nullptr) {
    ownConnection_ = kvl::KVL_CloneConnection(connection, true, false);
    Connection = ownConnection_.get();
    Database = std::move(database);
    Schema = std::move(schema);
    Transaction = holdable(kvl::KVL_GetTransaction(*Connection, false));
    Query = kvl::KVL_GetCursor(*Connection, "");
    Query->SetTransaction(Transaction.get());
}

TFillStructureEngineVEX::~TFillStructureEngineVEX() {
    // every step is tried, whatever the one before it did
    try {
        Query.reset();
    } catch (...) {
    }
    try {
        Statement.reset();
    } catch (...) {
    }
    try {
        if (Connection && Connection->Connected() && Transaction) Transaction->Commit();
    } catch (...) {
    }
    try {
        Transaction.reset();
    } catch (...) {
    }
    Database.reset();
    Schema.reset();
    try {
        if (!UsesOuterConnection && ownConnection_ && ownConnection_->Connected())
            ownConnection_->Disconnect();
    } catch (...) {
    }
    try {
        ownConnection_.reset();
    } catch (...) {
    }
}

void TFillStructureEngineVEX::freeSqlObjects() {
    Statement.reset();
    Transaction.reset();
    Query.reset();
}

void TFillStructureEngineVEX::Connect() {
    freeSqlObjects();
    Transaction = holdable(kvl::KVL_GetTransaction(*Connection, false));
    Query = kvl::KVL_GetDataset(*Connection, "");
    Query->SetTransaction(Transaction.get());
    Query->SetOption("TIMEOUT", "0");
    if (!Connection->Connected()) Connection->Connect();
    Transaction->SetTransactionFlag(false);
}

void TFillStructureEngineVEX::Disconnect() {
    if (!UsesOuterConnection) Connection->Disconnect();
}

void TFillStructureEngineVEX::UseConnection(kvl::TKVL_Connection* connection) {
    freeSqlObjects();
    if (!UsesOuterConnection) ownConnection_.reset();
    Connection = connection;
    UsesOuterConnection = true;
}

void TFillStructureEngineVEX::StartTransaction() {
    Transaction->StartTransaction();
}

void TFillStructureEngineVEX::CommitTransaction() {
    Transaction->Commit();
}

kvl::IInterfaceList TFillStructureEngineVEX::tableList() const {
    if (Database) return Database->ObjectsOfKind(kvl::okTable);
    auto tables = GetSchema()->Tables();
    return tables ? tables->Items() : kvl::IInterfaceList();
}

std::shared_ptr<kvl::IKVL_Table> TFillStructureEngineVEX::findTable(TFillProject* project,
                                                                    const char* operation) const {
    std::string name = project->TableName;
    auto schema = GetSchema();
    bool qualify =
        schema->Capability(kvl::capSchemas).Supported || schema->Capability(kvl::capOwners).Supported;
    if (qualify && !project->TableOwner.empty()) name = project->TableOwner + "." + project->TableName;
    kvl::IInterfaceList list = tableList();
    auto table = kvl::Supports<kvl::IKVL_Table>(kvl::IList_BySearchName(list, name, false));
    if (!table) table = kvl::Supports<kvl::IKVL_Table>(kvl::IList_ByName(list, name, false));
    if (!table)
        throw kvl::Exception(
            kvl::Format("Table \"%s\" not found in method \"%s\"?", {project->TableName, operation}));
    return table;
}

namespace {
int16_t shortOf(const std::string& text) {
    int32_t v = 0;
    if (!kvl::TryStrToInt(text, v) || v < INT16_MIN || v > INT16_MAX) return 0;
    return static_cast<int16_t>(v);
}
} // namespace

void TFillStructureEngineVEX::GetFields(TFillProject* project, TFillFieldList& list) {
    auto table = findTable(project, "TFillStructureEngineVEX.GetFields");
    for (const auto& item : *table->Columns()) {
        auto column = kvl::Supports<kvl::IKVL_Column>(item);
        if (!column || column->Computed()) continue;
        KFillRecord rec;
        rec.DataTypeName = DataTypeNameOfHostCode(column->DataTypeCode());
        rec.ColumnName = column->Name();
        rec.Nullable = !column->NotNull();
        int32_t size = 0;
        rec.Size = kvl::TryStrToInt(column->Length(), size) ? size : 0;
        rec.Precision = shortOf(column->Precision());
        rec.Scale = shortOf(column->Scale());
        if (rec.DataTypeName == "Float" || rec.DataTypeName == "Double Precision") rec.Scale = 4;
        // the server gives identity and computed columns their values as it gives a default
        rec.HasDefault = !column->DefaultValue().empty() || column->IsIdentity() || column->Computed();
        rec.Project = project;
        rec.Column = column;
        list.push_back(CreateFillField(rec));
    }
}

void TFillStructureEngineVEX::GetIndices(TFillProject* project, kvl::TStringList& list) {
    auto table = findTable(project, "TFillStructureEngineVEX.GetIndices");
    list.Clear();
    if (auto indices = table->Indices())
        for (const auto& i : *indices)
            list.Add(i->Name());
}

void TFillStructureEngineVEX::GetTriggers(TFillProject* project, kvl::TStringList& list) {
    auto table = findTable(project, "TFillStructureEngineVEX.GetTriggers");
    list.Clear();
    if (auto triggers = table->Triggers())
        for (const auto& t : *triggers)
            list.Add(t->Name());
}

void TFillStructureEngineVEX::GetGeneratorNames(kvl::TStringList& list) {
    list.Clear();
    kvl::IInterfaceList source;
    if (Database)
        source = Database->ObjectsOfKind(kvl::okGenerator);
    else if (auto generators = GetSchema()->Generators())
        source = generators->Items();
    for (const auto& g : source)
        list.Add(g->DisplayName());
}

void TFillStructureEngineVEX::GetTables(std::vector<kvl::IKVL_Ref>& list) {
    list.clear();
    for (const auto& t : tableList())
        list.push_back(t);
}

void TFillStructureEngineVEX::GetColumnData(const std::string& tableName, const std::string& owner,
                                            const std::string& columnName, kvl::TStringList& values) {
    if (columnName.empty() || tableName.empty()) return;
    kvl::IInterfaceList relations;
    if (Database)
        relations = Database->ObjectsOfKind(kvl::okRelation);
    else if (auto r = GetSchema()->Relations())
        relations = r->Items();
    std::string lookup = owner.empty() ? tableName : owner + "." + tableName;
    auto relation = kvl::Supports<kvl::IKVL_Relation>(kvl::IList_BySearchName(relations, lookup, false));
    if (!relation)
        relation = kvl::Supports<kvl::IKVL_Relation>(kvl::IList_ByName(relations, tableName, false));
    std::string from = relation ? relation->FromName() : FormatIdentifier(tableName, owner);
    std::string keys;
    if (auto table = std::dynamic_pointer_cast<kvl::IKVL_Table>(relation)) {
        if (auto pk = table->PrimaryKey()) {
            for (const auto& c : *pk->Columns())
                keys += (keys.empty() ? "" : ", ") + c->SQLName();
        }
    }
    std::string column = FormatIdentifier(columnName, "");
    const std::string sql =
        keys.empty() ? kvl::Format("select %s as LinkValue from %s", {column, from})
                     : kvl::Format("select %s, %s as LinkValue from %s order by %0:s", {keys, column, from});
    readRows(sql, [&] { values.Add(Query->FieldAsString("LinkValue")); });
}

std::string TFillStructureEngineVEX::FormatIdentifier(const std::string& name, const std::string& owner) {
    auto schema = Database ? Database->DefaultSchema() : GetSchema();
    return schema->FormatObjectName(name, owner, false);
}

kvl::TKVL_Statement& TFillStructureEngineVEX::GetSQLClassInstance() {
    if (!Statement) {
        Statement = kvl::KVL_GetStatement(*Connection, "");
        Statement->SetTransaction(Transaction.get());
    }
    return *Statement;
}

// Rows of a table that point at rows of the same table: a server that checks keys row by row
// takes them out newest first, children before the parents they were drawn from.
bool TFillStructureEngineVEX::emptyNewestFirst(TFillProject* project) {
    auto table = kvl::Supports<kvl::IKVL_Table>(project->TableObject);
    auto key = table ? table->PrimaryKey() : nullptr;
    if (!key || !key->Columns() || key->Columns()->Count() == 0) return false;
    std::string order;
    for (const auto& c : *key->Columns())
        order += (order.empty() ? "" : ", ") + FormatIdentifier(c->Name(), "") + " desc";
    Transaction->StartTransaction();
    try {
        Query->SQL().Clear();
        Query->SQL().Add(kvl::Format("delete from %s order by %s",
                                     {FormatIdentifier(project->TableName, project->TableOwner), order}));
        Query->Execute();
        Transaction->Commit();
        return true;
    } catch (const std::exception&) {
        Transaction->Rollback();
        return false;
    }
}

// Whether rows of another table point at rows of the project's table.
bool TFillStructureEngineVEX::pointedAtFromOtherTables(TFillProject* project) {
    for (const auto& item : tableList()) {
        auto other = kvl::Supports<kvl::IKVL_Table>(item);
        if (!other || kvl::SameText(other->Name(), project->TableName) || !other->ForeignKeys()) continue;
        for (const auto& k : *other->ForeignKeys()) {
            auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(k);
            if (!fk || !kvl::SameText(fk->ReferencedTable(), project->TableName) || fk->ColumnNames().empty())
                continue;
            auto count = kvl::KVL_GetCursor(
                *Connection,
                kvl::Format("select count(*) from %s where %s is not null",
                            {other->SQLName(), FormatIdentifier(fk->ColumnNames().front(), "")}));
            count->SetTransaction(Transaction.get());
            count->Open();
            const bool pointed = count->FieldAsString(0) != "0";
            count->Close();
            if (pointed) return true;
        }
    }
    return false;
}

// A row that points at itself cannot be deleted at all where the server checks every deleted
// row's keys at once: where a session may leave keys unchecked, a table that no other table's
// rows point at is emptied so.
bool TFillStructureEngineVEX::emptyWithoutKeyChecks(TFillProject* project) {
    if (!Connection->HasFeature(kvl::TKVL_DriverFeature::ForeignKeyChecksSwitching)) return false;
    Transaction->StartTransaction();
    bool emptied = false;
    try {
        if (!pointedAtFromOtherTables(project)) {
            Connection->ExecuteCommand("CUSTOM", "set foreign_key_checks = 0");
            Query->SQL().Clear();
            Query->SQL().Add(
                kvl::Format("delete from %s", {FormatIdentifier(project->TableName, project->TableOwner)}));
            Query->Execute();
            emptied = true;
        }
    } catch (const std::exception&) {
        // the caller reports the first failure, which says why
    }
    try {
        Connection->ExecuteCommand("CUSTOM", "set foreign_key_checks = 1");
        if (emptied)
            Transaction->Commit();
        else
            Transaction->Rollback();
    } catch (const std::exception&) {
        Transaction->Rollback();
        return false;
    }
    return emptied;
}

void TFillStructureEngineVEX::EmptyTable(TFillProject* project) {
    Transaction->StartTransaction();
    try {
        Query->SQL().Clear();
        Query->SQL().Add(
            kvl::Format("delete from %s", {FormatIdentifier(project->TableName, project->TableOwner)}));
        Query->Execute();
        Transaction->Commit();
    } catch (const std::exception& e) {
        Transaction->Rollback();
        if (emptyNewestFirst(project) || emptyWithoutKeyChecks(project)) return;
        throw kvl::Exception(kvl::Format("Could not empty table \"%s\". Most probably there is a foreign key "
                                         "constraint referencing it.\r\nOriginal error message: %s",
                                         {project->TableName, std::string(e.what())}));
    }
}

void TFillStructureEngineVEX::changeStates(const kvl::TStringList& names, const char* sqlFormat,
                                           const char* heading, bool active, TFillProject* project,
                                           TStateChanges& changes) {
    int kind = Query->Connection().ServerKind();
    if (kind != kvl::skFirebirdEmbedded && kind != kvl::skFirebird) return;
    const char* state = active ? "ACTIVE" : "INACTIVE";
    for (const auto& name : names) {
        Query->SQL().Clear();
        Query->SQL().Add(kvl::Format(sqlFormat, {FormatIdentifier(name, ""), state}));
        Transaction->StartTransaction();
        bool taken = true;
        try {
            Query->Execute();
        } catch (const std::exception& e) {
            taken = false;
            project->Statistics.Log.Add(heading);
            project->Statistics.Log.Add(CleanServerMessage(e.what()));
            project->Statistics.Log.Add("");
        }
        // the server applies a change of state when it commits it
        Transaction->Commit();
        if (taken) changes.Changed(name, active);
    }
}

void TFillStructureEngineVEX::IndicesStateChange(bool active, TFillProject* project) {
    changeStates(project->Indices, "ALTER INDEX %s %s", "Error while changing index state:", active, project,
                 project->Statistics.IndexStates);
}

void TFillStructureEngineVEX::TriggersStateChange(bool active, TFillProject* project) {
    changeStates(project->Triggers, "ALTER TRIGGER %s %s", "Error while changing trigger state:", active,
                 project, project->Statistics.TriggerStates);
}

std::unique_ptr<kvl::TKVL_BulkInsert> TFillStructureEngineVEX::NewBulkInsert(TFillProject* project) {
    if (!Connection || !Connection->HasFeature(kvl::TKVL_DriverFeature::BulkLoad)) return nullptr;
    kvl::TKVL_Statement& st = GetSQLClassInstance();
    TFillFieldList& fields = project->GetFillFields();
    size_t filled = 0;
    for (auto& f : fields)
        if (f->FillType != fillNothing) ++filled;
    if (filled != ParamMap.size()) return nullptr;
    kvl::TKVL_BulkTarget target;
    target.Table = FormatIdentifier(project->TableName, project->TableOwner);
    for (size_t i = 0; i < ParamMap.size(); ++i) {
        target.Columns.push_back(
            FormatIdentifier(fields.at(static_cast<size_t>(ParamMap[i]))->ColumnName, ""));
        target.FieldTypes.push_back(st.ParamType(static_cast<int>(i)));
    }
    return Connection->NewBulkInsert(target);
}

std::string TFillStructureEngineVEX::GeneratorIncValue(const std::string& generatorName) {
    std::string own = Connection->NextValueExpression(generatorName);
    if (!own.empty()) return own;
    std::string result = TFillStructureEngine::GeneratorIncValue(generatorName);
    int kind = Connection->ServerKind();
    if (kind == kvl::skFirebirdEmbedded || kind == kvl::skFirebird)
        result = kvl::Format("Gen_ID(%s,1)", {FormatIdentifier(generatorName, "")});
    else if (kind == kvl::skNextVal)
        result = kvl::Format("%s.NEXTVAL", {FormatIdentifier(generatorName, "")});
    return result;
}

void TFillStructureEngineVEX::DoAdditionalActions(TFillProject* project, TActionTime actionTime) {
    TFillStructureEngine::DoAdditionalActions(project, actionTime);
    try {
        if (Connection->ServerKind() != kvl::skIdentityInsert) return;
        bool identityFilled = false;
        for (const auto& f : project->GetFillFields())
            identityFilled = identityFilled || (f->Column && f->Column->IsIdentity() && f->FillType != 0);
        if (!identityFilled) return;
        Connection->ExecuteCommand("CUSTOM", "SET IDENTITY_INSERT " +
                                                 FormatIdentifier(project->TableName, project->TableOwner) +
                                                 (actionTime == atBefore ? " ON" : " OFF"));
    } catch (...) {
        // the server decides whether identity values are accepted; the inserts will tell
    }
}

void TFillStructureEngineVEX::UnprepareInsert(TFillProject* project) {
    project->Unprepare();
    GetSQLClassInstance().Unprepare();
}

std::optional<int64_t> TFillStructureEngineVEX::HighestValue(TFillProject* project,
                                                             const std::string& column) {
    std::string top;
    readRows(
        kvl::Format("select max(%s) from %s", {FormatIdentifier(column, ""),
                                               FormatIdentifier(project->TableName, project->TableOwner)}),
        [&] {
            if (!Query->FieldIsNull(0)) top = Query->FieldAsString(0);
        });
    int64_t value = 0;
    if (top.empty() || !kvl::TryStrToInt64(top, value)) return std::nullopt;
    return value;
}

void TFillStructureEngineVEX::GetRowsData(const std::string& tableName, const std::string& tableOwner,
                                          const std::vector<std::string>& columns,
                                          std::vector<std::vector<std::string>>& rows,
                                          const std::vector<std::string>& nullColumns) {
    rows.clear();
    if (columns.empty()) return;
    std::string list, filter;
    for (const std::string& c : columns) {
        const std::string name = FormatIdentifier(c, "");
        list += (list.empty() ? "" : ", ") + name;
        filter += (filter.empty() ? "" : " and ") + name + " is not null";
    }
    for (const std::string& c : nullColumns)
        filter += " and " + FormatIdentifier(c, "") + " is null";
    readRows(kvl::Format("select %s from %s where %s order by %0:s",
                         {list, FormatIdentifier(tableName, tableOwner), filter}),
             [&] {
                 std::vector<std::string> row;
                 for (size_t i = 0; i < columns.size(); ++i)
                     row.push_back(Query->FieldAsString(static_cast<int>(i)));
                 rows.push_back(std::move(row));
             });
}

// Each row of a query, read in a transaction of its own that ends however the reading does.
void TFillStructureEngineVEX::readRows(const std::string& sql, const std::function<void()>& eachRow) {
    Query->SQL().Clear();
    Query->SQL().Add(sql);
    Transaction->StartTransaction();
    try {
        Query->Open();
        for (; !Query->Eof(); Query->Next())
            eachRow();
        Query->Close();
    } catch (...) {
        Transaction->Commit();
        throw;
    }
    Transaction->Commit();
}

namespace {
int fieldTypeOf(TFillProject* project, const std::string& column) {
    for (const auto& f : project->GetFillFields())
        if (kvl::SameText(f->ColumnName, column)) return f->GetFieldDatatype();
    return 0;
}

// Rows of one batched UPDATE: a few thousand parameters, far below what a statement may hold.
constexpr size_t UpdateBatchRows = 500;

// The column's type as the catalogue writes it, for a cast that types a VALUES list.
std::string columnTypeOf(TFillProject* project, const std::string& column) {
    auto table = kvl::Supports<kvl::IKVL_Table>(project->TableObject);
    auto c =
        table ? kvl::Supports<kvl::IKVL_Column>(kvl::IList_ByName(table->Columns(), column, false)) : nullptr;
    return c ? c->DataTypeText() : std::string();
}

void setParamTypes(kvl::TKVL_Statement& st, TFillProject* project, const std::vector<std::string>& columns) {
    for (int i = 0; i < st.ParamCount(); ++i) {
        const int type = st.ParamType(i);
        if (type == 0 || type == 1 || type == 24)
            st.SetParamType(i, fieldTypeOf(project, columns.at(static_cast<size_t>(i) % columns.size())));
    }
}
} // namespace

std::unique_ptr<kvl::TKVL_Statement>
TFillStructureEngineVEX::prepareBatchUpdate(TFillProject* project, const std::vector<std::string>& columns,
                                            size_t setCount, size_t rowCount) {
    std::string sets, where, values;
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string name = FormatIdentifier(columns[i], "");
        const std::string value = "v.column" + std::to_string(i + 1);
        if (i < setCount)
            sets += (sets.empty() ? "" : ", ") + name + " = " + value;
        else
            where += std::string(where.empty() ? "" : " and ") + "t0." + name + " = " + value;
    }
    std::vector<std::string> types;
    for (const std::string& c : columns)
        types.push_back(columnTypeOf(project, c));
    size_t param = 0;
    for (size_t r = 0; r < rowCount; ++r) {
        values += r ? ", (" : "(";
        for (size_t i = 0; i < columns.size(); ++i, ++param) {
            const std::string p = ":P" + std::to_string(param);
            values += (i ? ", " : "") + (types[i].empty() ? p : "cast(" + p + " as " + types[i] + ")");
        }
        values += ")";
    }
    auto st = kvl::KVL_GetStatement(*Connection, "");
    st->SetTransaction(Transaction.get());
    st->SQL().Add("update " + FormatIdentifier(project->TableName, project->TableOwner) + " as t0 set " +
                  sets + " from (values " + values + ") as v where " + where);
    st->Prepare();
    setParamTypes(*st, project, columns);
    return st;
}

// One statement per batch of rows instead of one per row: the round trips were the cost.
void TFillStructureEngineVEX::updateFromValues(TFillProject* project, const std::vector<std::string>& columns,
                                               size_t setCount,
                                               const std::vector<std::vector<kvl::TVariant>>& rows) {
    std::unique_ptr<kvl::TKVL_Statement> st;
    size_t prepared = 0;
    Transaction->StartTransaction();
    try {
        for (size_t first = 0; first < rows.size(); first += UpdateBatchRows) {
            const size_t count = std::min(UpdateBatchRows, rows.size() - first);
            if (count != prepared) {
                if (st) st->Unprepare();
                st = prepareBatchUpdate(project, columns, setCount, count);
                prepared = count;
            }
            int param = 0;
            for (size_t r = first; r < first + count; ++r)
                for (size_t i = 0; i < columns.size(); ++i, ++param) {
                    const kvl::TVariant& value = rows[r].at(i);
                    if (value.IsNull())
                        st->SetParamNull(param);
                    else
                        st->SetParamValue(param, value);
                }
            st->Execute();
        }
        if (st) st->Unprepare();
    } catch (...) {
        Transaction->Rollback();
        throw;
    }
    Transaction->Commit();
}

void TFillStructureEngineVEX::UpdateRows(TFillProject* project, const std::vector<std::string>& setColumns,
                                         const std::vector<std::string>& keyColumns,
                                         const std::vector<std::vector<kvl::TVariant>>& rows) {
    if (rows.empty()) return;
    std::vector<std::string> all(setColumns);
    all.insert(all.end(), keyColumns.begin(), keyColumns.end());
    if (!keyColumns.empty() && UpdateInBatches &&
        Connection->HasFeature(kvl::TKVL_DriverFeature::UpdateFromValues))
        return updateFromValues(project, all, setColumns.size(), rows);
    std::string sets, where;
    for (size_t i = 0; i < all.size(); ++i) {
        std::string& part = i < setColumns.size() ? sets : where;
        if (i == setColumns.size()) where = " where ";
        const char* glue = i < setColumns.size() ? ", " : " and ";
        part += (part.empty() || part == " where " ? "" : glue) + FormatIdentifier(all[i], "") +
                kvl::Format(" = :P%u", {static_cast<unsigned>(i)});
    }
    auto st = kvl::KVL_GetStatement(*Connection, "");
    st->SetTransaction(Transaction.get());
    st->SQL().Add(kvl::Format("update %s set %s%s",
                              {FormatIdentifier(project->TableName, project->TableOwner), sets, where}));
    Transaction->StartTransaction();
    try {
        st->Prepare();
        setParamTypes(*st, project, all);
        for (const auto& row : rows) {
            for (size_t i = 0; i < row.size() && i < all.size(); ++i) {
                if (row[i].IsNull())
                    st->SetParamNull(static_cast<int>(i));
                else
                    st->SetParamValue(static_cast<int>(i), row[i]);
            }
            st->Execute();
        }
        st->Unprepare();
    } catch (...) {
        Transaction->Rollback();
        throw;
    }
    Transaction->Commit();
}
