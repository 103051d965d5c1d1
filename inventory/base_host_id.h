#pragma once

// The determination object: the adapter inventory, the chosen record, and the choice of that record against the
// operating system's adapter table.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inventory/choice_rules.h"
#include "inventory/hid_dev_net.h"
#include "inventory/sources.h"

// What an adapter-table entry did during the choice.
enum class EAdapterSlot {
    None,           // filled nothing
    FirstWireless,  // the first wireless adapter of the primary group, passed over
    Primary,
    OtherBus,
    Usb,
};

// One adapter-table entry as the choice saw it.
struct CAdapterTrace {
    bool m_bUsable = false;                // six bytes, not all zero
    std::u16string m_strAddress;           // its address text when usable
    bool m_bWireless = false;              // its description holds "WLAN"
    std::optional<size_t> m_nMatched;      // index of the record whose GUID text equals its name
    bool m_bStamped = false;               // the record took the table's address and wireless mark
    EAdapterSlot m_slot = EAdapterSlot::None;
};

// One record of the inventory as the choice left it: the rules that apply to it, told once so that whoever explains
// the choice reads them rather than working them out again.
struct CRecordTrace {
    EChoiceRule m_slotRule = EChoiceRule::None;  // the slot group its flags put it in (SlotRuleOfFlags)
    bool m_bGuidInDigestInput = false;           // its GUID text enters its digest input, as it was stamped
};

// Everything the choice looked at, for explaining its result. Filled only when asked for.
struct CChoiceTrace {
    uint32_t m_dwFirstAnswer = 0;          // result of the size query
    uint32_t m_dwSecondAnswer = 0;         // result of the table read
    bool m_bTableRead = false;             // the table was read and walked
    std::vector<CAdapterEntry> m_entries;  // the table as read
    std::vector<CAdapterTrace> m_adapters; // one per entry, same order
    EChoiceRule m_rule = EChoiceRule::None;
    std::optional<size_t> m_nSelected;     // index of the chosen record in the inventory
    std::vector<CRecordTrace> m_records;   // one per record of the inventory, in list order
};

// Chooses a record of the inventory against the adapter table, stamping matched records with the table's address
// and wireless mark. Returns the chosen record or null. bNoMemory is set when the table's buffer could not be had,
// in which case nothing was stamped and no fallback ran, and when a matched record could not take the table's
// address; a record chosen then may not be the one the machine's host ID comes from.
CHidDevNet* ChooseAdapter(CDeviceList& list, IAdapterTableSource& adapters, bool& bNoMemory,
                          CChoiceTrace* pTrace = nullptr);

// True when a description marks a wireless adapter: it holds "WLAN" in any letter case.
bool IsWirelessDescription(const std::optional<std::u16string>& strDescription);

class CBaseHostId {
public:
    explicit CBaseHostId(const CInventorySources& sources);
    virtual ~CBaseHostId();
    CBaseHostId(const CBaseHostId&) = delete;
    CBaseHostId& operator=(const CBaseHostId&) = delete;

    // Deletes every record and empties the list. Leaves m_pSelected alone: callers clear it first.
    void RemoveAllDevices();

    // The whole determination: empties the inventory, runs the collecting passes and chooses a record.
    // True when a record was chosen. pTrace, when given, receives what the choice looked at. When memory runs out
    // anywhere in it, the determination is incomplete: RanOutOfMemory says so, and the record it chose, if any,
    // must not give a host ID.
    bool DetermineAdapter(CChoiceTrace* pTrace = nullptr);

    // True when the last determination ran out of memory.
    bool RanOutOfMemory() const { return m_bNoMemory; }

    // The chosen record, determining first when the inventory is empty or nothing is chosen yet.
    CHidDevNet* GetSelectedAdapter();

    const CDeviceList& GetDevices() const { return m_listDevices; }

protected:
    CDeviceList m_listDevices;
    CHidDevNet* m_pSelected = nullptr;
    bool m_bNoMemory = false;

private:
    CInventorySources m_sources;
};
