#include "TRowLinks.h"

#include "TFillProject.h"
#include "TFillProjects.h"
#include "TFillStructureEngine.h"
#include "UTFillConstants.h"
#include "UTFillObject/EFillError.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/Format.h"
#include "base/Random.h"
#include "base/SysUtils.h"
#include "uCheckReader.h"
#include "uSettingsGuess.h"
#include "uTDGFillPlan.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <limits>
#include <optional>
#include <set>

uint64_t TDistinctDraw::at(uint64_t i) const {
    auto it = moved_.find(i);
    return it == moved_.end() ? i : it->second;
}

uint64_t TDistinctDraw::Next() {
    const auto pick = std::min(left_ - 1, static_cast<uint64_t>(kvl::Random() * static_cast<double>(left_)));
    const uint64_t value = at(pick);
    --left_;
    // the last place still free moves into the drawn one, so the first left_ places stay open
    if (pick != left_) moved_[pick] = at(left_);
    moved_.erase(left_);
    return value;
}

namespace {

TCustomFillField* fieldOf(TFillProject& project, const std::string& column) {
    for (auto& f : project.GetFillFields())
        if (kvl::SameText(f->ColumnName, column)) return f.get();
    return nullptr;
}

// The columns of every unique key of a table: its primary key and its unique indices.
std::vector<std::vector<std::string>> uniqueKeysOf(const kvl::IKVL_Table& table) {
    std::vector<std::vector<std::string>> keys;
    if (auto pk = table.PrimaryKey(); pk && pk->Columns()) {
        std::vector<std::string> columns;
        for (const auto& c : *pk->Columns())
            columns.push_back(c->Name());
        keys.push_back(columns);
    }
    if (auto indices = table.Indices())
        for (const auto& item : *indices)
            if (auto index = kvl::Supports<kvl::IKVL_Index>(item); index && index->Unique())
                keys.push_back(index->ColumnNames());
    return keys;
}

bool sameColumns(std::vector<std::string> a, std::vector<std::string> b) {
    auto lower = [](std::vector<std::string>& v) {
        for (auto& s : v)
            s = kvl::LowerCase(s);
        std::sort(v.begin(), v.end());
    };
    lower(a);
    lower(b);
    return a == b;
}

bool holds(const std::vector<std::string>& key, const std::string& column) {
    return std::any_of(key.begin(), key.end(),
                       [&](const std::string& c) { return kvl::SameText(c, column); });
}

// The key the run feeds: every column referential and pointing at the key's table; a key the
// user filled otherwise is left to the user's settings.
bool linkedFields(TFillProject& project, const kvl::IKVL_ForeignKey& fk,
                  std::vector<TCustomFillField*>& fields) {
    fields.clear();
    for (const std::string& column : fk.ColumnNames()) {
        TCustomFillField* f = fieldOf(project, column);
        if (!f || f->FillType != fillReferential || !kvl::SameText(f->RefTable, fk.ReferencedTable()))
            return false;
        fields.push_back(f);
    }
    return !fields.empty() && fields.size() == fk.ReferencedColumnNames().size();
}

struct TKeyLink {
    TRowLink Link;
    bool Unique = false;
    std::string Name; // the foreign key's
    int Parent = -1;  // the referenced table's position in the list
};

bool defers(const TFillProject& project, const kvl::IKVL_ForeignKey& fk) {
    return project.FillProjects->StructureEngine && project.FillProjects->StructureEngine->DefersKey(fk);
}

// The links of a project's keys as the project order makes them: a key into a table filled
// later in this run waits when it may be NULL or its check can wait for the commit.
std::vector<TKeyLink> linksOf(TFillProject& project) {
    std::vector<TKeyLink> links;
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    if (!table || !project.FillProjects) return links;
    const TObjectListPlus& list = project.FillProjects->Projects;
    const int position = list.IndexOf(&project);
    const auto uniqueKeys = uniqueKeysOf(*table);
    for (const auto& fk : ForeignKeysOf(*table)) {
        TKeyLink k;
        TRowLink& link = k.Link;
        if (!linkedFields(project, *fk, link.Fields)) continue;
        link.Table = fk->ReferencedTable();
        link.Owner = fk->ReferencedTableOwner();
        link.Columns = fk->ColumnNames();
        link.RefColumns = fk->ReferencedColumnNames();
        link.Nullable = std::all_of(link.Fields.begin(), link.Fields.end(),
                                    [](const TCustomFillField* f) { return f->Nullable; });
        const TCustomFillField* first = link.Fields.front();
        link.NullPercentage = link.Nullable && first->IncludeNulls ? first->NullPercentage : 0;
        TFillProject* parent = ProjectOfTable(list, link.Table, link.Owner);
        k.Name = fk->Name();
        k.Parent = parent ? list.IndexOf(parent) : -1;
        const bool self = fk->ReferencedTable() == table->ReferenceName() || parent == &project;
        if (self) {
            link.Kind = TLinkKind::Self;
        } else if (parent && parent->doFill && k.Parent > position &&
                   (link.Nullable || defers(project, *fk))) {
            link.Kind = TLinkKind::Waiting;
            link.Held = !link.Nullable;
        }
        k.Unique = std::any_of(uniqueKeys.begin(), uniqueKeys.end(),
                               [&](const auto& key) { return sameColumns(key, link.Columns); });
        links.push_back(std::move(k));
    }
    return links;
}

// The number a text of a whole number stands for, when the text is the number's own spelling and
// a double holds it exactly.
std::optional<double> wholeNumber(const std::string& text) {
    int64_t v = 0;
    const char* end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, v);
    constexpr int64_t Exact = int64_t{1} << 53;
    if (read.ec != std::errc() || read.ptr != end || v > Exact || v < -Exact || std::to_string(v) != text)
        return std::nullopt;
    return static_cast<double>(v);
}

