#pragma once
#include "KFillRecord.h"
#include "base/Random.h"
#include "base/StringList.h"
#include "base/Variant.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The NULL share of a column, drawn once per value ahead of the value: a draw only while the
// column takes NULLs.
struct TNullDraw {
    bool Include = false;
    int32_t Percentage = 0;
    bool operator()(kvl::TRandomGenerator& g) const { return Include && Percentage > kvl::Random(g, 100); }
    bool operator()() const { return Include && Percentage > kvl::Random(100); }
};

// A block of values that depend on nothing but the generator, on a local copy of it: draw makes
// a slot's value, nulls decides first whether the slot is NULL. Without NULLs the loop takes no
// test per value.
template <typename Draw>
void FillDrawn(std::span<kvl::TVariant> out, const TNullDraw nulls, const Draw& draw) {
    kvl::TLocalRandom random;
    if (!nulls.Include) {
        for (kvl::TVariant& slot : out)
            slot = draw(*random);
        return;
    }
    for (kvl::TVariant& slot : out)
        slot = nulls(*random) ? kvl::TVariant::Null() : draw(*random);
}

// A value of a block that could not be made: the slots before Slot hold their values, the
// rest are not made.
class EFillSlotFailed : public std::exception {
public:
    EFillSlotFailed(size_t slot, std::exception_ptr cause) : Slot(slot), Cause(std::move(cause)) {}
    const char* what() const noexcept override { return "a value of a block could not be made"; }
    size_t Slot;
    std::exception_ptr Cause;
};

// The settings of one column and the maker of its values. The window and the project file
// read and write the settings fields directly; a run calls prepareInsert once, FillValues per
// block of rows (getInsertValue per row where a value depends on its row) and unprepareInsert at
// the end.
class TCustomFillField {
public:
    explicit TCustomFillField(const KFillRecord& rec);
    virtual ~TCustomFillField();
    TCustomFillField(const TCustomFillField&) = delete;
    TCustomFillField& operator=(const TCustomFillField&) = delete;

    virtual bool GetReadyForFilling() const;
    virtual kvl::TVariant getInsertValue();
    // The values of a run of rows of this column at once, each slot exactly what the NULL draw
    // and then getInsertValue give; kinds that make values cheaply do it in one tight loop.
    // A value that cannot be made throws EFillSlotFailed.
    virtual void FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls);
    virtual void prepareInsert();
    virtual void unprepareInsert();
    virtual int GetFieldDatatype() const;

    TFillProject* getProject() const { return Project; }

    // The value of this column for the row being inserted: the one the run's row links chose,
    // when they chose one, otherwise a new one of the settings.
    kvl::TVariant RowValue();
    bool HasRowValue() const { return Pinned.has_value(); }
    void PinRowValue(kvl::TVariant value) { Pinned = std::move(value); }
    const kvl::TVariant* PinnedRowValue() const { return Pinned ? &*Pinned : nullptr; }

    // A value of the settings at low or above (above it when strict), for a column that a
    // condition keeps at or above another column of the row; empty where the settings do not
    // draw from a range. The value lies within a tenth of the range above low, so that pairs stay
    // as close as real ones (stays of days or months, not of years); above the range, it is the
    // least one the condition allows.
    virtual std::optional<kvl::TVariant> ValueFrom(const kvl::TVariant& low, bool strict);

    std::shared_ptr<kvl::IKVL_Column> Column;
    std::string ColumnName;
    std::string DataTypeName;
    int32_t Size = 0;
    bool Nullable = true;
    bool IncludeNulls = false;
    int32_t NullPercentage = 10;
    uint16_t Precision = 0;
    uint16_t Scale = 0;
    bool HasDefault = false;
    kvl::TStringList RefValues;
    TFillProject* Project = nullptr;
    int32_t FillType = 0;
    kvl::TStringList ListValues;
    std::string RefTable;
    std::string RefTableOwner;
    std::string RefColumn;
    // Further ranges of random values beside the field's own (RangeFrom..RangeTo,
    // DateFrom..DateTo), for a condition that leaves gaps between ranges; in the field's own
    // units, whole numbers and days as they are. Values fall in each range in proportion to
    // its width.
    std::vector<std::pair<double, double>> RangeParts;
    // Random values come from more than one range, and are made one by one.
    bool HasRangeParts() const { return !RangeParts.empty(); }
    // Set while the run's row links feed this column: they read the referenced rows themselves,
    // so the column neither reads nor needs referential values of its own.
    bool Linked = false;

    // Whether the column is a primary key or unique index on its own, so that rows need values
    // that differ.
    bool UniqueOnItsOwn() const;

protected:
    // A random entry of a list; an empty list fails with the list's index error.
    static const std::string& RandomEntry(const kvl::TStringList& list);
    // The first generator of the table's server, the default of a number column.
    std::string FirstGenerator() const;
    // At preparation, a number column's lists keep the entries that convert, an empty value
    // list gains "0", and referential values without a convertible entry are an error.
    void PrepareNumberLists(bool (*converts)(const std::string&));

private:
    std::optional<kvl::TVariant> Pinned;
};

using TFillFieldList = std::vector<std::unique_ptr<TCustomFillField>>;

// The fill-field class that the column's datatype category asks for.
std::unique_ptr<TCustomFillField> CreateFillField(const KFillRecord& rec);
