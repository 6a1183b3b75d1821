#include "TFillRowBlock.h"

#include "TFillProject.h"
#include "TFillStructureEngine.h"
#include "UTFillConstants.h"

#include <algorithm>

TFillRowBlock::TFillRowBlock(TFillStructureEngine& engine, TFillProject& project) {
    TFillFieldList& fields = project.GetFillFields();
    const size_t count = engine.ParamMap.size();
    for (size_t i = 0; i < count; ++i) {
        TCustomFillField* f = fields[static_cast<size_t>(engine.ParamMap[i])].get();
        fields_.push_back(f);
        blob_.push_back(engine.ParamIsBlob[i]);
        // the row links feed linked columns; a counter's progress is read by them before each row
        inBlock_.push_back(!engine.ParamIsBlob[i] && !f->Linked && f->FillType != fillIncreasing);
        nulls_.push_back({engine.ParamIncludeNulls[i], engine.ParamNullPercentage[i]});
    }
    values_.resize(count * static_cast<size_t>(Rows));
    scratch_.resize(count);
}

void TFillRowBlock::BeforeRow(int64_t rowsLeft) {
    if (row_ + 1 < size_) {
        ++row_;
        return;
    }
    row_ = 0;
    size_ = std::clamp<int64_t>(rowsLeft, 1, Rows);
    failures_.clear();
    for (size_t i = 0; i < fields_.size(); ++i)
        if (inBlock_[i]) Make(i, size_);
}

// A value that cannot be made fails its own row only: the column's later slots are made after it.
void TFillRowBlock::Make(size_t param, int64_t rows) {
    const std::span<kvl::TVariant> column(values_.data() + param * static_cast<size_t>(Rows),
                                          static_cast<size_t>(rows));
    for (size_t at = 0; at < column.size();) {
        try {
            fields_[param]->FillValues(column.subspan(at), nulls_[param]);
            return;
        } catch (const EFillSlotFailed& e) {
            failures_.push_back({param, static_cast<int64_t>(at + e.Slot), e.Cause});
            at += e.Slot + 1;
        }
    }
}

void TFillRowBlock::ThrowIfFailed(size_t param) const {
    for (const TFailure& f : failures_)
        if (f.Param == param && f.Row == row_) std::rethrow_exception(f.Cause);
}

const kvl::TVariant* TFillRowBlock::Value(size_t param) {
    TCustomFillField* f = fields_[param];
    kvl::TVariant& scratch = scratch_[param];
    if (f->HasRowValue()) {
        // the row links decide NULLs of the columns they feed themselves
        scratch = f->RowValue();
        return &scratch;
    }
    if (inBlock_[param]) {
        if (!failures_.empty()) ThrowIfFailed(param);
        return &values_[param * static_cast<size_t>(Rows) + static_cast<size_t>(row_)];
    }
    if (nulls_[param]()) {
        scratch = kvl::TVariant::Null();
        return &scratch;
    }
    if (blob_[param]) return nullptr;
    scratch = f->getInsertValue();
    return &scratch;
}
