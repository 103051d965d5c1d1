#include "inventory/base_host_id.h"

#include <algorithm>
#include <new>

#include "common/text.h"
#include "hostid/release_host_id.h"
#include "inventory/passes.h"

namespace {

bool IsUsableAddress(const CAdapterEntry& entry)
{
    if (entry.m_nAddressLength != 6)
        return false;
    for (int i = 0; i < 6; ++i) {
        if (entry.m_address[i] != 0)
            return true;
    }
    return false;
}


// The six bytes of a usable address as one number, for the address list.
uint64_t AddressKey(const uint8_t* pBytes)
{
    uint64_t key = 0;
    for (int i = 0; i < 6; ++i)
        key = key << 8 | pBytes[i];
    return key;
}

// The number of an address text as the address list holds it: exactly twelve upper-case hexadecimal digits. Any
// other text equals no text of the list.
std::optional<uint64_t> AddressKey(const std::u16string& strAddress)
{
    if (strAddress.size() != 12)
        return std::nullopt;
    uint64_t key = 0;
    for (const char16_t ch : strAddress) {
        int nDigit;
        if (ch >= u'0' && ch <= u'9')
            nDigit = ch - u'0';
        else if (ch >= u'A' && ch <= u'F')
            nDigit = ch - u'A' + 10;
        else
            return std::nullopt;
        key = key << 4 | static_cast<uint64_t>(nDigit);
    }
    return key;
}

// The address text of six bytes, in a buffer that needs no memory of its own.
void FormatAddress(const uint8_t* pBytes, char16_t (&szAddress)[12])
{
    for (int i = 0; i < 6; ++i) {
        szAddress[2 * i] = static_cast<char16_t>(HexDigit(pBytes[i] >> 4));
        szAddress[2 * i + 1] = static_cast<char16_t>(HexDigit(pBytes[i]));
    }
}

// Stamps a matched record with the table's address and wireless mark, unless it is on USB, which keeps the permanent
// address its driver gave: the table shows the current one. False when the record's address text cannot grow to
// hold the address; the record is then left as it was.
bool StampRecord(CHidDevNet& record, std::u16string_view strAddress, CAdapterTrace& trace)
{
    if (IsUsbBus(record.m_dwFlags))
        return true;
    try {
        record.m_strAddress.assign(strAddress);
    } catch (const std::bad_alloc&) {
        return false;
    }
    record.m_bWireless = trace.m_bWireless;
    trace.m_bStamped = true;
    return true;
}

bool IsAddressed(const CHidDevNet& record) { return record.m_dwFlags != 0 && !record.m_strAddress.empty(); }

// The adapter table as the size query and the read gave it.
struct CTableRead {
    uint32_t m_dwFirst = 0;     // the size query's answer
    uint32_t m_dwSecond = 0;    // the read's answer; 0 when there was no read
    bool m_bReadMade = false;   // the read was made: the size query had its buffer
    std::vector<CAdapterEntry> m_entries;

