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
    const bool bTableRead = dwSecond == kAdapterTableNoError;
    std::vector<uint64_t> addressList;
    CGuidIndex index;
    if (bTableRead) {
        // Everything the walk needs is had before it starts, so that running out of memory stops the choice as a
        // table buffer that cannot be had does, before any record is stamped, never halfway through the walk.
        try {
            addressList.reserve(entries.size());
            index = CGuidIndex(list);
        } catch (const std::bad_alloc&) {
            bNoMemory = true;
            return nullptr;
        }
    }
    CHidDevNet* pPrimary = nullptr;
    CHidDevNet* pOtherBus = nullptr;
    CHidDevNet* pUsb = nullptr;
    CHidDevNet* pFirstWireless = nullptr;

    if (pTrace)
        pTrace->m_bTableRead = bTableRead;
    if (bTableRead) {
        // One text serves every entry in turn, so that formatting an address costs no allocation.
        std::u16string strAddress;
        for (const CAdapterEntry& entry : entries) {
            CAdapterTrace trace;
            if (IsUsableAddress(entry)) {
                trace.m_bUsable = true;
                strAddress.clear();
                AppendAddressText(strAddress, entry.m_address, 6);
                if (pTrace)
                    trace.m_strAddress = strAddress;
                addressList.push_back(AddressKey(entry.m_address));
                trace.m_bWireless = IsWirelessDescription(entry.m_strDescription);

                // An entry is matched to the first record with its GUID text in list order.
                CHidDevNet* pRecord = nullptr;
                const std::u16string_view strName = entry.m_strName ? std::u16string_view(*entry.m_strName)
                                                                    : std::u16string_view();
                if (const CGuidIndex::CEntry* pEqual = index.Find(strName)) {
                    pRecord = pEqual->pRecord;
                    trace.m_nMatched = pEqual->nListIndex;
                }
                if (pRecord && pRecord->m_dwFlags != 0) {
                    // A USB adapter keeps the permanent address its driver gave: the table shows the current one.
                    if ((pRecord->m_dwFlags & HID_BUS_USB) == 0) {
                        pRecord->m_strAddress = strAddress;
                        pRecord->m_bWireless = trace.m_bWireless;
                        trace.m_bStamped = true;
                    }
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
        if (pTrace)
            pTrace->m_entries = std::move(entries);
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

    if (!pSelected) {
        // The last addressed record whose address the table lists.
        std::sort(addressList.begin(), addressList.end());
        for (auto& pRecord : list) {
            if (!IsAddressed(*pRecord))
                continue;
            const std::optional<uint64_t> key = AddressKey(pRecord->m_strAddress);
            if (key && std::binary_search(addressList.begin(), addressList.end(), *key))
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
    RemoveAllDevices();
    EnumSetupDevices(m_listDevices, m_sources);

    bool bNoMemory = false;
    m_pSelected = ChooseAdapter(m_listDevices, m_sources.adapters, bNoMemory, pTrace);
    return m_pSelected != nullptr;
}

CHidDevNet* CBaseHostId::GetSelectedAdapter()
{
    if (m_listDevices.IsEmpty() || !m_pSelected)
        DetermineAdapter();
    return m_pSelected;
}
