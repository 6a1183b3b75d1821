#pragma once
#include <utility>
#include <vector>

class TFillProject;
class TCustomFillField;

// Columns that the table's checks keep in order within a row ("check_out > check_in"): the
// later column's value is made from the earlier ones' values of the same row, so that every row
// meets the check. A NULL on either side meets it as well, so each column keeps its NULL share.
class TRowOrders {
public:
    explicit TRowOrders(TFillProject& project) : project_(project) {}

    // Reads the checks; after the fields prepared.
    void Prepare();
    // Pins the values of the ordered columns for this row; after the row links pinned theirs.
    void BeforeRow();

private:
    struct TLow {
        TCustomFillField* Field = nullptr;
        bool Strict = false;
    };
    struct TFollow {
        TCustomFillField* Field = nullptr;
        std::vector<TLow> Lows;
    };
    void add(TCustomFillField* low, TCustomFillField* high, bool strict);
    void sort();
    void keepApart();

    TFillProject& project_;
    std::vector<TFollow> follows_; // a column comes after every column it follows
    // columns a check keeps apart (x <> y) whose second one draws again while they are equal
    std::vector<std::pair<TCustomFillField*, TCustomFillField*>> apart_;
};
