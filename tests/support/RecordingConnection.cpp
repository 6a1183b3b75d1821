#include "RecordingConnection.h"

#include "base/Exceptions.h"
#include "kvl3_db/SqlParams.h"

namespace {

class Transaction : public kvl::TKVL_Transaction {
public:
    explicit Transaction(RecordingLog& log) : log_(log) {}
    void StartTransaction() override {
        active_ = true;
        log_.Lines.push_back("start");
    }
    void Commit() override {
        active_ = false;
        log_.Lines.push_back("commit");
    }
    void Rollback() override {
        active_ = false;
        log_.Lines.push_back("rollback");
    }
    bool InTransaction() const override { return active_; }
    void SetTransactionFlag(bool) override {}

private:
    RecordingLog& log_;
    bool active_ = false;
};

class Query : public kvl::TKVL_Query {
public:
    Query(RecordingConnection& connection, RecordingLog& log) : connection_(connection), log_(log) {}
    void SetTransaction(kvl::TKVL_Transaction*) override {}
    void Prepare() override {
        names_ = kvl::SqlParamNames(SQL().Text());
        prepared_ = true;
    }
    void Unprepare() override { prepared_ = false; }
    bool Prepared() const override { return prepared_; }
    void Execute() override { run(); }
    int ParamCount() const override { return static_cast<int>(names_.size()); }
    std::string ParamName(int index) const override { return names_.at(static_cast<size_t>(index)); }
    int ParamType(int) const override { return 0; }
    void SetParamType(int, int) override {}
    void SetParamNull(int) override {}
    void SetParamValue(int, const kvl::TVariant&) override {}
    void SetBlobParam(const std::string&, std::istream&) override {}
    kvl::TKVL_Connection& Connection() const override { return connection_; }
    void SetOption(const std::string&, const std::string&) override {}
    void Open() override { run(); }
    bool Eof() const override { return true; }
    void Next() override {}
    void Close() override {}
    int FieldCount() const override { return 0; }
    std::string FieldName(int) const override { return {}; }
    bool FieldIsNull(int) const override { return true; }
    std::string FieldAsString(int) const override { return {}; }
    std::string FieldAsString(const std::string&) const override { return {}; }

private:
    void run() {
        std::string text = SQL().Text();
        log_.Lines.push_back(text);
        if (log_.Fail) log_.Fail(text);
    }
    RecordingConnection& connection_;
    RecordingLog& log_;
    std::vector<std::string> names_;
    bool prepared_ = false;
};

class Schema : public kvl::IKVL_Schema {
public:
    std::string Name() const override { return ""; }
    std::string SQLName() const override { return ""; }
    std::string OwnerName() const override { return ""; }
    std::string DisplayName() const override { return ""; }
    std::string SearchName() const override { return ""; }
    kvl::TKVL_InterfaceListRef Tables() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef Relations() const override { return nullptr; }
    kvl::TKVL_InterfaceListRef Generators() const override { return nullptr; }
    kvl::TKVL_Capability Capability(int) const override { return {}; }
    std::string KindDisplayName(int, bool) const override { return ""; }
    std::string FormatObjectName(const std::string& name, const std::string& owner, bool) const override {
        std::string n = name.size() > 1 && name.front() == '"' ? name : "\"" + name + "\"";
        return owner.empty() ? n : "\"" + owner + "\"." + n;
    }
    std::shared_ptr<kvl::IKVL_Database> Database() const override { return nullptr; }
};

} // namespace

void RecordingConnection::ExecuteCommand(const std::string& kind, const std::string& sql) {
    log_->Lines.push_back(kind + ": " + sql);
    if (log_->Fail) log_->Fail(sql);
}

std::unique_ptr<kvl::TKVL_Connection> RecordingConnection::Clone() const {
    return std::make_unique<RecordingConnection>(kind_, log_);
}

std::unique_ptr<kvl::TKVL_Transaction> RecordingConnection::NewTransaction() {
    return std::make_unique<Transaction>(*log_);
}

std::unique_ptr<kvl::TKVL_Query> RecordingConnection::NewQuery() {
    return std::make_unique<Query>(*this, *log_);
}

std::shared_ptr<kvl::IKVL_Schema> QuotingSchema() {
    return std::make_shared<Schema>();
}
