#pragma once

// The explanation of one determination: the inventory it built, what the adapter table showed, which record was
// chosen by which rule, and the host ID that follows.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/base_host_id.h"
#include "inventory/hid_dev_net.h"
#include "inventory/sources.h"

struct CInspectReport {
    std::u16string m_strComputerName;
    std::vector<CHidDevNet> m_records;  // the inventory after the choice, in list order
    CChoiceTrace m_trace;               // the adapter table, the slots, the rule and the chosen index
    std::u16string m_strHostId;         // empty when nothing with an address was chosen
    std::u16string m_strDigestInput;    // the text the host ID was calculated from, or empty
    bool m_bNoMemory = false;           // memory ran out: the inventory may be incomplete and there is no host ID
};

// Runs the determination over the sources, exactly as the main program does, and takes the host ID of the chosen
// record. When memory runs out in the determination or the digest, the report keeps what was found, gives no host
// ID and says so in m_bNoMemory.
CInspectReport BuildReport(const CInventorySources& sources, std::u16string strComputerName);

// The chosen record, or null when nothing was chosen.
const CHidDevNet* SelectedRecord(const CInspectReport& report);

// The rule's name in the JSON report: "primary", "other-bus", "usb", "address-match", "first-addressed", "none".
const char* ChoiceRuleName(EChoiceRule rule);

// The names of the set flag bits joined by " | ", in bit order; "none" for 0. Bits without a name show in hex.
std::string FlagNames(uint32_t dwFlags);

// "0x" and eight upper-case hexadecimal digits.
std::string FlagsHex(uint32_t dwFlags);

// Text from a snapshot or a driver for one line of a report (PrintableUtf8), or pszEmpty when there is none.
std::string PrintableOr(std::u16string_view text, const char* pszEmpty = "(none)");

// An adapter-table entry's address text, of at most the eight bytes PhysicalAddress holds.
std::u16string EntryAddressText(const CAdapterEntry& entry);

// "1 record", "2 records".
std::string CountText(size_t nCount, const char* pszOne, const char* pszMany);

// The readable report, UTF-8, lines ended by "\n".
std::string FormatTextReport(const CInspectReport& report);

// The report as one JSON object:
// { "host_id", "digest_input", "selected": index | null, "how": rule name,
//   "records": [ { "guid", "pnp_id", "flags", "wireless", "address", "permanent_address", "current_address" } ] },
// followed by "error": "memory ran out" when it did.
std::string FormatJsonReport(const CInspectReport& report);
