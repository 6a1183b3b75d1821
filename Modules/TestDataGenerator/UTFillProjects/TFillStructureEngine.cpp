#include "TFillStructureEngine.h"

#include "TFillProject.h"
#include "TFillRowBlock.h"
#include "UTFillObject/TBlobFillField.h"
#include "base/Exceptions.h"
#include "base/Random.h"
#include "base/SysUtils.h"

void TFillStructureEngine::DoAdditionalActions(TFillProject*, TActionTime) {}

std::string TFillStructureEngine::GeneratorIncValue(const std::string&) {
    return std::string();
}

void TFillStructureEngine::GetRowsData(const std::string&, const std::string&,
                                       const std::vector<std::string>&,
                                       std::vector<std::vector<std::string>>&,
                                       const std::vector<std::string>&) {
    throw kvl::Exception("Reading rows is not supported by this structure engine");
}

void TFillStructureEngine::UpdateRows(TFillProject*, const std::vector<std::string>&,
                                      const std::vector<std::string>&,
                                      const std::vector<std::vector<kvl::TVariant>>&) {
    throw kvl::Exception("Updating rows is not supported by this structure engine");
}

void TFillStructureEngine::HoldTransaction(const std::vector<std::string>&) {
    throw kvl::Exception("Deferring foreign keys is not supported by this structure engine");
}

void TFillStructureEngine::ReleaseTransaction(bool) {}

std::shared_ptr<kvl::IKVL_Schema> TFillStructureEngine::GetSchema() const {
    if (Schema) return Schema;
    if (Database) return Database->DefaultSchema();
    throw kvl::Exception("No schema available in TFillStructureEngine.GetSchema");
}

void TFillStructureEngine::CreateParamMap(TFillProject* project) {
    kvl::TKVL_Statement& st = GetSQLClassInstance();
    const auto count = static_cast<size_t>(st.ParamCount());
    ParamMap.assign(count, 0);
    ParamIsBlob.assign(count, false);
    ParamIncludeNulls.assign(count, false);
    ParamNullPercentage.assign(count, 0);
    TFillFieldList& fields = project->GetFillFields();
    for (size_t i = 0; i < count; ++i) {
        std::string name = st.ParamName(static_cast<int>(i));
        int n = kvl::StrToInt(name.empty() ? name : name.substr(1));
        TCustomFillField* f = fields.at(static_cast<size_t>(n)).get();
        ParamMap[i] = n;
        ParamIsBlob[i] = dynamic_cast<TBlobFillField*>(f) != nullptr;
        ParamIncludeNulls[i] = f->IncludeNulls;
        ParamNullPercentage[i] = f->NullPercentage;
    }
}

void TFillStructureEngine::InsertRow(TFillRowBlock& block) {
    kvl::TKVL_Statement& st = GetSQLClassInstance();
    const size_t count = ParamMap.size();
    for (size_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        if (const kvl::TVariant* value = block.Value(i)) {
            if (value->IsNull())
                st.SetParamNull(index);
            else
                st.SetParamValue(index, *value);
            continue;
        }
        std::istream& stream = static_cast<TBlobFillField&>(block.Field(i)).getInsertBlobValue();
        st.SetBlobParam(st.ParamName(index), stream);
        stream.clear();
        stream.seekg(0);
    }
    st.Execute();
}
