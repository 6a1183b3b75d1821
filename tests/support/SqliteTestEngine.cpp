#include "SqliteTestEngine.h"

#include "UTFillProjects/TFillProject.h"
#include "base/Exceptions.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

namespace {

std::unique_ptr<kvl::TKVL_Connection> open(const std::string& connectionString) {
    kvl::KVL_RegisterStandardDrivers();
    return kvl::KVL_OpenConnection(connectionString);
}

} // namespace

SqliteTestEngine::SqliteTestEngine(std::string connectionString)
    : connectionString_(std::move(connectionString)) {}

void SqliteTestEngine::AddTable(const std::string& name, std::vector<KFillRecord> columns) {
    tables_.push_back({name, std::move(columns), std::make_shared<FakeTableObject>(name, "")});
}

kvl::TKVL_Connection& SqliteTestEngine::connection() {
    if (!connection_) throw kvl::Exception("not connected");
    return *connection_;
}

void SqliteTestEngine::Connect() {
    if (connection_) return;
    connection_ = open(connectionString_);
    transaction_ = kvl::KVL_GetTransaction(*connection_, false);
    statement_ = kvl::KVL_GetStatement(*connection_, "");
    statement_->SetTransaction(transaction_.get());
}

void SqliteTestEngine::Disconnect() {
    statement_.reset();
    transaction_.reset();
    connection_.reset();
}

void SqliteTestEngine::StartTransaction() {
    if (!transaction_) throw kvl::Exception("not connected");
    transaction_->StartTransaction();
}

void SqliteTestEngine::CommitTransaction() {
    if (!transaction_) throw kvl::Exception("not connected");
    transaction_->Commit();
}

void SqliteTestEngine::GetTables(std::vector<kvl::IKVL_Ref>& list) {
    list.clear();
    for (const auto& t : tables_)
        list.push_back(t.Object);
}

void SqliteTestEngine::GetFields(TFillProject* project, TFillFieldList& list) {
    for (const auto& t : tables_) {
        if (t.Name != project->TableName) continue;
        for (KFillRecord rec : t.Columns) {
            rec.Project = project;
            list.push_back(CreateFillField(rec));
        }
        return;
    }
    throw kvl::Exception("Table \"" + project->TableName + "\" not found");
}

void SqliteTestEngine::GetColumnData(const std::string& tableName, const std::string& tableOwner,
                                     const std::string& columnName, kvl::TStringList& list) {
    auto query = kvl::KVL_GetCursor(connection(), "select " + FormatIdentifier(columnName, "") + " from " +
                                                      FormatIdentifier(tableName, tableOwner));
    query->Open();
    for (; !query->Eof(); query->Next())
        list.Add(query->FieldAsString(0));
}

void SqliteTestEngine::EmptyTable(TFillProject* project) {
    connection().ExecuteCommand("",
                                "delete from " + FormatIdentifier(project->TableName, project->TableOwner));
}

void SqliteTestEngine::UnprepareInsert(TFillProject* project) {
    project->Unprepare();
    GetSQLClassInstance().Unprepare();
}

kvl::TKVL_Statement& SqliteTestEngine::GetSQLClassInstance() {
    if (!statement_) throw kvl::Exception("not connected");
    return *statement_;
}
