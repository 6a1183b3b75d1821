#include "GuidText.h"

#include "base/Random.h"

#include <array>
#include <cstdint>

std::string NewGuidText() {
    std::array<uint8_t, 16> bytes{};
    for (auto& b : bytes)
        b = static_cast<uint8_t>(kvl::Random(256));
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80); // the RFC 4122 variant
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(38);
    text += '{';
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 0x0F];
    }
    text += '}';
    return text;
}
