#pragma once

// Text as the registry and the drivers hold it, for the tests' expected bytes: UTF-16LE, low byte first, written
// out here unit by unit rather than by the product's own conversion, so that a fault there cannot hide itself.

#include <cstdint>
#include <string_view>
#include <vector>

// The UTF-16LE bytes of the text, and with bWithNull two zero bytes after them, as a stored string ends.
inline std::vector<uint8_t> Utf16LeBytes(std::u16string_view text, bool bWithNull = false)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(2 * text.size() + 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (bWithNull)
        bytes.insert(bytes.end(), {0, 0});
    return bytes;
}
