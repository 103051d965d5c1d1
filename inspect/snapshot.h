#pragma once

// Snapshots: what the four sources of one determination answered, as a JSON document.
//
// Format 2, which --snapshot writes:
//
// { "format": 2,
//   "computer_name": "WS-0042",
//   "components": null | [ { "characteristics": 4, "instance_guid": "{...}", "id": "PCI\\..." | null } ],
//   "devices":    null | [ { "instance_id": "PCI\\..." | null, "resources": [1, 4, 2, -1, 18446744073709551615],
//                            "netcfg_instance_id": "{...}" | null | { "data": "7B003600..." } } ],
//   "drivers":    { "<text after \\.\>": { "permanent": "001A2B3C4D5E" | null, "current": "..." | null } },
//   "adapters":   null | [ { "name": "{...}" | null, "description": "..." | null, "address": "001A2B3C4D5E" } ],
//   "adapter_table": { "size_query": 111, "read": 0 | 1232 | null } }
//
// - A resource type is any integer of 64 bits, signed or unsigned, as a file may hold it; only 1 to 7 set a flag.
// - A NetCfgInstanceId is the registry value's data: a string stands for that text stored as a registry string
//   (UTF-16LE units and one null unit); { "data": hex } gives the bytes exactly as stored, which is how a value
//   that is no such string (no terminating null, an odd length, more than one null at the end) is written.
// - "adapter_table" holds what the size query and the read of the adapter table answered; "read" is null when the
//   size query's answer ended the choice, and "adapters" is an array exactly when "read" is 0 (NO_ERROR).
//
// Format 1 is format 2 without "adapter_table", with every NetCfgInstanceId a string or null, and with resource
// types from 0 to 4294967295 only. It is still read; a replay then answers the size query and the read as a table
// of that size does (ERROR_BUFFER_OVERFLOW, then NO_ERROR or kReplayTableReadFailure).
//
// Every listed key must be present with a value of its type; keys not listed are ignored. Byte strings are two
// hexadecimal digits per byte, read in either letter case and written in upper case. Text may hold any UTF-16 units,
// unpaired surrogates included (written as \u escapes). A snapshot nests at most kSnapshotMaxNesting arrays and
// objects deep.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/passes.h"
#include "inventory/sources.h"

// The format --snapshot writes, and the oldest one still read.
constexpr int kSnapshotFormat = 2;
constexpr int kSnapshotOldestFormat = 1;

// The largest driver answer (the driver query buffer) and adapter address (PhysicalAddress) a snapshot may hold.
constexpr size_t kSnapshotMaxDriverBytes = kDriverQueryBufferSize;
constexpr size_t kSnapshotMaxAddressBytes = 8;

// The deepest nesting of arrays and objects the format has: the top-level object, "devices", one device and its
// "resources" (or its "netcfg_instance_id" object). Anything deeper is refused as soon as it opens.
constexpr size_t kSnapshotMaxNesting = 4;

// A resource type as a snapshot holds it: any integer of 64 bits, signed or unsigned. The live sources answer 32-bit
// types; a file may hold others, and those set no flag, as any type outside 1 to 7 does.
class CSnapshotResourceType {
public:
    CSnapshotResourceType(uint32_t nType = 0) : m_nBits(nType) {}  // NOLINT: a 32-bit type is the usual case

    static CSnapshotResourceType FromSigned(int64_t nValue) { return {nValue < 0, static_cast<uint64_t>(nValue)}; }
    static CSnapshotResourceType FromUnsigned(uint64_t nValue) { return {false, nValue}; }

    bool IsNegative() const { return m_bNegative; }
    int64_t GetSigned() const { return static_cast<int64_t>(m_nBits); }  // for a negative value
    uint64_t GetUnsigned() const { return m_nBits; }                      // for a value of 0 or more

    // The type as the device source answers it, or none when it is below 0 or beyond 32 bits.
    std::optional<uint32_t> AsType() const
    {
        if (m_bNegative || m_nBits > UINT32_MAX)
            return std::nullopt;
        return static_cast<uint32_t>(m_nBits);
    }

    bool operator==(const CSnapshotResourceType& other) const
    {
        return m_bNegative == other.m_bNegative && m_nBits == other.m_nBits;
    }

private:
    CSnapshotResourceType(bool bNegative, uint64_t nBits) : m_bNegative(bNegative), m_nBits(nBits) {}