bool nullDrawn(int32_t percentage) {
    return percentage > 0 && percentage > kvl::Random(100);
}

} // namespace

void TKeyRows::Assign(const std::vector<std::vector<std::string>>& rows,
                      const std::vector<TCustomFillField*>& fields) {
    width_ = fields.size();
    values_.clear();
    values_.reserve(rows.size() * width_);
    for (const auto& row : rows)
        for (size_t c = 0; c < width_; ++c) {
            const std::optional<double> whole =
                dynamic_cast<const TIntegerFillField*>(fields[c]) ? wholeNumber(row[c]) : std::nullopt;
            values_.push_back(whole ? kvl::TVariant(*whole) : kvl::TVariant(row[c]));
        }
}

TRowLinks::TRowLinks(TFillProject& project) : project_(project) {}

TRowLinks::~TRowLinks() {
    for (TRowLink& link : links_)
        for (TCustomFillField* f : link.Fields)
            f->Linked = false;
}

namespace {

// The top of a key column that takes no negative number (an unsigned one, by its type's range
// or a check): its stand-ins count down from there.
std::optional<int64_t> standInTop(const TRowLink& link) {
    for (TCustomFillField* f : link.Fields)
        for (const std::string& check : DomainChecksOf(*f))
            for (const TColumnCondition& c : ReadCheck(check).Conditions) {
                int64_t low = -1, high = std::numeric_limits<int32_t>::max();
                if (!c.Low || !kvl::TryStrToInt64(c.Low->Value, low) || low < 0) continue;
                if (c.High) kvl::TryStrToInt64(c.High->Value, high);
                return high;
            }
    return std::nullopt;
}

} // namespace

