#include "TFillBulkBatch.h"

#include "TFillRowBlock.h"
#include "TFillStructureEngine.h"
#include "UTFillObject/TBlobFillField.h"

#include <iterator>

TFillBulkBatch::TFillBulkBatch(TFillStructureEngine& engine, TFillRowBlock& block, kvl::TKVL_BulkInsert& bulk)
    : engine_(engine), block_(block), bulk_(bulk) {}

void TFillBulkBatch::MakeRow(int rowNumber) {
    const size_t count = engine_.ParamMap.size();
    const size_t first = rowNumbers_.size() * count;
    if (values_.size() < first + count) values_.resize(first + count);
    for (size_t i = 0; i < count; ++i) {
        kvl::TVariant& value = values_[first + i];
        // a copy into the slot's own text buffer: no allocation once the batch has made its rows
        if (const kvl::TVariant* made = block_.Value(i)) {
            value = *made;
            continue;
        }
        std::istream& stream = static_cast<TBlobFillField&>(block_.Field(i)).getInsertBlobValue();
        value = kvl::TVariant(
            std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>()));
        stream.clear();
        stream.seekg(0);
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
