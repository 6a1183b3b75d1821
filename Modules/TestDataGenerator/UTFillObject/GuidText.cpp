#include "GuidText.h"

#include "base/Random.h"

#include <array>
#include <cstdint>

void DrawGuidText(kvl::TRandomGenerator& g, char* text) {
    std::array<uint8_t, 16> bytes{};
    for (auto& b : bytes)
        b = static_cast<uint8_t>(kvl::Random(g, 256));
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80); // the RFC 4122 variant
    static constexpr char hex[] = "0123456789ABCDEF";
    size_t at = 0;
    text[at++] = '{';
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text[at++] = '-';
        text[at++] = hex[bytes[i] >> 4];
        text[at++] = hex[bytes[i] & 0x0F];
    }
    text[at] = '}';
}

std::string NewGuidText() {
    std::string text(GuidTextSize, ' ');
    DrawGuidText(kvl::detail::generator(), text.data());
    return text;
}
