#include "inventory/passes.h"

#include <algorithm>
#include <new>

#include "common/text.h"
#include "inventory/classification.h"

namespace {

// "\\.\" opens a device by name, here the driver device named by an adapter's GUID text.
constexpr std::u16string_view kDevicePathPrefix = u"\\\\.\\";

}  // namespace

std::u16string FormatGuidText(const CGuidValue& guid)
{
    std::u16string text;
    text.reserve(38);
    text.push_back(u'{');
    AppendHex(text, guid.Data1, 8, EHexCase::kLower);
    text.push_back(u'-');
    AppendHex(text, guid.Data2, 4, EHexCase::kLower);
    text.push_back(u'-');
    AppendHex(text, guid.Data3, 4, EHexCase::kLower);
    text.push_back(u'-');
    AppendHex(text, guid.Data4[0], 2, EHexCase::kLower);
    AppendHex(text, guid.Data4[1], 2, EHexCase::kLower);
    text.push_back(u'-');
    for (int i = 2; i < 8; ++i)
        AppendHex(text, guid.Data4[i], 2, EHexCase::kLower);
    text.push_back(u'}');
    return text;
}

bool ParseGuidText(std::u16string_view text, CGuidValue& guid)
{
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}: 38 characters, hyphens at fixed places.
    if (text.size() != 38 || text.front() != u'{' || text.back() != u'}')
        return false;
    uint8_t bytes[16] = {};
    size_t nByte = 0;
    for (size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != u'-')
                return false;
            ++i;
            continue;
        }
        const int nHigh = HexDigitValue(text[i]);
        const int nLow = HexDigitValue(text[i + 1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        bytes[nByte++] = static_cast<uint8_t>(nHigh << 4 | nLow);
        i += 2;
    }
    guid.Data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int k = 0; k < 8; ++k)
        guid.Data4[k] = bytes[8 + k];
    return true;
}

bool EnumNetCfgComponents(CDeviceList& list, INetCfgSource& source)
{
    std::vector<CNetCfgComponentInfo> components;
    if (!source.EnumComponents(components))
        return true;
    bool bComplete = true;
    list.Reserve(list.GetCount() + components.size());
    for (const CNetCfgComponentInfo& component : components) {
        // Protocols, services and virtual miniports are not adapters.
        if ((component.m_dwCharacteristics & NCF_PHYSICAL) == 0)
            continue;
        try {
            CHidDevNet record;
            record.m_strPnpId = component.m_strId.value_or(std::u16string());
            record.m_dwFlags = BusFlagsFromComponentId(record.m_strPnpId);
            if (record.m_dwFlags == 0)
                continue;  // no component ID
            record.m_strGuid = FormatGuidText(component.m_guidInstance);
            // Every physical component gets a record of its own, even when its GUID text is already in the list.
            if (!AppendRecord(list, std::move(record)))
                bComplete = false;
        } catch (const std::bad_alloc&) {
            // A record whose texts cannot be stored is left out; the pass goes on with the next component.
            bComplete = false;
        }
    }
    return bComplete;
}

uint32_t ResourceFlagFromType(uint32_t nResourceType)
{
    switch (nResourceType) {
    case 1:
        return HID_RES_MEM;
    case 2:
        return HID_RES_IO;
    case 3:
        return HID_RES_DMA;
    case 4:
        return HID_RES_IRQ;
    case 6:
        return HID_RES_BUSNUMBER;
    case 7:
        return HID_RES_MEMLARGE;
    default:
        return 0;  // 5 is ResType_DoNotUse; anything else is unknown
    }
}

