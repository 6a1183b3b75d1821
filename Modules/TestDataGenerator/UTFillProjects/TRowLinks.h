#pragma once
#include "UTFillObject/TCustomFillField.h"
#include "base/Variant.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TFillProject;
class TIntegerFillField;
class TFillProjects;

// Draws the indices 0 .. Count-1 each at most once, in random order, without holding them all:
// a Fisher-Yates shuffle that remembers only the places it has swapped.
class TDistinctDraw {
public:
    explicit TDistinctDraw(uint64_t count) : left_(count) {}
    bool Empty() const { return left_ == 0; }
    uint64_t Next();

private:
    uint64_t at(uint64_t i) const;
    uint64_t left_;
    std::unordered_map<uint64_t, uint64_t> moved_;
};

// How a foreign key of a table gets its values during a run.
enum class TLinkKind {
    Drawn,   // from the rows the referenced table has before this table starts
    Self,    // from the rows of this table inserted earlier in this run
    Waiting, // NULL at first, set once the referenced table, filled later, has its rows
};

// The referenced rows' keys, a row's columns side by side. A column this table fills with whole
// numbers keeps them as its integer field makes its own values, so that they are bound without
// reading a text.
class TKeyRows {
public:
    void Assign(const std::vector<std::vector<std::string>>& rows,
                const std::vector<TCustomFillField*>& fields);
    size_t size() const { return width_ ? values_.size() / width_ : 0; }
    bool empty() const { return values_.empty(); }
    const kvl::TVariant* operator[](size_t row) const { return values_.data() + row * width_; }

private:
    size_t width_ = 0;
    std::vector<kvl::TVariant> values_;
};

struct TRowLink {
    TLinkKind Kind = TLinkKind::Drawn;
    std::string Table, Owner; // the referenced table
    std::vector<std::string> Columns, RefColumns;
    std::vector<TCustomFillField*> Fields;    // this table's columns of the key
    std::vector<TCustomFillField*> KeyFields; // Self: this table's referenced columns
    bool Nullable = false;
    bool Held = false; // Waiting NOT NULL: a stand-in value until its check at the held commit
    int64_t StandIns = 0;
    std::optional<int64_t> StandInTop; // a key of no negative numbers counts its stand-ins down from here
    int32_t NullPercentage = 0;
    TKeyRows Rows;                               // Drawn: the referenced rows
    std::vector<std::vector<kvl::TVariant>> Own; // Self: the keys of the rows inserted so far
    bool Unique = false;   // Self: each row is pointed at once at most, so Own keeps the free ones
    bool AtItself = false; // Self: this row points at itself
    int Group = -1;        // the unique key whose combinations it shares in, or -1
};

// The links of one table's foreign keys for one run: the columns of a key take one referenced
// row's values, self-references draw from rows already inserted, keys into tables filled later
// wait, and keys that are unique together get each combination once. Which keys wait follows
// from the project order alone, so a saved project fills the same way wherever it is run.
class TRowLinks {
public:
    explicit TRowLinks(TFillProject& project);
    ~TRowLinks();
    TRowLinks(const TRowLinks&) = delete;
    TRowLinks& operator=(const TRowLinks&) = delete;

    // Reads the referenced rows; before the fields prepare, so that they leave these columns.
    void Prepare();
    // Chooses this row's values of the linked columns; False when a unique key has no
    // combination left or a counter has passed the top of its column, and the table ends. A
    // primary key of one foreign key and a counter numbers the rows of each referenced row.
    bool BeforeRow();
    // The row went in: its key is one that self-references may point at from now on.
    void AfterRow();
    // Why the table ended early, when BeforeRow said so.
    const std::string& EndNote() const { return endNote_; }

private:
    struct TGroup {
        std::vector<int> Links;
        std::unique_ptr<TDistinctDraw> Draw;
        std::unordered_set<std::string> Held; // the combinations the table holds already
    };
    // a counter past its top fails every further row, a key's counter would fail them all
    struct TCounter {
        TIntegerFillField* Field;
        int64_t Top;
    };
    // A key of one foreign key and a counter numbers the rows of each referenced row on its own,
    // as order lines are numbered within their order, so the numbers stay within the column.
    struct TNumbered {
        TRowLink* Link = nullptr;
        TIntegerFillField* Field = nullptr;
        int64_t Top = 0;
        std::vector<int64_t> Next; // per referenced row
        std::vector<size_t> Open;  // the referenced rows that have numbers left
    };
    // Two linked columns that a check keeps apart (x <> y).
    struct TApart {
        TCustomFillField* First = nullptr;
        TCustomFillField* Second = nullptr;
    };
    void findApart();
    void keepApart();
    bool redraw(const TCustomFillField* field);
    std::vector<std::vector<std::string>> tableRows(const std::vector<std::string>& columns) const;
    void findNumbered();
    void continueNumbers(TNumbered& n, const std::vector<std::vector<std::string>>& rows);
    bool drawNumbered();
    void pinDrawn(TRowLink& link, const kvl::TVariant* row);
    bool nullNow(const TRowLink& link) const;
    void findGroups();
    bool drawGroup(TGroup& group);
    void drawSelf(TRowLink& link);

    TFillProject& project_;
    std::vector<TRowLink> links_;
    std::vector<TGroup> groups_;
    std::vector<std::vector<kvl::TVariant>> thisRow_; // Self: this row's own key per link
    std::vector<TCounter> counters_;
    std::unique_ptr<TNumbered> numbered_;
    std::vector<TApart> apart_;
    std::string endNote_;
};

// After every table of a run has its rows: sets the keys that waited for a table filled later.
void SetWaitingKeys(TFillProjects& projects);

// Tables First to Last (positions in the project list) fill in one transaction: a NOT NULL key
// of one waits for a table filled later, its check deferred to the commit.
struct THeldSpan {
    int First = -1, Last = -1;
    std::vector<std::string> Keys; // the deferred foreign keys, as the engine writes them
};

// The spans of the project order, overlapping ones joined.
std::vector<THeldSpan> HeldSpansOf(TFillProjects& projects);

// Sets the NOT NULL keys of a span that waited, before its commit.
void SetHeldKeys(TFillProjects& projects, const THeldSpan& span);

// Before tables are emptied children first: keys into the table itself or into a table later in
// the order would hold rows back, so those that may be NULL are set NULL.
void ClearKeysBeforeEmptying(TFillProjects& projects);