void TRowLinks::Prepare() {
    TFillStructureEngine& engine = *project_.FillProjects->StructureEngine;
    for (TKeyLink& k : linksOf(project_)) {
        TRowLink& link = k.Link;
        if (link.Kind == TLinkKind::Drawn) {
            std::vector<std::vector<std::string>> rows;
            engine.GetRowsData(link.Table, link.Owner, link.RefColumns, rows);
            link.Rows.Assign(rows, link.Fields);
            if (link.Rows.empty() && !link.Nullable)
                throw kvl::Exception(
                    kvl::Format("Error during \"prepare\" of column \"%s\": %s",
                                {link.Columns.front(), std::string("no referential values found.")}));
        }
        link.Unique = k.Unique;
        if (link.Kind == TLinkKind::Self)
            for (const std::string& c : link.RefColumns) {
                TCustomFillField* f = fieldOf(project_, c);
                // a key the server makes is not known to the run: the reference stays NULL
                if (!f || f->FillType == fillNothing) {
                    link.KeyFields.clear();
                    break;
                }
                link.KeyFields.push_back(f);
            }
        for (TCustomFillField* f : link.Fields)
            f->Linked = true;
        if (link.Held) link.StandInTop = standInTop(link);
        links_.push_back(std::move(link));
    }
    thisRow_.assign(links_.size(), {});
    findGroups();
    findNumbered();
    findApart();
    for (auto& f : project_.GetFillFields())
        if (auto top = HighestCounterValue(project_, *f); top && !(numbered_ && numbered_->Field == f.get()))
            counters_.push_back({dynamic_cast<TIntegerFillField*>(f.get()), *top});
}

namespace {

std::string joinedKey(const std::vector<std::string>& values) {
    std::string key;
    for (const std::string& v : values)
        key += v + '\x1f';
    return key;
}

std::string joinedKey(const kvl::TVariant* values, size_t count) {
    std::string key;
    for (size_t i = 0; i < count; ++i)
        key += values[i].AsString() + '\x1f';
    return key;
}

std::vector<std::string> withColumn(std::vector<std::string> columns, const std::string& column) {
    columns.push_back(column);
    return columns;
}

} // namespace

// The rows the table holds before the run, in the given columns: a second run adds to them.
std::vector<std::vector<std::string>> TRowLinks::tableRows(const std::vector<std::string>& columns) const {
    std::vector<std::vector<std::string>> rows;
    project_.FillProjects->StructureEngine->GetRowsData(project_.TableName, project_.TableOwner, columns,
                                                        rows);
    return rows;
}

void TRowLinks::findNumbered() {
    const auto counter = NumberedKeyCounter(project_);
    if (!counter) return;
    for (TRowLink& link : links_) {
        if (link.Kind != TLinkKind::Drawn || link.Nullable || link.Group >= 0 ||
            !sameColumns(link.Columns, counter->Columns))
            continue;
        numbered_ = std::make_unique<TNumbered>();
        numbered_->Link = &link;
        numbered_->Field = counter->Field;
        numbered_->Top = counter->Top;
        numbered_->Next.assign(link.Rows.size(), counter->Field->RangeFrom);
        continueNumbers(*numbered_, tableRows(withColumn(link.Columns, counter->Field->ColumnName)));
        for (size_t i = 0; i < link.Rows.size(); ++i)
            if (numbered_->Next[i] <= counter->Top) numbered_->Open.push_back(i);
        return;
    }
}

bool TRowLinks::drawNumbered() {
    TNumbered& n = *numbered_;
    if (n.Open.empty()) {
        endNote_ = kvl::Format("every row of %s has its numbers in %s up to %d.",
                               {n.Link->Table, n.Field->ColumnName, static_cast<long long>(n.Top)});
        return false;
    }
    const auto at = static_cast<size_t>(kvl::Random(static_cast<int32_t>(n.Open.size())));
    const size_t row = n.Open[at];
    pinDrawn(*n.Link, n.Link->Rows[row]);
    n.Field->PinRowValue(kvl::TVariant(static_cast<int32_t>(n.Next[row])));
    n.Next[row] += n.Field->StaticValue;
    if (n.Next[row] <= n.Top) return true;
    n.Open[at] = n.Open.back();
    n.Open.pop_back();
    return true;
}

