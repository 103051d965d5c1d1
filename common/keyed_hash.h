#pragma once

// One hash for every set and index whose keys come from a file or from the machine (snapshot keys, driver names,
// GUID texts). A hash without a secret, such as the standard library's string hash with its fixed seed, lets
// anyone who writes a file choose keys that all share one value, and every lookup then walks all of them: a few
// megabytes take seconds. This one is SipHash-1-3 with a 128-bit key drawn once per process from the system's
// random source, so no file can be made against it in advance.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"

// The hash of the bytes under this process's key.
uint64_t KeyedHash(const void* pData, size_t nBytes);
inline uint64_t KeyedHash(std::string_view bytes) { return KeyedHash(bytes.data(), bytes.size()); }
// UTF-16 texts are hashed as their units, each as two bytes, low byte first, the same on every system.
uint64_t KeyedHash(std::u16string_view text);

// The same with the letters A to Z folded, as the texts' comparisons without regard to letter case fold them:
// texts equal apart from the case of A to Z hash alike.
uint64_t KeyedHashNoCase(std::string_view text);
uint64_t KeyedHashNoCase(std::u16string_view text);

// Hashers for the standard containers.
struct CKeyedHash {
    size_t operator()(std::string_view bytes) const { return static_cast<size_t>(KeyedHash(bytes)); }
    size_t operator()(std::u16string_view text) const { return static_cast<size_t>(KeyedHash(text)); }
};
struct CKeyedNoCaseHash {
    size_t operator()(std::string_view text) const { return static_cast<size_t>(KeyedHashNoCase(text)); }
    size_t operator()(std::u16string_view text) const { return static_cast<size_t>(KeyedHashNoCase(text)); }
};
// The comparison that goes with CKeyedNoCaseHash.
struct CNoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
    bool operator()(std::u16string_view a, std::u16string_view b) const { return EqualsNoCase(a, b); }
};

// This process's key, drawn on first use and the same for the rest of the process.
struct CHashKey {
    uint64_t nK0;
    uint64_t nK1;
};
CHashKey ProcessHashKey();
