#include "RecordingEngine.h"

#include "UTFillProjects/TFillProject.h"
#include "base/Exceptions.h"
#include "kvl3_db/SqlParams.h"

#include <algorithm>
#include <iterator>

void RecordingStatement::Prepare() {
    PreparedText = SQL().Text();
    names_ = kvl::SqlParamNames(PreparedText);
    types_.assign(names_.size(), 0);
    values_.assign(names_.size(), kvl::TVariant());
    prepared_ = true;
    if (Calls) Calls->push_back("Prepare");
}

void RecordingStatement::Unprepare() {
    prepared_ = false;
    if (Calls) Calls->push_back("Unprepare statement");
}

void RecordingStatement::Execute() {
    if (Ran) Ran(SQL().Text());
    ++Executions;
    if (Fail) Fail(Executions, values_);
    Rows.push_back(values_);
}

void RecordingStatement::SetBlobParam(const std::string& name, std::istream& stream) {
    auto it = std::find(names_.begin(), names_.end(), name);
    if (it == names_.end()) throw kvl::Exception("no parameter " + name);
    values_[static_cast<size_t>(it - names_.begin())] =
        kvl::TVariant(std::string(std::istreambuf_iterator<char>(stream), {}));
}

FakeTable& RecordingEngine::AddTable(const std::string& name, const std::vector<FakeColumn>& columns,
                                     const std::string& owner) {
    std::vector<KFillRecord> records;
    for (const FakeColumn& c : columns)
        records.push_back(
            {c.DataTypeName, c.Name, c.Nullable, c.Size, c.Precision, c.Scale, c.HasDefault, nullptr, {}});
    return addTable(name, std::move(records), owner);
}

FakeTable& RecordingEngine::addTable(const std::string& name, std::vector<KFillRecord> columns,
                                     const std::string& owner) {
    Tables.push_back(
        {name, owner, std::move(columns), {}, {}, std::make_shared<FakeTableObject>(name, owner)});
    return Tables.back();
}

void RecordingEngine::listInto(const std::vector<std::string>& items, kvl::TStringList& list) {
    list.Clear();
    for (const auto& item : items)
        list.Add(item);
}

void RecordingEngine::record(const std::string& call) {
    Calls.push_back(call);
    if (FailOn) FailOn(call);
}

FakeTable& RecordingEngine::tableOf(TFillProject* project) {
    for (auto& t : Tables)
        if (t.Name == project->TableName && t.Owner == project->TableOwner) return t;
    throw kvl::Exception("Table \"" + project->TableName + "\" not found");
}

void RecordingEngine::DoAdditionalActions(TFillProject* project, TActionTime actionTime) {
    record(std::string(actionTime == atBefore ? "Before " : "After ") + project->TableName);
}

void RecordingEngine::GetTables(std::vector<kvl::IKVL_Ref>& list) {
    list.clear();
    for (const auto& t : Tables)
        list.push_back(t.Object);
}

void RecordingEngine::TriggersStateChange(bool active, TFillProject* project) {
    record(std::string(active ? "Triggers on " : "Triggers off ") + project->TableName);
    changeStates(project->Triggers, active, project->Statistics.TriggerStates);
}

void RecordingEngine::IndicesStateChange(bool active, TFillProject* project) {
    record(std::string(active ? "Indices on " : "Indices off ") + project->TableName);
    changeStates(project->Indices, active, project->Statistics.IndexStates);
}

void RecordingEngine::changeStates(const kvl::TStringList& names, bool active, TStateChanges& changes) {
    for (const auto& name : names) {
        const std::string change = name + (active ? " on" : " off");
        if (std::find(RefusedStates.begin(), RefusedStates.end(), change) == RefusedStates.end())
            changes.Changed(name, active);
    }
}

void RecordingEngine::GetFields(TFillProject* project, TFillFieldList& list) {
    ++GetFieldsCalls;
    for (KFillRecord rec : tableOf(project).Columns) {
        rec.Project = project;
        list.push_back(CreateFillField(rec));
    }
}

void RecordingEngine::GetColumnData(const std::string& tableName, const std::string&,
                                    const std::string& columnName, kvl::TStringList& list) {
    record("GetColumnData " + tableName + "." + columnName);
    for (const auto& v : ColumnData[tableName + "." + columnName])
        list.Add(v);
}

void RecordingEngine::EmptyTable(TFillProject* project) {
    record("EmptyTable " + project->TableName);
}

void RecordingEngine::UnprepareInsert(TFillProject* project) {
    record("UnprepareInsert " + project->TableName);
    project->Unprepare();
    Statement.Unprepare();
}
