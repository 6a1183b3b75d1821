#include "TGUIDFillField.h"

#include "EFillError.h"
#include "UTFillConstants.h"
#include "base/Random.h"

#include <array>
#include <cstdint>

std::string NewGUIDText() {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::array<uint8_t, 16> bytes{};
    for (size_t i = 0; i < bytes.size(); i += 2) {
        const auto word = static_cast<uint32_t>(kvl::Random(0x10000));
        bytes[i] = static_cast<uint8_t>(word >> 8);
        bytes[i + 1] = static_cast<uint8_t>(word);
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    std::string text = "{";
    text.reserve(38);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += Hex[bytes[i] >> 4];
        text += Hex[bytes[i] & 0x0F];
    }
    text += '}';
    return text;
}

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
    if (RefValues.IsEmpty() && FillType == fillReferential)
        throw EFillNoReferentialValuesError(RefTable, RefColumn);
}

kvl::TVariant TGUIDFillField::getInsertValue() {
    switch (FillType) {
    case fillGUID:
        return kvl::TVariant(NewGUIDText());
    case fillReferential:
        return kvl::TVariant(RandomEntry(RefValues));
    default:
        return kvl::TVariant();
    }
}

int TGUIDFillField::GetFieldDatatype() const {
    return 35;
}
