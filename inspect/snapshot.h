#pragma once

// Snapshot format 1: what the four sources of one determination answered, as a JSON document.
//
// { "format": 1,
//   "computer_name": "WS-0042",
//   "components": null | [ { "characteristics": 4, "instance_guid": "{...}", "id": "PCI\\..." | null } ],
//   "devices":    null | [ { "instance_id": "PCI\\..." | null, "resources": [1, 4, 2],
//                            "netcfg_instance_id": "{...}" | null } ],
//   "drivers":    { "<text after \\.\>": { "permanent": "001A2B3C4D5E" | null, "current": "..." | null } },
//   "adapters":   null | [ { "name": "{...}" | null, "description": "..." | null, "address": "001A2B3C4D5E" } ] }
//
// Every listed key must be present with a value of its type; keys not listed are ignored, so that later formats can
// add some. Byte strings are two hexadecimal digits per byte, read in either letter case and written in upper case.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/sources.h"

constexpr int kSnapshotFormat = 1;

// The largest driver answer (the driver query buffer) and adapter address (PhysicalAddress) a snapshot may hold.
constexpr size_t kSnapshotMaxDriverBytes = kDriverQueryBufferSize;
constexpr size_t kSnapshotMaxAddressBytes = 8;

// One present network-class device, with the answers the device setup pass got for it.
struct CSnapshotDevice {
    std::vector<uint32_t> m_resourceTypes;               // types of the readable allocated descriptors, in order
    std::optional<std::u16string> m_strInstanceId;       // none: the ID could not be read
    std::optional<std::u16string> m_strNetCfgInstanceId;  // none: no value, or the pass did not ask for it
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
    std::optional<std::vector<CAdapterEntry>> m_adapters;           // none: the adapter table cannot be read
};

// Where a snapshot breaks the format: the field path ("devices[3].resources[1]", empty for the document as a
// whole) and what is wrong there.
struct CSnapshotError {
    std::string m_strPath;
    std::string m_strMessage;
};

// Reads and checks a snapshot. False, with the first fault found, when the text is not well-formed JSON or breaks
// the format.
bool ParseSnapshot(std::string_view text, CSnapshot& snapshot, CSnapshotError& error);

// The snapshot as format-1 JSON text, ending with a line end.
std::string SerializeSnapshot(const CSnapshot& snapshot);

// A NetCfgInstanceId value is kept in a snapshot as the text of a registry string. These two convert between the
// value's data and that text:
// - the data of a text is its UTF-16LE units followed by one null unit, as a REG_SZ value is stored;
// - the text of some data drops a final odd byte, then exactly one trailing null unit when the data ends with one;
//   every other unit, embedded nulls included, stays.
std::vector<uint8_t> NetCfgInstanceIdDataFromText(std::u16string_view text);
std::u16string NetCfgInstanceIdTextFromData(const std::vector<uint8_t>& data);
