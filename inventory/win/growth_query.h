#pragma once

// The bounded growth loop of the Windows queries that fill a caller's buffer and, when it is too small, name the
// size they want (SetupDiGetDeviceInstanceIdW, SetupDiGetDeviceRegistryPropertyW, RegQueryValueExW).
//
// This header is plain C++ on purpose: the loop decides when to stop, and that decision is tested on every target.
// The Windows layer only wraps the call itself into a query function.

#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

// How one query call ended.
enum class EQueryResult {
    Success,             // the buffer holds the answer
    InsufficientBuffer,  // ERROR_INSUFFICIENT_BUFFER or ERROR_MORE_DATA: the call named the size it wants
    Failure,             // any other failure
};

struct CQueryAnswer {
    EQueryResult m_result = EQueryResult::Failure;
    // Success: the number of units the call filled, or the buffer size when the call does not say.
    // InsufficientBuffer: the size the call asks for, in units.
    uint32_t m_nSize = 0;
};

// At most this many calls per query: the size query with no buffer, then up to three calls with a grown buffer. A
// device whose answer keeps growing between calls is given up rather than chased for ever.
constexpr int kMaxQueryRounds = 4;

// No answer of these queries is anywhere near this size (a device instance ID has at most 200 characters, a driver
// key and a NetCfgInstanceId value well under 256 bytes); a call that asks for more is treated as failing rather
// than trusted with an allocation of up to 8 GB.
constexpr size_t kMaxQueryBufferBytes = 1024 * 1024;

// Runs one query with the growth loop. The first call gets no buffer and a size of 0; after each
// InsufficientBuffer answer the buffer is replaced by one of the size asked for and the call repeated. The loop stops
// on success, on any other answer, when the size asked for is not larger than the buffer just offered (the call
// would only fail the same way again), when the size asked for is beyond kMaxQueryBufferBytes, and after
// kMaxQueryRounds calls.
//
// QueryFn is called as CQueryAnswer(Unit* pBuffer, uint32_t nSize), nSize in units of Unit; pBuffer is null when
// nSize is 0. Returns the filled part of the buffer (never more than the buffer holds), or none.
template <class Unit, class QueryFn>
std::optional<std::vector<Unit>> QueryWithGrowth(QueryFn&& query)
{
    std::vector<Unit> buffer;  // every query starts from no buffer and a size of 0
    for (int nRound = 0; nRound < kMaxQueryRounds; ++nRound) {
        const auto nOffered = static_cast<uint32_t>(buffer.size());
        const CQueryAnswer answer = query(buffer.empty() ? nullptr : buffer.data(), nOffered);
        if (answer.m_result == EQueryResult::Success) {
            if (answer.m_nSize < buffer.size())
                buffer.resize(answer.m_nSize);
            return buffer;
        }
        if (answer.m_result != EQueryResult::InsufficientBuffer || answer.m_nSize <= nOffered)
            return std::nullopt;
        if (answer.m_nSize > kMaxQueryBufferBytes / sizeof(Unit))
            return std::nullopt;
        // A fresh, zeroed buffer: a text that the call leaves without its null still ends inside it. When it cannot
        // be had, std::bad_alloc goes to the caller: a value lost for lack of memory is not a missing value, and the
        // determination must learn that it is incomplete.
        std::vector<Unit> grown(answer.m_nSize);
        buffer.swap(grown);
    }
    return std::nullopt;
}

// The text at the start of a buffer of UTF-16 units: up to the first null, or all of it when there is none.
inline std::u16string TextUpToNull(const std::vector<char16_t>& units)
{
    size_t n = 0;
    while (n < units.size() && units[n] != 0)
        ++n;
    return std::u16string(units.data(), n);
}

// The same for a buffer of bytes holding little-endian UTF-16 (a registry string); an odd last byte is no unit.
inline std::u16string TextUpToNull(const std::vector<uint8_t>& bytes)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}
