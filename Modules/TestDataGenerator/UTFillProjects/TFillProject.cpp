#include "TFillProject.h"

#include "TFillProjects.h"
#include "TFillStructureEngine.h"
#include "UTFillConstants.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/Exceptions.h"
#include "base/Format.h"

TFillProject::TFillProject(TFillProjects* owner) : FillProjects(owner) {
    if (!owner) return;
    Generators = &owner->Generators;
    EmptyFirst = owner->defaultEmpty;
    DisableIndices = owner->defaultIndex;
    DisableTriggers = owner->defaultTrigger;
    Rows = owner->defaultRows;
    RowsPerTransaction = owner->defaultTrans;
}

TFillProject::~TFillProject() {
    DeleteStructure();
    TableObject.reset();
}

TFillFieldList& TFillProject::GetFillFields() {
    if (!FillFields) {
        FillFields = std::make_unique<TFillFieldList>();
        CreateStructure();
    }
    return *FillFields;
}

void TFillProject::CreateStructure() {
    TFillStructureEngine* engine = FillProjects ? FillProjects->StructureEngine : nullptr;
    if (!engine) throw kvl::Exception("No structure engine");
    if (!FillFields) FillFields = std::make_unique<TFillFieldList>();
    engine->GetFields(this, *FillFields);
    engine->GetTriggers(this, Triggers);
    engine->GetIndices(this, Indices);
}

void TFillProject::DeleteStructure() {
    FillFields.reset();
    TableName.clear();
}

bool TFillProject::HasFieldSettings() const {
    if (!FillFields) return false;
    for (const auto& f : *FillFields)
        if (f->FillType != fillNothing) return true;
    return false;
}

void TFillProject::getColumnNames(kvl::TStringList& list) {
    list.Clear();
    for (const auto& f : GetFillFields())
        list.Add(f->ColumnName);
}

void TFillProject::getTableColumnData(const std::string& refTableName, const std::string& refTableOwner,
                                      const std::string& refColumnName, kvl::TStringList& values) {
    if (!FillProjects || !FillProjects->StructureEngine) throw kvl::Exception("No structure engine");
    FillProjects->StructureEngine->GetColumnData(refTableName, refTableOwner, refColumnName, values);
}

bool TFillProject::validateProjectNoFill() {
    for (const auto& f : GetFillFields())
        if (f->FillType != fillNothing) return true;
    return false;
}

int16_t TFillProject::validateProjectNotNull() {
    TFillFieldList& fields = GetFillFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        if (f->FillType == fillNothing && !f->Nullable && !f->HasDefault) return static_cast<int16_t>(i);
    }
    return -1;
}

void TFillProject::SetSQLAndParamDatatypes() {
    TFillStructureEngine& engine = *FillProjects->StructureEngine;
    kvl::TKVL_Statement& st = engine.GetSQLClassInstance();
    std::vector<int> datatypes;
    kvl::TStringList lines;
    kvl::TStringList values;
    lines.Add(kvl::Format("insert into %s (", {engine.FormatIdentifier(TableName, TableOwner)}));
    TFillFieldList& fields = GetFillFields();
    for (size_t p = 0; p < fields.size(); ++p) {
        TCustomFillField* f = fields[p].get();
        if (f->FillType == fillNothing) continue;
        if (lines.Count() > 1) {
            lines.Add(",");
            values.Add(",");
        }
        lines.Add(engine.FormatIdentifier(f->ColumnName, ""));
        std::string generator;
        if (f->FillType == fillGenerator) {
            if (auto* i = dynamic_cast<TIntegerFillField*>(f))
                generator = i->GeneratorName;
            else if (auto* r = dynamic_cast<TFloatFillField*>(f))
                generator = r->GeneratorName;
        }
        if (!generator.empty()) {
            values.Add(engine.GeneratorIncValue(engine.FormatIdentifier(generator, "")));
            continue;
        }
        values.Add(kvl::Format(":P%u", {static_cast<unsigned>(p)}));
        datatypes.push_back(f->GetFieldDatatype());
    }
    if (lines.Count() == 1)
        throw kvl::Exception("No columns to fill for table " + TableName + " - please check your settings.");
    lines.Add(")");
    lines.Add("values (");
    lines.AddStrings(values);
    lines.Add(")");
    st.SQL().Assign(lines);
    st.Prepare();
    for (int i = 0; i < st.ParamCount(); ++i) {
        int type = st.ParamType(i);
        if (type == 0 || type == 1 || type == 24) st.SetParamType(i, datatypes.at(static_cast<size_t>(i)));
    }
}
