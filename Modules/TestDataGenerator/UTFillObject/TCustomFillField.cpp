#include "TCustomFillField.h"

#include "EFillError.h"
#include "TBlobFillField.h"
#include "TBoolBitFillField.h"
#include "TDateFillField.h"
#include "TFloatFillField.h"
#include "TGUIDFillField.h"
#include "TIntegerFillField.h"
#include "TTextFillField.h"
#include "TUnsupportedFillField.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "base/Random.h"

#include <cstdlib>

namespace {
template <class T> T absOf(T v) {
    return static_cast<T>(v < 0 ? -v : v);
}
} // namespace

TCustomFillField::TCustomFillField(const KFillRecord& rec)
    : Column(rec.Column), ColumnName(rec.ColumnName), DataTypeName(rec.DataTypeName), Size(absOf(rec.Size)),
      Nullable(rec.Nullable), Precision(static_cast<uint16_t>(absOf<int>(rec.Precision))),
      Scale(static_cast<uint16_t>(absOf<int>(rec.Scale))), HasDefault(rec.HasDefault), Project(rec.Project) {}

TCustomFillField::~TCustomFillField() = default;

bool TCustomFillField::GetReadyForFilling() const {
    return FillType == fillReferential && !RefTable.empty() && !RefColumn.empty();
}

kvl::TVariant TCustomFillField::RowValue() {
    if (!Pinned) return getInsertValue();
    kvl::TVariant value = std::move(*Pinned);
    Pinned.reset();
    return value;
}

std::optional<kvl::TVariant> TCustomFillField::ValueFrom(const kvl::TVariant&, bool) {
    return std::nullopt;
}

kvl::TVariant TCustomFillField::getInsertValue() {
    return kvl::TVariant();
}

void TCustomFillField::FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) {
    for (size_t i = 0; i < out.size(); ++i) {
        if (nulls()) {
            out[i] = kvl::TVariant::Null();
            continue;
        }
        try {
            out[i] = getInsertValue();
        } catch (...) {
            throw EFillSlotFailed(i, std::current_exception());
        }
    }
}

void TCustomFillField::prepareInsert() {
    if (!Nullable) IncludeNulls = false;
    if (FillType == fillReferential && !Linked) {
        RefValues.Clear();
        if (Project) Project->getTableColumnData(RefTable, RefTableOwner, RefColumn, RefValues);
    }
}

void TCustomFillField::unprepareInsert() {
    RefValues.Clear();
}

int TCustomFillField::GetFieldDatatype() const {
    return 0;
}

bool TCustomFillField::UniqueOnItsOwn() const {
    auto table = Project ? kvl::Supports<kvl::IKVL_Table>(Project->TableObject) : nullptr;
    if (!table) return false;
    if (auto key = table->PrimaryKey(); key && key->Columns()->Count() == 1)
        if (key->Columns()->Get(0)->Name() == ColumnName) return true;
    if (auto indices = table->Indices())
        for (const auto& item : *indices) {
            auto index = kvl::Supports<kvl::IKVL_Index>(item);
            if (index && index->Unique() && index->ColumnNames().size() == 1 &&
                index->ColumnNames()[0] == ColumnName)
                return true;
        }
    return false;
}

const std::string& TCustomFillField::RandomEntry(const kvl::TStringList& list) {
    return list.Get(kvl::Random(list.Count()));
}

std::string TCustomFillField::FirstGenerator() const {
    if (Project && Project->Generators && Project->Generators->Count() > 0)
        return Project->Generators->Get(0);
    return std::string();
}

namespace {
void keepConvertible(kvl::TStringList& list, bool (*converts)(const std::string&)) {
    for (int i = 0; i < list.Count();) {
        if (converts(list[i]))
            ++i;
        else
            list.Delete(i);
    }
}
} // namespace

void TCustomFillField::PrepareNumberLists(bool (*converts)(const std::string&)) {
    if (ListValues.IsEmpty())
        ListValues.Add("0");
    else
        keepConvertible(ListValues, converts);
    keepConvertible(RefValues, converts);
    if (RefValues.IsEmpty() && FillType == fillReferential && !Linked)
        throw EFillNoReferentialValuesError(RefTable, RefColumn);
}

std::unique_ptr<TCustomFillField> CreateFillField(const KFillRecord& rec) {
    const std::string& t = rec.DataTypeName;
    if (t == "SmallInt" || t == "Word" || t == "Integer" || t == "Int64")
        return std::make_unique<TIntegerFillField>(rec);
    if (t == "Decimal" || t == "Numeric") {
        if (rec.Scale > 0) return std::make_unique<TFloatFillField>(rec);
        return std::make_unique<TIntegerFillField>(rec);
    }
    if (t == "Float" || t == "Double Precision") return std::make_unique<TFloatFillField>(rec);
    if (t == "Char" || t == "Varchar") return std::make_unique<TTextFillField>(rec);
    if (t == "Date" || t == "Time" || t == "DateTime") return std::make_unique<TDateFillField>(rec);
    if (t == "Blob") return std::make_unique<TBlobFillField>(rec);
    if (t == "GUID") return std::make_unique<TGUIDFillField>(rec);
    if (t == "Boolean/Bit") return std::make_unique<TBoolBitFillField>(rec);
    return std::make_unique<TUnsupportedFillField>(rec);
}