// The numbers a referenced row's rows hold already go on from their highest.
void TRowLinks::continueNumbers(TNumbered& n, const std::vector<std::vector<std::string>>& rows) {
    if (rows.empty()) return;
    const size_t width = n.Link->Columns.size();
    std::unordered_map<std::string, size_t> at;
    for (size_t i = 0; i < n.Link->Rows.size(); ++i)
        at.emplace(joinedKey(n.Link->Rows[i], width), i);
    for (const auto& row : rows) {
        auto parent = at.find(joinedKey(
            std::vector<std::string>(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(width))));
        int64_t number = 0;
        if (parent == at.end() || !kvl::TryStrToInt64(row[width], number)) continue;
        n.Next[parent->second] = std::max(n.Next[parent->second], number + n.Field->StaticValue);
    }
}

// Keys whose columns are all drawn links and that must stay unique: their links draw together,
// each combination of referenced rows once.
void TRowLinks::findGroups() {
    auto table = kvl::Supports<kvl::IKVL_Table>(project_.TableObject);
    if (!table) return;
    for (const auto& key : uniqueKeysOf(*table)) {
        TGroup group;
        std::vector<std::string> covered;
        bool whole = true;
        for (size_t i = 0; i < links_.size(); ++i) {
            const TRowLink& link = links_[i];
            bool inside = std::all_of(link.Columns.begin(), link.Columns.end(),
                                      [&](const std::string& c) { return holds(key, c); });
            if (!inside) continue;
            if (link.Kind != TLinkKind::Drawn || link.Group >= 0) whole = false;
            group.Links.push_back(static_cast<int>(i));
            covered.insert(covered.end(), link.Columns.begin(), link.Columns.end());
        }
        if (!whole || group.Links.empty() || !sameColumns(covered, key)) continue;
        uint64_t combinations = 1;
        for (int i : group.Links) {
            const uint64_t n = links_[static_cast<size_t>(i)].Rows.size();
            combinations = n != 0 && combinations > std::numeric_limits<uint64_t>::max() / n
                               ? std::numeric_limits<uint64_t>::max()
                               : combinations * n;
            links_[static_cast<size_t>(i)].Group = static_cast<int>(groups_.size());
        }
        group.Draw = std::make_unique<TDistinctDraw>(combinations);
        std::vector<std::string> columns;
        for (int i : group.Links)
            for (const std::string& c : links_[static_cast<size_t>(i)].Columns)
                columns.push_back(c);
        for (const auto& row : tableRows(columns))
            group.Held.insert(joinedKey(row));
        groups_.push_back(std::move(group));
    }
}

void TRowLinks::findApart() {
    apart_.clear();
    auto rules = kvl::Supports<kvl::IKVL_TableRules>(project_.TableObject);
    if (!rules) return;
    for (const auto& check : rules->Checks())
        for (const auto& pair : ReadCheck(check).Apart) {
            TCustomFillField* first = fieldOf(project_, pair.First);
            TCustomFillField* second = fieldOf(project_, pair.Second);
            if (first && second && first != second && first->Linked && second->Linked)
                apart_.push_back({first, second});
        }
}

namespace {

bool sameValue(const TCustomFillField& a, const TCustomFillField& b) {
    const kvl::TVariant* x = a.PinnedRowValue();
    const kvl::TVariant* y = b.PinnedRowValue();
    return x && y && x->SameValue(*y);
}

} // namespace

// A row whose columns kept apart came out equal draws one of their links again: a combination of
// a unique key is then left out for good, as no row may have it. A few tries at most; a link that
// cannot draw again leaves the row to the server.
void TRowLinks::keepApart() {
    for (const TApart& pair : apart_)
        for (int tries = 0; tries < 16 && sameValue(*pair.First, *pair.Second); ++tries)
            if (!redraw(pair.Second) && !redraw(pair.First)) break;
}

bool TRowLinks::redraw(const TCustomFillField* field) {
    for (TRowLink& link : links_) {
        if (std::find(link.Fields.begin(), link.Fields.end(), field) == link.Fields.end()) continue;
        if (link.Kind != TLinkKind::Drawn || link.Rows.empty() || (numbered_ && numbered_->Link == &link))
            return false;
        if (link.Group >= 0) return drawGroup(groups_[static_cast<size_t>(link.Group)]);
        pinDrawn(link, link.Rows[static_cast<size_t>(kvl::Random(static_cast<int32_t>(link.Rows.size())))]);
        return true;
    }
    return false;
}

