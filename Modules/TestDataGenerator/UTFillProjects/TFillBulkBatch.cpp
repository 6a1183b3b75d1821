#include "TFillBulkBatch.h"

#include "TFillProject.h"
#include "TFillStructureEngine.h"
#include "UTFillObject/TBlobFillField.h"
#include "base/Random.h"

#include <iterator>

TFillBulkBatch::TFillBulkBatch(TFillStructureEngine& engine, TFillProject& project,
                               kvl::TKVL_BulkInsert& bulk)
    : engine_(engine), project_(project), bulk_(bulk) {}

void TFillBulkBatch::MakeRow(int rowNumber) {
    // the same draws in the same order as TFillStructureEngine::InsertRow: same seed, same rows
    TFillFieldList& fields = project_.GetFillFields();
    const size_t count = engine_.ParamMap.size();
    const size_t first = rowNumbers_.size() * count;
    if (values_.size() < first + count) values_.resize(first + count);
    for (size_t i = 0; i < count; ++i) {
        kvl::TVariant& value = values_[first + i];
        TCustomFillField* f = fields[static_cast<size_t>(engine_.ParamMap[i])].get();
        if (f->HasRowValue()) {
            // the row links decide NULLs of the columns they feed themselves
            value = f->RowValue();
        } else if (engine_.ParamIncludeNulls[i] && engine_.ParamNullPercentage[i] > kvl::Random(100)) {
            value = kvl::TVariant::Null();
        } else if (!engine_.ParamIsBlob[i]) {
            value = f->getInsertValue();
        } else {
            std::istream& stream = static_cast<TBlobFillField*>(f)->getInsertBlobValue();
            value = kvl::TVariant(
                std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>()));
            stream.clear();
            stream.seekg(0);
        }
    }
    made_ = rowNumber;
}

void TFillBulkBatch::AddRow() {
    const size_t count = engine_.ParamMap.size();
    const size_t first = rowNumbers_.size() * count;
    rowNumbers_.push_back(made_);
    for (size_t i = 0; i < count; ++i)
        bulk_.SetValue(static_cast<int>(i), values_[first + i]);
    bulk_.AddRow();
}

void TFillBulkBatch::BindRow(int index) {
    kvl::TKVL_Statement& st = engine_.GetSQLClassInstance();
    const size_t count = engine_.ParamMap.size();
    const size_t first = static_cast<size_t>(index) * count;
    for (size_t i = 0; i < count; ++i) {
        const kvl::TVariant& value = values_[first + i];
        if (value.IsNull())
            st.SetParamNull(static_cast<int>(i));
        else
            st.SetParamValue(static_cast<int>(i), value);
    }
}
