#include "SqliteTestEngine.h"

#include "UTFillProjects/TFillProject.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

void SqliteTestEngine::Connect() {
    if (connection_) return;
    kvl::KVL_RegisterStandardDrivers();
    connection_ = kvl::KVL_OpenConnection(connectionString_);
    transaction_ = kvl::KVL_GetTransaction(*connection_, false);
    statement_ = kvl::KVL_GetStatement(*connection_, "");
    statement_->SetTransaction(transaction_.get());
}

void SqliteTestEngine::Disconnect() {
    statement_.reset();
    transaction_.reset();
    connection_.reset();
}

void SqliteTestEngine::GetColumnData(const std::string& tableName, const std::string& tableOwner,
                                     const std::string& columnName, kvl::TStringList& list) {
    auto query = kvl::KVL_GetCursor(*connection_, "select " + FormatIdentifier(columnName, "") + " from " +
                                                      FormatIdentifier(tableName, tableOwner));
    query->Open();
    for (; !query->Eof(); query->Next())
        list.Add(query->FieldAsString(0));
}

void SqliteTestEngine::EmptyTable(TFillProject* project) {
    connection_->ExecuteCommand("",
                                "delete from " + FormatIdentifier(project->TableName, project->TableOwner));
}

void SqliteTestEngine::UnprepareInsert(TFillProject* project) {
    project->Unprepare();
    statement_->Unprepare();
}