void TRowLinks::pinDrawn(TRowLink& link, const kvl::TVariant* row) {
    for (size_t c = 0; c < link.Fields.size(); ++c)
        link.Fields[c]->PinRowValue(row[c]);
}

bool TRowLinks::nullNow(const TRowLink& link) const {
    return link.Nullable && nullDrawn(link.NullPercentage);
}

static void pinNull(TRowLink& link) {
    for (TCustomFillField* f : link.Fields)
        f->PinRowValue(kvl::TVariant::Null());
}

// A value of the column's type that stands in until the key is set: apart for every row, so that
// a unique key takes it too. The rows still holding one are those that point at no row.
static void pinStandIn(TRowLink& link) {
    ++link.StandIns;
    const kvl::TVariant value(
        std::to_string(link.StandInTop ? *link.StandInTop + 1 - link.StandIns : -link.StandIns));
    for (TCustomFillField* f : link.Fields)
        f->PinRowValue(value);
}

bool TRowLinks::drawGroup(TGroup& group) {
    // a single nullable key may stay NULL without using up a referenced row
    if (group.Links.size() == 1 && nullNow(links_[static_cast<size_t>(group.Links.front())])) {
        pinNull(links_[static_cast<size_t>(group.Links.front())]);
        return true;
    }
    while (!group.Draw->Empty()) {
        uint64_t index = group.Draw->Next();
        std::string key;
        for (int i : group.Links) {
            TRowLink& link = links_[static_cast<size_t>(i)];
            const uint64_t n = link.Rows.size();
            const kvl::TVariant* row = link.Rows[static_cast<size_t>(index % n)];
            pinDrawn(link, row);
            if (!group.Held.empty()) key += joinedKey(row, link.Fields.size());
            index /= n;
        }
        if (group.Held.empty() || !group.Held.count(key)) return true;
    }
    return false;
}

void TRowLinks::drawSelf(TRowLink& link) {
    const size_t at = static_cast<size_t>(&link - links_.data());
    thisRow_[at].clear();
    if (link.KeyFields.empty()) {
        pinNull(link);
        return;
    }
    // this row's own key, chosen now so that a reference may point at the row itself
    for (TCustomFillField* f : link.KeyFields) {
        kvl::TVariant value = f->HasRowValue() ? f->RowValue() : f->getInsertValue();
        f->PinRowValue(value);
        thisRow_[at].push_back(value);
    }
    link.AtItself = false;
    if (link.Nullable && (link.Own.empty() || nullDrawn(link.NullPercentage))) {
        pinNull(link);
        return;
    }
    // a NOT NULL key may point at its own row: the first row has no other
    const size_t choices = link.Own.size() + (link.Nullable ? 0 : 1);
    const auto pick = static_cast<size_t>(kvl::Random(static_cast<int32_t>(choices)));
    link.AtItself = pick >= link.Own.size();
    const auto key = link.AtItself ? thisRow_[at] : link.Own[pick];
    for (size_t c = 0; c < link.Fields.size() && c < key.size(); ++c)
        link.Fields[c]->PinRowValue(key[c]);
    if (!link.Unique || link.AtItself) return;
    // a row pointed at is not free any more, even when this insert fails: no key twice
    link.Own[pick] = std::move(link.Own.back());
    link.Own.pop_back();
}

