#include "TRowOrders.h"

#include "TFillProject.h"
#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/Random.h"
#include "base/SysUtils.h"
#include "uCheckReader.h"

#include <algorithm>
#include <optional>

namespace {

enum class Scale { None, Number, Date };

Scale scaleOf(const TCustomFillField* f) {
    if (dynamic_cast<const TIntegerFillField*>(f) || dynamic_cast<const TFloatFillField*>(f))
        return Scale::Number;
    if (dynamic_cast<const TDateFillField*>(f)) return Scale::Date;
    return Scale::None;
}

TCustomFillField* fieldNamed(TFillProject& project, const std::string& name) {
    for (auto& f : project.GetFillFields())
        if (kvl::SameText(f->ColumnName, name)) return f.get();
    return nullptr;
}

bool nullNow(const TCustomFillField& f) {
    return f.IncludeNulls && f.NullPercentage > kvl::Random(100);
}

// This row's value of a column: one chosen already, or one drawn now and kept for the row.
const kvl::TVariant& rowValue(TCustomFillField& f) {
    if (!f.PinnedRowValue()) f.PinRowValue(nullNow(f) ? kvl::TVariant::Null() : f.getInsertValue());
    return *f.PinnedRowValue();
}

} // namespace

void TRowOrders::Prepare() {
    follows_.clear();
    apart_.clear();
    auto rules = kvl::Supports<kvl::IKVL_TableRules>(project_.TableObject);
    if (!rules) return;
    std::vector<TColumnPair> apart;
    for (const auto& check : rules->Checks()) {
        TCheckReading reading = ReadCheck(check);
        for (const auto& order : reading.Orders) {
            TCustomFillField* low = fieldNamed(project_, order.Low);
            TCustomFillField* high = fieldNamed(project_, order.High);
            if (low && high && low != high) add(low, high, order.Strict);
        }
        apart.insert(apart.end(), reading.Apart.begin(), reading.Apart.end());
    }
    sort();
    // the row links keep their own columns apart; a column that follows another keeps its value
    auto free = [&](const TCustomFillField* f) {
        return f && !f->Linked && f->FillType != fillNothing &&
               std::none_of(follows_.begin(), follows_.end(), [&](const TFollow& o) { return o.Field == f; });
    };
    for (const auto& pair : apart) {
        TCustomFillField* first = fieldNamed(project_, pair.First);
        TCustomFillField* second = fieldNamed(project_, pair.Second);
        if (first && first != second && first->FillType != fillNothing && free(second))
            apart_.emplace_back(first, second);
        else if (second && first != second && second->FillType != fillNothing && free(first))
            apart_.emplace_back(second, first);
    }
}

// Only a column drawn from a range can follow, and only one of the same scale.
void TRowOrders::add(TCustomFillField* low, TCustomFillField* high, bool strict) {
    if (low->FillType == fillNothing || high->FillType != fillRandom || high->Linked) return;
    if (scaleOf(low) == Scale::None || scaleOf(low) != scaleOf(high)) return;
    auto it =
        std::find_if(follows_.begin(), follows_.end(), [&](const TFollow& f) { return f.Field == high; });
    if (it == follows_.end()) it = follows_.insert(follows_.end(), TFollow{high, {}});
    it->Lows.push_back({low, strict});
}

// Columns that follow others come after them; a circle of conditions drops the link that
// closes it, and its rows are left to the server.
void TRowOrders::sort() {
    std::vector<TFollow> sorted;
    std::vector<TFollow> left = std::move(follows_);
    while (!left.empty()) {
        auto waits = [&](const TFollow& f) {
            return std::any_of(f.Lows.begin(), f.Lows.end(), [&](const TLow& l) {
                return std::any_of(left.begin(), left.end(),
                                   [&](const TFollow& o) { return o.Field == l.Field; });
            });
        };
        auto ready = std::find_if(left.begin(), left.end(), [&](const TFollow& f) { return !waits(f); });
        if (ready == left.end()) {
            left.front().Lows.clear();
            ready = left.begin();
        }
        if (!ready->Lows.empty()) sorted.push_back(std::move(*ready));
        left.erase(ready);
    }
    follows_ = std::move(sorted);
}

void TRowOrders::BeforeRow() {
    for (TFollow& follow : follows_) {
        TCustomFillField& field = *follow.Field;
        if (field.PinnedRowValue()) continue;
        std::optional<double> floor;
        const kvl::TVariant* lowest = nullptr;
        bool strict = false;
        for (const TLow& low : follow.Lows) {
            const kvl::TVariant& v = rowValue(*low.Field);
            if (v.IsNull()) continue;
            const double d = v.AsDouble();
            if (floor && (d < *floor || (d == *floor && !low.Strict))) continue;
            floor = d;
            lowest = &v;
            strict = low.Strict;
        }
        if (nullNow(field)) {
            field.PinRowValue(kvl::TVariant::Null());
            continue;
        }
        std::optional<kvl::TVariant> value = lowest ? field.ValueFrom(*lowest, strict) : std::nullopt;
        field.PinRowValue(value ? std::move(*value) : field.getInsertValue());
    }
    keepApart();
}

// The second of two columns kept apart draws again while it equals the first, a few times at
// most: a column of few values would otherwise fail a row in as many.
void TRowOrders::keepApart() {
    for (auto& [first, second] : apart_) {
        const kvl::TVariant& a = rowValue(*first);
        for (int tries = 0; tries < 16; ++tries) {
            const kvl::TVariant& b = rowValue(*second);
            if (!a.SameValue(b)) break;
            second->PinRowValue(second->getInsertValue());
        }
    }
}
