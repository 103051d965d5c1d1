#include "inventory/base_host_id.h"

#include <algorithm>
#include <new>

#include "common/text.h"
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
    if (record.m_dwFlags & HID_BUS_USB)
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

    // The size query: a declared size of 0 makes the call answer ERROR_BUFFER_OVERFLOW with the size needed. Any
    // other answer leaves the size as the call left it, and the read below is made with that.
    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    const uint32_t dwFirst = adapters.GetAdaptersAddresses(nSize, entries);
    entries.clear();
    if (dwFirst == kAdapterTableNoMemory) {
        // Not even the first buffer could be had.
        if (pTrace)
            pTrace->m_dwFirstAnswer = dwFirst;
        bNoMemory = true;
        return nullptr;
    }

    // The read. There is no further retry: a table that grew in between is treated as unreadable.
    const uint32_t dwSecond = adapters.GetAdaptersAddresses(nSize, entries);
    if (pTrace) {
        pTrace->m_dwFirstAnswer = dwFirst;
        pTrace->m_dwSecondAnswer = dwSecond;
    }
    if (dwSecond == kAdapterTableNoMemory) {
        bNoMemory = true;
        return nullptr;
    }

    // The address list: every usable adapter's address. Only whether a text is among them matters to the fallback,
    // so the sorted values of the addresses stand in for the list of their texts.
    //
    // Memory running out costs the choice only what could not be stored. The sorted values and the GUID index are
    // had before the walk; without them the fallback searches the table's entries and the walk searches the list
    // one record after the other, with the same result. The walk formats each address in a buffer of its own, so
    // the only memory it may still ask for is a record's address text when it first grows to twelve digits: a
    // record that cannot take the table's address is passed over as if it matched no adapter, rather than being
    // chosen with the address it held before. (The trace, which only the inspector asks for, may still run out of
    // memory; that ends the determination as anywhere else.)
    const bool bTableRead = dwSecond == kAdapterTableNoError;
    std::vector<uint64_t> addressList;
    bool bAddressList = false;
    std::optional<CGuidIndex> index;
    if (bTableRead) {
        try {
            addressList.reserve(entries.size());
            bAddressList = true;
        } catch (const std::bad_alloc&) {
        }
        index = BuildGuidIndex(list);
    }
    CHidDevNet* pPrimary = nullptr;
    CHidDevNet* pOtherBus = nullptr;
    CHidDevNet* pUsb = nullptr;
    CHidDevNet* pFirstWireless = nullptr;

    if (pTrace)
        pTrace->m_bTableRead = bTableRead;
    if (bTableRead) {
        char16_t szAddress[12];
        for (const CAdapterEntry& entry : entries) {
            CAdapterTrace trace;
            if (IsUsableAddress(entry)) {
                trace.m_bUsable = true;
                FormatAddress(entry.m_address, szAddress);
                const std::u16string_view strAddress(szAddress, 12);
                if (pTrace)
                    trace.m_strAddress = strAddress;
                if (bAddressList)
                    addressList.push_back(AddressKey(entry.m_address));  // within the capacity reserved above
                trace.m_bWireless = IsWirelessDescription(entry.m_strDescription);

                // An entry is matched to the first record with its GUID text in list order.
                CHidDevNet* pRecord = nullptr;
                const std::u16string_view strName = entry.m_strName ? std::u16string_view(*entry.m_strName)
                                                                    : std::u16string_view();
                if (index) {
                    if (const CGuidIndex::CEntry* pEqual = index->Find(strName)) {
                        pRecord = pEqual->pRecord;
                        trace.m_nMatched = pEqual->nListIndex;
                    }
                } else {
                    size_t nListIndex = 0;
                    pRecord = FindRecordByGuid(list, strName, nListIndex);
                    if (pRecord)
                        trace.m_nMatched = nListIndex;
                }
                bool bStamped = false;
                if (pRecord && pRecord->m_dwFlags != 0) {
                    bStamped = StampRecord(*pRecord, strAddress, trace);
                    // The record passed over may be the one the choice would have made: whatever is chosen
                    // instead is not this machine's host ID.
                    if (!bStamped)
                        bNoMemory = true;
                }
                if (bStamped) {
                    if (pRecord->m_dwFlags < HID_BUS_OTHER) {
                        if (trace.m_bWireless && !pFirstWireless) {
                            pFirstWireless = pRecord;
                            trace.m_slot = EAdapterSlot::FirstWireless;
                        } else if (!pPrimary) {
                            pPrimary = pRecord;
                            trace.m_slot = EAdapterSlot::Primary;
                        }
                    } else if (pRecord->m_dwFlags & HID_BUS_OTHER) {
                        if (!pOtherBus) {
                            pOtherBus = pRecord;
                            trace.m_slot = EAdapterSlot::OtherBus;
                        }
                    } else if (pRecord->m_dwFlags & HID_BUS_USB) {
                        if (!pUsb && !pRecord->m_strAddress.empty()) {
                            pUsb = pRecord;
                            trace.m_slot = EAdapterSlot::Usb;
                        }
                    }
                }
            }
            if (pTrace)
                pTrace->m_adapters.push_back(std::move(trace));
        }
    }

    EChoiceRule rule = EChoiceRule::None;
    CHidDevNet* pSelected = nullptr;
    if (pPrimary) {
        pSelected = pPrimary, rule = EChoiceRule::Primary;
    } else if (pOtherBus) {
        pSelected = pOtherBus, rule = EChoiceRule::OtherBus;
    } else if (pUsb) {
        pSelected = pUsb, rule = EChoiceRule::Usb;
    }

    if (!pSelected && bTableRead) {
        // The last addressed record whose address the table lists.
        std::sort(addressList.begin(), addressList.end());
        for (auto& pRecord : list) {
            if (!IsAddressed(*pRecord))
                continue;
            const std::optional<uint64_t> key = AddressKey(pRecord->m_strAddress);
            if (!key)
                continue;
            const bool bListed =
                bAddressList ? std::binary_search(addressList.begin(), addressList.end(), *key)
                             : std::any_of(entries.begin(), entries.end(), [&key](const CAdapterEntry& entry) {
                                   return IsUsableAddress(entry) && AddressKey(entry.m_address) == *key;
                               });
            if (bListed)
                pSelected = pRecord.get(), rule = EChoiceRule::AddressMatch;
        }
    }
    if (!pSelected) {
        for (auto& pRecord : list) {
            if (IsAddressed(*pRecord)) {
                pSelected = pRecord.get(), rule = EChoiceRule::FirstAddressed;
                break;
            }
        }
    }

    if (pTrace) {
        if (bTableRead)
            pTrace->m_entries = std::move(entries);
        pTrace->m_rule = rule;
        size_t nIndex = 0;
        for (auto& pRecord : list) {
            if (pRecord.get() == pSelected)
                pTrace->m_nSelected = nIndex;
            ++nIndex;
        }
    }
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