bool TRowLinks::BeforeRow() {
    for (TGroup& group : groups_)
        if (!drawGroup(group)) {
            endNote_ = "every combination of referenced rows that its unique key allows is used.";
            return false;
        }
    for (const TCounter& c : counters_)
        if (c.Field->Counter > c.Top) {
            endNote_ = kvl::Format("counter %s would pass %d, the highest value its column takes.",
                                   {c.Field->ColumnName, static_cast<long long>(c.Top)});
            return false;
        }
    if (numbered_ && !drawNumbered()) return false;
    for (TRowLink& link : links_) {
        if (link.Group >= 0 || (numbered_ && numbered_->Link == &link)) continue;
        switch (link.Kind) {
        case TLinkKind::Waiting:
            if (link.Held)
                pinStandIn(link);
            else
                pinNull(link);
            break;
        case TLinkKind::Self:
            drawSelf(link);
            break;
        case TLinkKind::Drawn:
            if (link.Rows.empty() || nullNow(link))
                pinNull(link);
            else
                pinDrawn(link,
                         link.Rows[static_cast<size_t>(kvl::Random(static_cast<int32_t>(link.Rows.size())))]);
            break;
        }
    }
    keepApart();
    return true;
}

void TRowLinks::AfterRow() {
    for (size_t i = 0; i < links_.size(); ++i)
        if (links_[i].Kind == TLinkKind::Self && !thisRow_[i].empty() &&
            !(links_[i].Unique && links_[i].AtItself))
            links_[i].Own.push_back(thisRow_[i]);
}

namespace {

std::vector<std::string> primaryKeyOf(const kvl::IKVL_Table& table) {
    std::vector<std::string> columns;
    if (auto pk = table.PrimaryKey(); pk && pk->Columns())
        for (const auto& c : *pk->Columns())
            columns.push_back(c->Name());
    return columns;
}

// The keys of the rows whose held key still holds its stand-in: those that point at no row.
std::vector<std::vector<std::string>> standingIn(TFillProject& project, TFillStructureEngine& engine,
                                                 const std::vector<std::string>& key, const TRowLink& link,
                                                 const std::vector<std::vector<std::string>>& parents) {
    std::vector<std::string> columns(key);
    columns.insert(columns.end(), link.Columns.begin(), link.Columns.end());
    std::vector<std::vector<std::string>> rows;
    engine.GetRowsData(project.TableName, project.TableOwner, columns, rows);
    const std::set<std::vector<std::string>> present(parents.begin(), parents.end());
    std::vector<std::vector<std::string>> open;
    for (auto& row : rows) {
        const std::vector<std::string> points(row.begin() + static_cast<std::ptrdiff_t>(key.size()),
                                              row.end());
        if (present.count(points)) continue;
        row.resize(key.size());
        open.push_back(std::move(row));
    }
    return open;
}

// Rows whose held key points at no row fail the commit, as the server's deferred check fails it;
// where the session left keys unchecked instead, no server would.
void keptStandIns(TFillProject& project, TFillStructureEngine& engine, const TKeyLink& k,
                  const std::vector<std::vector<std::string>>& parents) {
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    const size_t open = standingIn(project, engine, primaryKeyOf(*table), k.Link, parents).size();
    if (open == 0) return;
    throw kvl::Exception(
        kvl::Format("%d rows of %s keep a key (%s) that points at no row of %s",
                    {static_cast<long long>(open), project.TableName, k.Name, k.Link.Table}));
}

// The keys of the rows a link may point at.
std::vector<std::vector<std::string>> parentsOf(TFillStructureEngine& engine, const TRowLink& link) {
    std::vector<std::vector<std::string>> parents;
    engine.GetRowsData(link.Table, link.Owner, link.RefColumns, parents);
    return parents;
}

void setWaiting(TFillProject& project, TFillStructureEngine& engine, const TKeyLink& k,
                const std::vector<std::vector<std::string>>& parents) {
    const TRowLink& link = k.Link;
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    const auto key = primaryKeyOf(*table);
    if (key.empty()) {
        project.Statistics.Log.Add("The key " + link.Columns.front() +
                                   " stays NULL: the table has no primary key.");
        return;
    }
    std::vector<std::vector<std::string>> rows;
    if (link.Held)
        rows = standingIn(project, engine, key, link, parents);
    else
        engine.GetRowsData(project.TableName, project.TableOwner, key, rows, link.Columns);
    if (parents.empty()) return;
    TDistinctDraw distinct(parents.size());
    std::vector<std::vector<kvl::TVariant>> updates;
    for (const auto& row : rows) {
        if (!link.Held && nullDrawn(link.NullPercentage)) continue;
        if (k.Unique && distinct.Empty()) break;
        const size_t pick = k.Unique ? static_cast<size_t>(distinct.Next())
                                     : static_cast<size_t>(kvl::Random(static_cast<int32_t>(parents.size())));
        std::vector<kvl::TVariant> values;
        for (const std::string& v : parents[pick])
            values.emplace_back(v);
        for (const std::string& v : row)
            values.emplace_back(v);
        updates.push_back(std::move(values));
    }
    engine.UpdateRows(&project, link.Columns, key, updates);
}

} // namespace

