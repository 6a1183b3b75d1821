#include "SqliteTestEngine.h"

#include "UTFillProjects/TFillProject.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

namespace {

class TableObject : public virtual kvl::IKVL_BaseInterface {
public:
    explicit TableObject(std::string name) : name_(std::move(name)) {}
    std::string Name() const override { return name_; }
    std::string SQLName() const override { return name_; }
    std::string OwnerName() const override { return ""; }
    std::string DisplayName() const override { return name_; }
    std::string SearchName() const override { return name_; }

private:
    std::string name_;
};

std::unique_ptr<kvl::TKVL_Connection> open(const std::string& connectionString) {
    kvl::KVL_RegisterStandardDrivers();
    return kvl::KVL_OpenConnection(connectionString);
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

} // namespace

SqliteTestEngine::SqliteTestEngine(std::string connectionString)
    : connectionString_(std::move(connectionString)) {}

SqliteTestEngine::~SqliteTestEngine() {
    try {
        Disconnect();
    } catch (...) {
    }
}

void SqliteTestEngine::AddTable(const std::string& name, std::vector<KFillRecord> columns) {
    tables_.push_back({name, std::move(columns), std::make_shared<TableObject>(name)});
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
    ++Commits;
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

std::string SqliteTestEngine::FormatIdentifier(const std::string& name, const std::string& owner) {
    return owner.empty() ? quoted(name) : quoted(owner) + "." + quoted(name);
}

kvl::TKVL_Statement& SqliteTestEngine::GetSQLClassInstance() {
    if (!statement_) throw kvl::Exception("not connected");
    return *statement_;
}

SqliteProbe::SqliteProbe(const std::string& connectionString) : connection_(open(connectionString)) {}

SqliteProbe::~SqliteProbe() = default;

void SqliteProbe::Execute(const std::string& sql) {
    connection_->ExecuteCommand("", sql);
}

std::string SqliteProbe::Value(const std::string& sql) {
    auto query = kvl::KVL_GetCursor(*connection_, sql);
    query->Open();
    if (query->Eof()) return std::string();
    return query->FieldAsString(0);
}

int SqliteProbe::Count(const std::string& table) {
    return kvl::StrToInt(Value("select count(*) from " + quoted(table)));
}
