#include "inventory/linux/linux_sources.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/text.h"
#include "inventory/passes.h"

namespace {

constexpr uint32_t kAdapterRecordSize = 448;  // sizeof(IP_ADAPTER_ADDRESSES) on 64-bit Windows

bool SameGuid(const CGuidValue& a, const CGuidValue& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::equal(std::begin(a.Data4), std::end(a.Data4), std::begin(b.Data4));
}

// An interface opened through its GUID: the driver of the device behind it.
class CLinuxDriverDevice : public IDriverDevice {
public:
    CLinuxDriverDevice(CNetInterface netInterface, IPermanentAddressReader& permanentAddresses)
        : m_interface(std::move(netInterface)), m_permanentAddresses(permanentAddresses)
    {
    }

    bool QueryOid(uint32_t dwOid, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& nBytes) override
    {
        std::vector<uint8_t> address;
        if (dwOid == OID_802_3_PERMANENT_ADDRESS) {
            std::optional<std::vector<uint8_t>> permanent =
                m_permanentAddresses.ReadPermanentAddress(m_interface.m_strName);
            // Drivers that know no permanent address answer with zeros (lo, and some virtual functions): that is no
            // address, and taking it would give every such machine the same host ID.
            if (!permanent || std::all_of(permanent->begin(), permanent->end(), [](uint8_t b) { return b == 0; }))
                return false;
            address = std::move(*permanent);
        } else if (dwOid == OID_802_3_CURRENT_ADDRESS) {
            if (m_interface.m_address.empty())
                return false;
            address = m_interface.m_address;
        } else {
            return false;
        }
        const size_t nCount = std::min(address.size(), static_cast<size_t>(kDriverQueryBufferSize));
        std::copy_n(address.begin(), nCount, buffer);
        nBytes = static_cast<uint32_t>(nCount);
        return true;
    }

private:
    CNetInterface m_interface;
    IPermanentAddressReader& m_permanentAddresses;
};

}  // namespace

uint32_t AdapterEntrySize(const CAdapterEntry& entry)
{
    const size_t nName = entry.m_strName ? Utf16ToUtf8(*entry.m_strName).size() + 1 : 0;
    const size_t nDescription = entry.m_strDescription ? 2 * (entry.m_strDescription->size() + 1) : 0;
    const size_t nFriendlyName = entry.m_strFriendlyName ? 2 * (entry.m_strFriendlyName->size() + 1) : 0;
    // Names are at most a few dozen bytes, so the sum stays far below 32 bits.
    return kAdapterRecordSize +
           static_cast<uint32_t>(std::min<size_t>(nName + nDescription + nFriendlyName, 1u << 20));
}

std::u16string UpperGuidText(const CGuidValue& guid)
{
    return AsciiUpperCopy(FormatGuidText(guid));
}

std::u16string AdapterDescription(bool bWireless, std::optional<uint32_t> nLinkType)
{
    if (bWireless)
        return u"802.11 wireless LAN (WLAN)";
    if (!nLinkType)
        return u"link of unknown type";
    // The ARPHRD_* values of include/uapi/linux/if_arp.h that a machine commonly shows.
    switch (*nLinkType) {
    case 1:
        return u"Ethernet";
    case 32:
        return u"InfiniBand";
    case 772:
        return u"loopback";
    case 65534:
        return u"link without hardware header";
    default:
        return u"link type " + AsciiToUtf16(std::to_string(*nLinkType));
    }
}

CAdapterEntry AdapterEntryFromInterface(const CNetInterface& netInterface)
{
    CAdapterEntry entry;
    const std::u16string strName = Utf8ToUtf16(netInterface.m_strName);
    entry.m_strName = netInterface.m_bDeviceBacked ? UpperGuidText(netInterface.m_guid) : strName;
    entry.m_strDescription = AdapterDescription(netInterface.m_bWireless, netInterface.m_nLinkType);
    entry.m_strFriendlyName = strName;
    // The table has room for eight bytes; a longer address (InfiniBand has twenty) is not carried at all rather
    // than cut into one that would look usable.
    if (netInterface.m_address.size() <= sizeof(entry.m_address)) {
        entry.m_nAddressLength = static_cast<uint32_t>(netInterface.m_address.size());
        std::copy(netInterface.m_address.begin(), netInterface.m_address.end(), entry.m_address);
    }
    return entry;
}

CLinuxSources::CLinuxSources(std::string strSysfsRoot, IPermanentAddressReader& permanentAddresses,
                             ILinkSource* pLinkSource)
    : m_strRoot(std::move(strSysfsRoot)), m_permanentAddresses(permanentAddresses), m_pLinkSource(pLinkSource)
{
}