void SetWaitingKeys(TFillProjects& projects) {
    for (TFillProject* p : projects.Projects) {
        if (!projects.FillingStarted || projects.StopRequested) return;
        if (!p->doFill) continue;
        for (const TKeyLink& k : linksOf(*p)) {
            // a held key was set before its span's commit
            if (k.Link.Kind != TLinkKind::Waiting || k.Link.Held) continue;
            projects.doTaskUpdate(p, "Setting keys that waited for later tables...");
            setWaiting(*p, *projects.StructureEngine, k, parentsOf(*projects.StructureEngine, k.Link));
        }
    }
}

std::vector<THeldSpan> HeldSpansOf(TFillProjects& projects) {
    std::vector<THeldSpan> spans;
    const TObjectListPlus& list = projects.Projects;
    for (int i = 0; i < list.Count(); ++i) {
        TFillProject* p = list[i];
        if (!p->doFill) continue;
        for (const TKeyLink& k : linksOf(*p)) {
            if (!k.Link.Held) continue;
            const std::string name = projects.StructureEngine->FormatIdentifier(k.Name, p->TableOwner);
            // the list is walked in order, so a span that overlaps this one is the last
            if (!spans.empty() && spans.back().Last >= i) {
                spans.back().Last = std::max(spans.back().Last, k.Parent);
                spans.back().Keys.push_back(name);
                continue;
            }
            spans.push_back({i, k.Parent, {name}});
        }
    }
    return spans;
}

void SetHeldKeys(TFillProjects& projects, const THeldSpan& span) {
    for (int i = span.First; i <= span.Last; ++i) {
        TFillProject* p = projects.Projects[i];
        if (!p->doFill) continue;
        for (const TKeyLink& k : linksOf(*p)) {
            if (!k.Link.Held) continue;
            projects.doTaskUpdate(p, "Setting keys that waited for later tables...");
            const auto parents = parentsOf(*projects.StructureEngine, k.Link);
            setWaiting(*p, *projects.StructureEngine, k, parents);
            keptStandIns(*p, *projects.StructureEngine, k, parents);
        }
    }
}

void ClearKeysBeforeEmptying(TFillProjects& projects) {
    const TObjectListPlus& list = projects.Projects;
    for (int i = 0; i < list.Count(); ++i) {
        TFillProject* p = list[i];
        auto table = kvl::Supports<kvl::IKVL_Table>(p->TableObject);
        if (!p->EmptyFirst || !p->doFill || !table) continue;
        std::vector<std::string> columns;
        for (const auto& fk : ForeignKeysOf(*table)) {
            TFillProject* parent = ProjectOfTable(list, fk->ReferencedTable(), fk->ReferencedTableOwner());
            if (!parent || list.IndexOf(parent) < i) continue;
            const auto names = fk->ColumnNames();
            const bool nullable = std::all_of(names.begin(), names.end(), [&](const std::string& c) {
                auto column = kvl::Supports<kvl::IKVL_Column>(kvl::IList_ByName(table->Columns(), c, false));
                return column && !column->NotNull();
            });
            if (nullable) columns.insert(columns.end(), names.begin(), names.end());
        }
        if (columns.empty()) continue;
        projects.doTaskUpdate(p, "Emptying table...");
        projects.StructureEngine->UpdateRows(
            p, columns, {}, {std::vector<kvl::TVariant>(columns.size(), kvl::TVariant::Null())});
    }
}