    bool m_bNegative = false;
    uint64_t m_nBits = 0;  // the value, in two's complement when it is negative
};

// What a failing read of the adapter table answers in a replay when the snapshot does not say (ERROR_GEN_FAILURE).
// It is not kAdapterTableNoMemory, so the choice takes its fallbacks as on a machine whose table cannot be read.
constexpr uint32_t kReplayTableReadFailure = 31;

// One present network-class device, with the answers the device setup pass got for it.
struct CSnapshotDevice {
    std::vector<CSnapshotResourceType> m_resourceTypes;  // types of the readable allocated descriptors, in order
    std::optional<std::u16string> m_strInstanceId;       // none: the ID could not be read
    // The data of the NetCfgInstanceId value exactly as stored; none: no value, or the pass did not ask for it.
    std::optional<std::vector<uint8_t>> m_netCfgInstanceIdData;
};

// One driver device that opens.
struct CSnapshotDriver {
    std::u16string m_strName;                        // the text after "\\.\" in its device path
    std::optional<std::vector<uint8_t>> m_permanent;  // none: the permanent-address query fails
    std::optional<std::vector<uint8_t>> m_current;    // none: the current-address query fails
};

struct CSnapshot {
    std::u16string m_strComputerName;
    std::optional<std::vector<CNetCfgComponentInfo>> m_components;  // none: no configuration object or enumerator
    std::optional<std::vector<CSnapshotDevice>> m_devices;          // none: no device set
    std::vector<CSnapshotDriver> m_drivers;                         // no two names equal apart from letter case
    std::optional<std::vector<CAdapterEntry>> m_adapters;           // none: the adapter table was not read

    // What GetAdaptersAddresses answered to the size query and to the read; none where a format-1 snapshot does not
    // say, and the read's none also when the size query's answer ended the choice (kAdapterTableNoMemory).
    std::optional<uint32_t> m_dwTableSizeAnswer;
    std::optional<uint32_t> m_dwTableReadAnswer;
};

// What a replay answers to the read of the adapter table: NO_ERROR whenever m_adapters holds a table, otherwise the
// read's answer, or kReplayTableReadFailure when that is none or NO_ERROR.
inline uint32_t ReplayTableReadAnswer(const CSnapshot& snapshot)
{
    if (snapshot.m_adapters)
        return kAdapterTableNoError;
    const uint32_t dwAnswer = snapshot.m_dwTableReadAnswer.value_or(kReplayTableReadFailure);
    return dwAnswer == kAdapterTableNoError ? kReplayTableReadFailure : dwAnswer;
}

// Where a snapshot breaks the format: the field path ("devices[3].resources[1]", empty for the document as a
// whole) and what is wrong there.
struct CSnapshotError {
    std::string m_strPath;
    std::string m_strMessage;
};

// Field paths for messages cut a key after kMaxPathKeyChars characters, and a path longer than kMaxPathBytes bytes
// to its end, each cut marked "...", so that a message stays one short line whatever the document holds.
constexpr size_t kMaxPathKeyChars = 40;
constexpr size_t kMaxPathBytes = 72;

// Reads and checks a snapshot; false, with the fault, when the text is not well-formed JSON or breaks the format. A
// leading UTF-8 byte order mark is passed over; nothing but white space may follow the document, not even a zero
// byte. A key given twice in one object is refused. Faults of the JSON text come before faults of the format, and of
// those the first in the order the format is checked in (see the top of this file) is the one given.
bool ParseSnapshot(std::string_view text, CSnapshot& snapshot, CSnapshotError& error);

// The snapshot as format-2 JSON text, ending with a line end.
std::string SerializeSnapshot(const CSnapshot& snapshot);

// The data of a text stored as a registry string (REG_SZ): its UTF-16LE units followed by one null unit.
inline std::vector<uint8_t> NetCfgInstanceIdDataFromText(std::u16string_view text)
{
    return RegistryStringData(text);
}

// The text whose registry-string data is exactly this data, when there is one: an even length, one null unit at the
// end, and no unpaired surrogate (which UTF-8 cannot carry). Embedded null units belong to the text.
std::optional<std::u16string> NetCfgInstanceIdTextFromData(const std::vector<uint8_t>& data);
