#pragma once
// A structure engine and statement that keep everything in memory and record every call, so
// the model and the run can be tested without a server.
#include "UTFillProjects/TFillStatistics.h"
#include "UTFillProjects/TFillStructureEngine.h"
#include "kvl3_db/Ukvl_connection.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct FakeColumn {
    std::string Name;
    std::string DataTypeName = "Integer";
    bool Nullable = true;
    int32_t Size = 0;
    int16_t Precision = 0;
    int16_t Scale = 0;
    bool HasDefault = false;
};

// The name, quoted unless it is already, after its quoted owner where there is one.
inline std::string QuotedIdentifier(const std::string& name, const std::string& owner) {
    std::string quoted = name.size() > 1 && name.front() == '"' ? name : "\"" + name + "\"";
    return owner.empty() ? quoted : "\"" + owner + "\"." + quoted;
}

class FakeTableObject : public virtual kvl::IKVL_BaseInterface {
public:
    FakeTableObject(std::string name, std::string owner) : name_(std::move(name)), owner_(std::move(owner)) {}
    std::string Name() const override { return name_; }
    std::string SQLName() const override { return name_; }
    std::string OwnerName() const override { return owner_; }
    std::string DisplayName() const override { return name_; }
    std::string SearchName() const override { return owner_.empty() ? name_ : owner_ + "." + name_; }

private:
    std::string name_, owner_;
};

struct FakeTable {
    std::string Name;
    std::string Owner;
    std::vector<KFillRecord> Columns;
    std::vector<std::string> Indices;
    std::vector<std::string> Triggers;
    std::shared_ptr<FakeTableObject> Object;
};

// Records the SQL text and the values of every executed row; Fail decides which executions raise.
// As a query it reads no rows.
class RecordingStatement : public kvl::TKVL_Query {
public:
    void SetTransaction(kvl::TKVL_Transaction*) override {}
    void Prepare() override;
    void Unprepare() override;
    bool Prepared() const override { return prepared_; }
    void Execute() override;
    int ParamCount() const override { return static_cast<int>(names_.size()); }
    std::string ParamName(int index) const override { return names_.at(static_cast<size_t>(index)); }
    int ParamType(int index) const override { return types_.at(static_cast<size_t>(index)); }
    void SetParamType(int index, int fieldType) override {
        types_.at(static_cast<size_t>(index)) = fieldType;
    }
    void SetParamNull(int index) override { values_.at(static_cast<size_t>(index)) = kvl::TVariant::Null(); }
    void SetParamValue(int index, const kvl::TVariant& value) override {
        values_.at(static_cast<size_t>(index)) = value;
    }
    void SetBlobParam(const std::string& name, std::istream& stream) override;
    kvl::TKVL_Connection& Connection() const override { return *Owner; }
    void SetOption(const std::string&, const std::string&) override {}
    void Open() override { Execute(); }
    bool Eof() const override { return true; }
    void Next() override {}
    void Close() override {}
    int FieldCount() const override { return 0; }
    std::string FieldName(int) const override { return {}; }
    bool FieldIsNull(int) const override { return true; }
    std::string FieldAsString(int) const override { return {}; }
    std::string FieldAsString(const std::string&) const override { return {}; }

    std::function<void(const std::string& sql)> Ran; // told each text it runs, first; may throw
    kvl::TKVL_Connection* Owner = nullptr;
    std::function<void(int executeNumber, const std::vector<kvl::TVariant>&)> Fail; // may throw
    std::vector<std::vector<kvl::TVariant>> Rows;                                   // executed successfully
    int Executions = 0;
    std::string PreparedText;
    std::vector<std::string>* Calls = nullptr;

private:
    bool prepared_ = false;
    std::vector<std::string> names_;
    std::vector<int> types_;
    std::vector<kvl::TVariant> values_;
};

class RecordingEngine : public TFillStructureEngine {
public:
    RecordingEngine() { Statement.Calls = &Calls; }

    FakeTable& AddTable(const std::string& name, const std::vector<FakeColumn>& columns,
                        const std::string& owner = "");

    void Connect() override { record("Connect"); }
    void Disconnect() override { record("Disconnect"); }
    void StartTransaction() override { record("StartTransaction"); }
    void CommitTransaction() override { record("CommitTransaction"); }
    void DoAdditionalActions(TFillProject* project, TActionTime actionTime) override;
    void GetGeneratorNames(kvl::TStringList& list) override { listInto(Generators, list); }
    void GetTables(std::vector<kvl::IKVL_Ref>& list) override;
    void TriggersStateChange(bool active, TFillProject* project) override;
    void IndicesStateChange(bool active, TFillProject* project) override;
    void GetFields(TFillProject* project, TFillFieldList& list) override;
    void GetTriggers(TFillProject* project, kvl::TStringList& list) override {
        listInto(tableOf(project).Triggers, list);
    }
    void GetIndices(TFillProject* project, kvl::TStringList& list) override {
        listInto(tableOf(project).Indices, list);
    }
    void GetColumnData(const std::string& tableName, const std::string& tableOwner,
                       const std::string& columnName, kvl::TStringList& list) override;
    void EmptyTable(TFillProject* project) override;
    void UnprepareInsert(TFillProject* project) override;
    std::string FormatIdentifier(const std::string& name, const std::string& owner) override {
        return QuotedIdentifier(name, owner);
    }
    kvl::TKVL_Statement& GetSQLClassInstance() override { return Statement; }
    std::string GeneratorIncValue(const std::string& generatorName) override {
        return "next(" + generatorName + ")";
    }

    std::vector<FakeTable> Tables;
    std::vector<std::string> Generators;
    std::map<std::string, std::vector<std::string>> ColumnData; // "TABLE.COLUMN" -> values
    std::vector<std::string> Calls;
    RecordingStatement Statement;
    int GetFieldsCalls = 0;
    std::function<void(const std::string& call)> FailOn; // may throw for a recorded call
    // Index and trigger names whose change of state the server refuses, as "IX_A on" or "TR_1 off".
    std::vector<std::string> RefusedStates;

protected:
    FakeTable& addTable(const std::string& name, std::vector<KFillRecord> columns, const std::string& owner);
    void record(const std::string& call);

private:
    static void listInto(const std::vector<std::string>& items, kvl::TStringList& list);
    void changeStates(const kvl::TStringList& names, bool active, TStateChanges& changes);
    FakeTable& tableOf(TFillProject* project);
};