std::vector<uint8_t> RegistryStringData(std::u16string_view text)
{
    std::vector<uint8_t> data;
    data.reserve(2 * text.size() + 2);
    for (const char16_t unit : text) {
        data.push_back(static_cast<uint8_t>(unit & 0xFF));
        data.push_back(static_cast<uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::u16string NetCfgInstanceIdText(const std::optional<std::vector<uint8_t>>& data)
{
    if (!data || data->size() > kNetCfgInstanceIdBufferSize)
        return std::u16string();
    std::u16string text;
    const size_t nUnits = data->size() / 2;
    text.reserve(nUnits);
    for (size_t i = 0; i < nUnits; ++i) {
        // Registry data is little-endian UTF-16 on every system.
        const auto unit = static_cast<char16_t>((*data)[2 * i] | ((*data)[2 * i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

bool EnumSetupDevices(CDeviceList& list, const CInventorySources& sources)
{
    bool bComplete = EnumNetCfgComponents(list, sources.netCfg);

    ISetupDeviceSource& devices = sources.devices;
    if (!devices.OpenDeviceSet())
        return bComplete;  // without a device set the hardware address pass does not run either

    // The records by GUID text, so that merging a device costs no walk over the list. Without memory for it the
    // merges walk the list: the pass gives the same records, only more slowly.
    std::optional<CGuidIndex> index = BuildGuidIndex(list);
    // The merges only note their flags in the index; they reach the records when the walk ends, however it ends.
    struct CApplyMergedFlags {
        std::optional<CGuidIndex>& index;
        ~CApplyMergedFlags()
        {
            if (index)
                index->ApplyMergedFlags();
        }
    } applyMergedFlags{index};
    for (uint32_t nIndex = 0; devices.SelectDevice(nIndex); ++nIndex) {
        try {
            uint32_t dwFlags = 0;
            for (const uint32_t nType : devices.GetResourceTypes())
                dwFlags |= ResourceFlagFromType(nType);

            CHidDevNet record;
            if (std::optional<std::u16string> strId = devices.GetInstanceId()) {
                record.m_strPnpId = std::move(*strId);
                dwFlags |= BusFlagsFromInstanceId(record.m_strPnpId);
            }
            if (dwFlags == 0)
                continue;  // neither resources nor a known bus: not an adapter of ours

            record.m_dwFlags = dwFlags;
            record.m_strGuid = NetCfgInstanceIdText(devices.GetNetCfgInstanceIdData());
            if (!MergeDeviceRecord(list, index, std::move(record)))
                bComplete = false;
        } catch (const std::bad_alloc&) {
            // A device whose record cannot be built is left out, as one whose record cannot be stored is; the
            // pass goes on with the next device.
            bComplete = false;
        }
    }
    devices.CloseDeviceSet();
    if (index)
        index->ApplyMergedFlags();

    return ReadHardwareAddresses(list, sources.drivers) && bComplete;
}

std::u16string DriverDevicePath(const std::u16string& strGuid)
{
    return std::u16string(kDevicePathPrefix) + strGuid;
}

bool ReadHardwareAddresses(CDeviceList& list, IDriverSource& drivers)
{
    bool bComplete = true;
    uint8_t buffer[kDriverQueryBufferSize] = {};
    std::u16string strPath;
    for (auto& pRecord : list) {
        if (pRecord->m_dwFlags == 0)
            continue;
        try {
            strPath.assign(kDevicePathPrefix).append(pRecord->m_strGuid);
            std::unique_ptr<IDriverDevice> pDevice = drivers.Open(strPath);
            if (!pDevice)
                continue;

            // A driver that reports more bytes than the buffer holds is taken at the buffer's size, never beyond it.
            uint32_t nBytes = 0;
            if (pDevice->QueryOid(OID_802_3_PERMANENT_ADDRESS, buffer, nBytes)) {
                AppendAddressText(pRecord->m_strPermanentAddress, buffer, std::min(nBytes, kDriverQueryBufferSize));
                pRecord->m_strAddress = pRecord->m_strPermanentAddress;
            }
            // The buffer is not cleared between the queries: only the bytes the driver reports are read.
            nBytes = 0;
            if (pDevice->QueryOid(OID_802_3_CURRENT_ADDRESS, buffer, nBytes))
                AppendAddressText(pRecord->m_strCurrentAddress, buffer, std::min(nBytes, kDriverQueryBufferSize));
        } catch (const std::bad_alloc&) {
            // An address text that cannot be stored is missing from this record only; the texts grow in one step,
            // so none is left half written.
            bComplete = false;
        }
    }
    return bComplete;
}