void CLinuxSources::Rescan()
{
    std::optional<std::vector<CNetlinkLink>> links;
    if (m_pLinkSource)
        links = m_pLinkSource->DumpLinks();
    if (links)
        m_interfaces = ScanNetInterfaces(m_strRoot, *links);
    else
        m_interfaces = ScanNetInterfaces(m_strRoot);
    m_devices.clear();
    if (m_interfaces) {
        for (size_t i = 0; i < m_interfaces->size(); ++i) {
            if ((*m_interfaces)[i].m_bDeviceBacked)
                m_devices.push_back(i);
        }
    }
    m_bScanned = true;
}

const std::optional<std::vector<CNetInterface>>& CLinuxSources::Interfaces()
{
    if (!m_bScanned)
        Rescan();
    return m_interfaces;
}

bool CLinuxSources::EnumComponents(std::vector<CNetCfgComponentInfo>& components)
{
    Rescan();
    if (!m_interfaces)
        return false;
    for (const size_t nDevice : m_devices) {
        const CNetInterface& device = (*m_interfaces)[nDevice];
        CNetCfgComponentInfo info;
        info.m_dwCharacteristics = NCF_PHYSICAL;
        info.m_guidInstance = device.m_guid;
        info.m_strId = AsciiToUtf16(device.m_strComponentId);
        components.push_back(std::move(info));
    }
    return true;
}

bool CLinuxSources::OpenDeviceSet()
{
    if (!Interfaces())
        return false;
    m_deviceSet = m_devices;
    m_nCurrent = 0;
    return true;
}

bool CLinuxSources::SelectDevice(uint32_t nIndex)
{
    if (nIndex >= m_deviceSet.size())
        return false;
    m_nCurrent = nIndex;
    return true;
}

std::vector<uint32_t> CLinuxSources::GetResourceTypes()
{
    if (m_nCurrent >= m_deviceSet.size())
        return std::vector<uint32_t>();
    return (*m_interfaces)[m_deviceSet[m_nCurrent]].m_resourceTypes;
}

std::optional<std::u16string> CLinuxSources::GetInstanceId()
{
    if (m_nCurrent >= m_deviceSet.size())
        return std::nullopt;
    return AsciiToUtf16((*m_interfaces)[m_deviceSet[m_nCurrent]].m_strComponentId);
}

std::optional<std::vector<uint8_t>> CLinuxSources::GetNetCfgInstanceIdData()
{
    if (m_nCurrent >= m_deviceSet.size())
        return std::nullopt;
    return RegistryStringData(UpperGuidText((*m_interfaces)[m_deviceSet[m_nCurrent]].m_guid));
}

void CLinuxSources::CloseDeviceSet()
{
    m_deviceSet.clear();
    m_nCurrent = 0;
}

std::unique_ptr<IDriverDevice> CLinuxSources::Open(const std::u16string& strDevicePath)
{
    static const std::u16string kPrefix = u"\\\\.\\";
    CGuidValue guid;
    if (strDevicePath.compare(0, kPrefix.size(), kPrefix) != 0 ||
        !ParseGuidText(std::u16string_view(strDevicePath).substr(kPrefix.size()), guid))
        return nullptr;
    if (!Interfaces())
        return nullptr;
    for (const size_t nDevice : m_devices) {
        const CNetInterface& device = (*m_interfaces)[nDevice];
        if (SameGuid(device.m_guid, guid))
            return std::make_unique<CLinuxDriverDevice>(device, m_permanentAddresses);
    }
    return nullptr;
}

uint32_t CLinuxSources::GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries)
{
    const std::optional<std::vector<CNetInterface>>& interfaces = Interfaces();
    if (!interfaces)
        return kAdapterTableFailure;

    std::vector<CAdapterEntry> table;
    uint64_t nNeeded = 0;
    for (const CNetInterface& netInterface : *interfaces) {
        if (netInterface.m_address.empty())
            continue;  // no link-layer address (tun, or an unreadable one): not in the table
        table.push_back(AdapterEntryFromInterface(netInterface));
        nNeeded += AdapterEntrySize(table.back());
    }
    if (table.empty())
        return kAdapterTableNoData;
    nNeeded = std::min<uint64_t>(nNeeded, UINT32_MAX);
    if (nSize < nNeeded) {
        nSize = static_cast<uint32_t>(nNeeded);
        return kAdapterTableBufferOverflow;
    }
    entries = std::move(table);
    return kAdapterTableNoError;
}
