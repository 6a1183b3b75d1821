#include "TGUIDFillField.h"

#include "EFillError.h"
#include "GuidText.h"
#include "UTFillConstants.h"
#include "base/Random.h"

bool TGUIDFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillNothing:
        return false;
    case fillGUID:
        return true;
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

// Referenced values are handed on unchanged: the server decides whether they are GUIDs.
void TGUIDFillField::prepareInsert() {
    TCustomFillField::prepareInsert();
    if (RefValues.IsEmpty() && FillType == fillReferential && !Linked)
        throw EFillNoReferentialValuesError(RefTable, RefColumn);
}

kvl::TVariant TGUIDFillField::getInsertValue() {
    switch (FillType) {
    case fillGUID:
        return kvl::TVariant(NewGuidText());
    case fillReferential:
        return kvl::TVariant(RandomEntry(RefValues));
    default:
        return kvl::TVariant();
    }
}

// New GUIDs are written into the texts the slots hold from the block before.
void TGUIDFillField::FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) {
    if (FillType != fillGUID) return TCustomFillField::FillValues(out, nulls);
    kvl::TLocalRandom random;
    char text[GuidTextSize];
    for (kvl::TVariant& slot : out) {
        if (nulls(*random)) {
            slot = kvl::TVariant::Null();
            continue;
        }
        DrawGuidText(*random, text);
        slot.AssignString(std::string_view(text, GuidTextSize));
    }
}

int TGUIDFillField::GetFieldDatatype() const {
    return 35;
}