    bool NoMemory() const { return m_dwFirst == kAdapterTableNoMemory || m_dwSecond == kAdapterTableNoMemory; }
    bool IsRead() const { return m_bReadMade && m_dwSecond == kAdapterTableNoError; }
};

// The lookups had before the walk, each only when its memory could be had: the values of the usable addresses,
// which the walk fills and the address fallback sorts, and the GUID index of the inventory.
struct CChoiceLookups {
    std::vector<uint64_t> m_addressList;
    bool m_bAddressList = false;
    std::optional<CGuidIndex> m_index;
};

// The record each candidate slot took: the first the walk put in it.
struct CSlots {
    CHidDevNet* m_pPrimary = nullptr;
    CHidDevNet* m_pOtherBus = nullptr;
    CHidDevNet* m_pUsb = nullptr;
    CHidDevNet* m_pFirstWireless = nullptr;
};

CTableRead ReadAdapterTable(IAdapterTableSource& adapters)
{
    CTableRead table;
    // The size query: a declared size of 0 makes the call answer ERROR_BUFFER_OVERFLOW with the size needed. Any
    // other answer leaves the size as the call left it, and the read below is made with that.
    uint32_t nSize = 0;
    table.m_dwFirst = adapters.GetAdaptersAddresses(nSize, table.m_entries);
    table.m_entries.clear();
    if (table.m_dwFirst == kAdapterTableNoMemory)
        return table;  // Not even the first buffer could be had.

    // The read. There is no further retry: a table that grew in between is treated as unreadable.
    table.m_dwSecond = adapters.GetAdaptersAddresses(nSize, table.m_entries);
    table.m_bReadMade = true;
    return table;
}

// The address list: every usable adapter's address. Only whether a text is among them matters to the fallback, so
// the sorted values of the addresses stand in for the list of their texts.
//
// Memory running out costs the choice only what could not be stored. The sorted values and the GUID index are had
// before the walk; without them the fallback searches the table's entries and the walk searches the list one record
// after the other, with the same result. The walk formats each address in a buffer of its own, so the only memory it
// may still ask for is a record's address text when it first grows to twelve digits: a record that cannot take the
// table's address is passed over as if it matched no adapter, rather than being chosen with the address it held
// before. (The trace, which only the inspector asks for, may still run out of memory; that ends the determination as
// anywhere else.)
CChoiceLookups PrepareLookups(const CDeviceList& list, size_t nEntries)
{
    CChoiceLookups lookups;
    try {
        lookups.m_addressList.reserve(nEntries);
        lookups.m_bAddressList = true;
    } catch (const std::bad_alloc&) {
    }
    lookups.m_index = BuildGuidIndex(list);
    return lookups;
}

// An entry is matched to the first record with its GUID text in list order: through the index when there is one,
// else by walking the list.
CHidDevNet* MatchRecord(CDeviceList& list, const CChoiceLookups& lookups, const CAdapterEntry& entry,
                        CAdapterTrace& trace)
{
    const std::u16string_view strName =
        entry.m_strName ? std::u16string_view(*entry.m_strName) : std::u16string_view();
    if (lookups.m_index) {
        const CGuidIndex::CEntry* pEqual = lookups.m_index->Find(strName);
        if (!pEqual)
            return nullptr;
        trace.m_nMatched = pEqual->nListIndex;
        return pEqual->pRecord;
    }
    size_t nListIndex = 0;
    CHidDevNet* pRecord = FindRecordByGuid(list, strName, nListIndex);
    if (pRecord)
        trace.m_nMatched = nListIndex;
    return pRecord;
}

// Puts a stamped record in the slot of its group, when that slot is still empty. In the primary group the first
// wireless adapter takes a slot of its own and is passed over; a USB record needs a permanent address.
void FillSlot(CSlots& slots, CHidDevNet& record, CAdapterTrace& trace)
{
    switch (SlotRuleOfFlags(record.m_dwFlags)) {
    case EChoiceRule::Primary:
        if (trace.m_bWireless && !slots.m_pFirstWireless) {
            slots.m_pFirstWireless = &record;
            trace.m_slot = EAdapterSlot::FirstWireless;
        } else if (!slots.m_pPrimary) {
            slots.m_pPrimary = &record;
            trace.m_slot = EAdapterSlot::Primary;
        }
        break;
    case EChoiceRule::OtherBus:
        if (!slots.m_pOtherBus) {
            slots.m_pOtherBus = &record;
            trace.m_slot = EAdapterSlot::OtherBus;
        }
        break;
    case EChoiceRule::Usb:
        if (!slots.m_pUsb && !record.m_strAddress.empty()) {
            slots.m_pUsb = &record;
            trace.m_slot = EAdapterSlot::Usb;
        }
        break;
    default:
        break;
    }
}

// Walks the table in its order: notes each usable address, matches the entry to a record, stamps the record and
// lets it fill its slot. bNoMemory is set when a matched record could not take the table's address.
CSlots WalkTable(CDeviceList& list, const std::vector<CAdapterEntry>& entries, CChoiceLookups& lookups,
                 bool& bNoMemory, CChoiceTrace* pTrace)
{
    CSlots slots;
    char16_t szAddress[12];
    for (const CAdapterEntry& entry : entries) {
        CAdapterTrace trace;
        if (IsUsableAddress(entry)) {
            trace.m_bUsable = true;
            FormatAddress(entry.m_address, szAddress);
            const std::u16string_view strAddress(szAddress, 12);
            if (pTrace)
                trace.m_strAddress = strAddress;
            if (lookups.m_bAddressList)
                lookups.m_addressList.push_back(AddressKey(entry.m_address));  // within the capacity reserved
            trace.m_bWireless = IsWirelessDescription(entry.m_strDescription);

            CHidDevNet* pRecord = MatchRecord(list, lookups, entry, trace);
            if (pRecord && pRecord->m_dwFlags != 0) {
                if (StampRecord(*pRecord, strAddress, trace)) {
                    FillSlot(slots, *pRecord, trace);
                } else {
                    // The record passed over may be the one the choice would have made: whatever is chosen
                    // instead is not this machine's host ID.
                    bNoMemory = true;
                }
            }
        }
        if (pTrace)
            pTrace->m_adapters.push_back(std::move(trace));
    }
    return slots;
}

CHidDevNet* ChooseFromSlots(const CSlots& slots, EChoiceRule& rule)
{
    if (slots.m_pPrimary) {
        rule = EChoiceRule::Primary;
        return slots.m_pPrimary;
    }
    if (slots.m_pOtherBus) {
        rule = EChoiceRule::OtherBus;
        return slots.m_pOtherBus;
    }
    if (slots.m_pUsb) {
        rule = EChoiceRule::Usb;
        return slots.m_pUsb;
    }
    return nullptr;
}

// Whether the table lists the address: in the sorted values when they could be had, else by searching its entries.
bool IsListedAddress(const CChoiceLookups& lookups, const std::vector<CAdapterEntry>& entries, uint64_t key)
{
    if (lookups.m_bAddressList)
        return std::binary_search(lookups.m_addressList.begin(), lookups.m_addressList.end(), key);
    return std::any_of(entries.begin(), entries.end(), [key](const CAdapterEntry& entry) {
        return IsUsableAddress(entry) && AddressKey(entry.m_address) == key;
    });
}

// The last addressed record whose address the table lists.
CHidDevNet* LastRecordWithListedAddress(CDeviceList& list, CChoiceLookups& lookups,
                                        const std::vector<CAdapterEntry>& entries)
{
    std::sort(lookups.m_addressList.begin(), lookups.m_addressList.end());
    CHidDevNet* pLast = nullptr;
    for (auto& pRecord : list) {
        if (!IsAddressed(*pRecord))
            continue;
        const std::optional<uint64_t> key = AddressKey(pRecord->m_strAddress);
        if (key && IsListedAddress(lookups, entries, *key))
            pLast = pRecord.get();
    }
    return pLast;
}

CHidDevNet* FirstAddressedRecord(CDeviceList& list)
{
    for (auto& pRecord : list) {
        if (IsAddressed(*pRecord))
            return pRecord.get();
    }
    return nullptr;
}

// The account of every record of the inventory, as the choice left it.
void TraceRecords(const CDeviceList& list, CChoiceTrace& trace)
{
    trace.m_records.clear();
    trace.m_records.reserve(list.GetCount());
    for (const auto& pRecord : list) {
        CRecordTrace record;
        record.m_slotRule = SlotRuleOfFlags(pRecord->m_dwFlags);
        record.m_bGuidInDigestInput = GuidEntersDigestInput(*pRecord);
        trace.m_records.push_back(record);
    }
}

// What the trace keeps of a table that was read, and the choice made.
void TraceChoice(const CDeviceList& list, CTableRead& table, EChoiceRule rule, const CHidDevNet* pSelected,
                 CChoiceTrace& trace)
{
    if (table.IsRead())
        trace.m_entries = std::move(table.m_entries);
    trace.m_rule = rule;
    size_t nIndex = 0;
    for (const auto& pRecord : list) {
        if (pRecord.get() == pSelected)
            trace.m_nSelected = nIndex;
        ++nIndex;
    }
    TraceRecords(list, trace);
}

}  // namespace

