#pragma once
#include "UTFillObject/TCustomFillField.h"
#include "base/Variant.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

class TFillProject;
class TFillStructureEngine;

// The values of a run of rows, made column by column ahead of the rows: each column whose values
// depend on nothing else in its row gets those of the whole block from one call. What depends on
// the row is still made per row, after the block: the row links' and row orders' values, BLOB
// streams, counters (the row links read how far they got). Both the statement and the bulk path
// take their rows from here, in the same order, so that a seed gives the same rows on every path.
class TFillRowBlock {
public:
    // Fixed, never tied to commit points, batch sizes, the path or the engine: every path cuts a
    // table into the same blocks.
    static constexpr int64_t Rows = 256;

    // After the engine's parameter map is made.
    TFillRowBlock(TFillStructureEngine& engine, TFillProject& project);

    // Before the row's own draws: moves to the next row, making a new block when this one is used
    // up; rowsLeft counts this row and the table's rows after it.
    void BeforeRow(int64_t rowsLeft);

    // This row's value of the statement's parameter: the one pinned by the row links or orders,
    // the block's, or one made now. Null for a BLOB column whose stream the caller reads. A value
    // that could not be made throws what making it threw.
    const kvl::TVariant* Value(size_t param);
    TCustomFillField& Field(size_t param) const { return *fields_[param]; }

private:
    struct TFailure {
        size_t Param;
        int64_t Row;
        std::exception_ptr Cause;
    };
    void Make(size_t param, int64_t rows);
    void ThrowIfFailed(size_t param) const;

    std::vector<TCustomFillField*> fields_;
    std::vector<bool> inBlock_;
    std::vector<bool> blob_;
    std::vector<TNullDraw> nulls_;
    std::vector<kvl::TVariant> values_;  // column after column, Rows slots each
    std::vector<kvl::TVariant> scratch_; // per parameter: a value made for the row alone
    std::vector<TFailure> failures_;
    int64_t row_ = 0;
    int64_t size_ = 0;
};
