#pragma once
#include "base/Variant.h"
#include "kvl3_db/Ukvl_connection.h"

#include <vector>

class TFillProject;
class TFillRowBlock;
class TFillStructureEngine;

// The rows of one batch of a bulk load: taken from the same blocks as on the statement path, handed
// to the bulk load and kept, so that a refused batch can go again row by row through the
// statement, with the same values.
class TFillBulkBatch {
public:
    TFillBulkBatch(TFillStructureEngine& engine, TFillRowBlock& block, kvl::TKVL_BulkInsert& bulk);

    // Takes the values of the block's current row; a generator's failure leaves the batch as it was.
    void MakeRow(int rowNumber);
    // Hands the row made last to the bulk load.
    void AddRow();
    int Rows() const { return static_cast<int>(rowNumbers_.size()); }
    int RowNumber(int index) const { return rowNumbers_[static_cast<size_t>(index)]; }
    // False when the server refused the batch; the transaction holds what it held before.
    bool Send() { return bulk_.Send(); }
    // Puts the values of row index (from 0) on the engine's insert statement.
    void BindRow(int index);
    void Clear() { rowNumbers_.clear(); }

private:
    TFillStructureEngine& engine_;
    TFillRowBlock& block_;
    kvl::TKVL_BulkInsert& bulk_;
    std::vector<kvl::TVariant> values_; // row after row, kept for the batch's life and reused
    int made_ = 0;
    std::vector<int> rowNumbers_; // the run's numbers of the batch's rows
};