bool IsWirelessDescription(const std::optional<std::u16string>& strDescription)
{
    // The same as searching the upper-case form for "WLAN", without making that copy for every adapter.
    if (!strDescription || strDescription->size() < 4)
        return false;
    const std::u16string& text = *strDescription;
    for (size_t i = 0; i + 4 <= text.size(); ++i) {
        if (AsciiToUpper(text[i]) == u'W' && AsciiToUpper(text[i + 1]) == u'L' && AsciiToUpper(text[i + 2]) == u'A' &&
            AsciiToUpper(text[i + 3]) == u'N')
            return true;
    }
    return false;
}

CHidDevNet* ChooseAdapter(CDeviceList& list, IAdapterTableSource& adapters, bool& bNoMemory, CChoiceTrace* pTrace)
{
    bNoMemory = false;
    CTableRead table = ReadAdapterTable(adapters);
    if (pTrace) {
        pTrace->m_dwFirstAnswer = table.m_dwFirst;
        if (table.m_bReadMade)
            pTrace->m_dwSecondAnswer = table.m_dwSecond;
    }
    if (table.NoMemory()) {
        // Without the table's buffer nothing is stamped and no fallback runs.
        bNoMemory = true;
        if (pTrace)
            TraceRecords(list, *pTrace);
        return nullptr;
    }

    const bool bTableRead = table.IsRead();
    if (pTrace)
        pTrace->m_bTableRead = bTableRead;
    CChoiceLookups lookups;
    CSlots slots;
    if (bTableRead) {
        lookups = PrepareLookups(list, table.m_entries.size());
        slots = WalkTable(list, table.m_entries, lookups, bNoMemory, pTrace);
    }

    EChoiceRule rule = EChoiceRule::None;
    CHidDevNet* pSelected = ChooseFromSlots(slots, rule);
    if (!pSelected && bTableRead) {
        pSelected = LastRecordWithListedAddress(list, lookups, table.m_entries);
        if (pSelected)
            rule = EChoiceRule::AddressMatch;
    }
    if (!pSelected) {
        pSelected = FirstAddressedRecord(list);
        if (pSelected)
            rule = EChoiceRule::FirstAddressed;
    }

    if (pTrace)
        TraceChoice(list, table, rule, pSelected, *pTrace);
    return pSelected;
}

CBaseHostId::CBaseHostId(const CInventorySources& sources) : m_sources(sources) {}

CBaseHostId::~CBaseHostId()
{
    RemoveAllDevices();
}

void CBaseHostId::RemoveAllDevices()
{
    m_listDevices.RemoveAll();
}

bool CBaseHostId::DetermineAdapter(CChoiceTrace* pTrace)
{
    m_pSelected = nullptr;
    m_bNoMemory = false;
    RemoveAllDevices();
    try {
        const bool bComplete = EnumSetupDevices(m_listDevices, m_sources);
        bool bNoMemory = false;
        m_pSelected = ChooseAdapter(m_listDevices, m_sources.adapters, bNoMemory, pTrace);
        m_bNoMemory = bNoMemory || !bComplete;
    } catch (const std::bad_alloc&) {
        // A source's answer or the trace could not be stored. What the passes stored is kept for whoever explains
        // the determination, but nothing is chosen from it.
        m_pSelected = nullptr;
        m_bNoMemory = true;
    }
    return m_pSelected != nullptr;
}

CHidDevNet* CBaseHostId::GetSelectedAdapter()
{
    if (m_listDevices.IsEmpty() || !m_pSelected)
        DetermineAdapter();
    return m_pSelected;
}
