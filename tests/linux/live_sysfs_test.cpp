// Invariants of the Linux sources on the machine the tests run on. Nothing here names a particular adapter or
// address: any Linux machine, with or without network devices, must pass.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"
#include "inventory/classification.h"
#include "inventory/linux/linux_sources.h"
#include "inventory/passes.h"

namespace {

bool HasLiveSysfs()
{
    struct stat status {};
    return stat("/sys/class/net", &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsUpperHex(char16_t ch) { return (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F'); }

// XX-XX-XX-XX-XX with the fifth pair the XOR of the first four.
bool IsValidHostIdText(const std::u16string& text)
{
    if (text.size() != 14)
        return false;
    unsigned bytes[5] = {};
    for (size_t i = 0; i < 5; ++i) {
        const size_t at = 3 * i;
        if (!IsUpperHex(text[at]) || !IsUpperHex(text[at + 1]) || (i < 4 && text[at + 2] != u'-'))
            return false;
        const auto digit = [](char16_t ch) { return ch <= u'9' ? unsigned(ch - u'0') : unsigned(ch - u'A' + 10); };
        bytes[i] = digit(text[at]) << 4 | digit(text[at + 1]);
    }
    return (bytes[0] ^ bytes[1] ^ bytes[2] ^ bytes[3]) == bytes[4];
}

// Whether a GUID text has the one form the Linux sources give: braces, lower-case digits, the name-based version 5
// and the variant bits 10, as in {6f56eafe-1259-5f73-bd45-91391efa810e}. In the pattern x stands for any lower-case
// hexadecimal digit and v for one of 8, 9, a and b.
bool HasNameBasedGuidForm(const std::u16string& text)
{
    static const char kPattern[] = "{xxxxxxxx-xxxx-5xxx-vxxx-xxxxxxxxxxxx}";
    if (text.size() != sizeof(kPattern) - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        const bool bLowerHex = (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f');
        switch (kPattern[i]) {
        case 'x':
            if (!bLowerHex)
                return false;
            break;
        case 'v':
            if (ch != u'8' && ch != u'9' && ch != u'a' && ch != u'b')
                return false;
            break;
        default:
            if (ch != char16_t(kPattern[i]))
                return false;
        }
    }
    return true;
}

const char kNoDeviceHere[] = "no network interface on this machine has a device, so no record could be checked";

TEST(LiveSysfsTest, InterfacesReadSoundly)
{
    if (!HasLiveSysfs())
        GTEST_SKIP() << "no /sys/class/net here";
    const auto interfaces = ScanNetInterfaces("/sys");
    ASSERT_TRUE(interfaces.has_value());
    std::optional<uint32_t> nPrevious;
    size_t nDeviceBacked = 0;
    for (const CNetInterface& netInterface : *interfaces) {
        SCOPED_TRACE(netInterface.m_strName);
        EXPECT_FALSE(netInterface.m_strName.empty());
        EXPECT_LE(netInterface.m_address.size(), kMaxLinkLayerAddress);
        if (netInterface.m_nIfIndex) {
            if (nPrevious) {
                EXPECT_LT(*nPrevious, *netInterface.m_nIfIndex);  // interface-index order, each index once
            }
            nPrevious = netInterface.m_nIfIndex;
        }
        if (!netInterface.m_bDeviceBacked)
            continue;
        ++nDeviceBacked;
        EXPECT_EQ(netInterface.m_strDevicePath.rfind("/sys/devices/", 0), 0u);
        std::u16string strId = AsciiToUtf16(netInterface.m_strComponentId);
        EXPECT_NE(BusFlagsFromComponentId(strId), 0u);
        EXPECT_EQ(netInterface.m_guid.Data3 >> 12, 5);
    }
    if (nDeviceBacked == 0)
        GTEST_SKIP() << kNoDeviceHere;
}

TEST(LiveSysfsTest, SourcesKeepTheirContracts)
{
    if (!HasLiveSysfs())
        GTEST_SKIP() << "no /sys/class/net here";
    CLiveSources live;
    const CInventorySources sources = live.Get();

    std::vector<CNetCfgComponentInfo> components;
    ASSERT_TRUE(sources.netCfg.EnumComponents(components));
    for (const CNetCfgComponentInfo& component : components) {
        EXPECT_EQ(component.m_dwCharacteristics, NCF_PHYSICAL);
        ASSERT_TRUE(component.m_strId.has_value());
        EXPECT_FALSE(component.m_strId->empty());
        EXPECT_TRUE(HasNameBasedGuidForm(FormatGuidText(component.m_guidInstance)))
            << Utf16ToUtf8(FormatGuidText(component.m_guidInstance));
        // Every component opens as a driver device under its GUID text.
        EXPECT_NE(sources.drivers.Open(u"\\\\.\\" + FormatGuidText(component.m_guidInstance)), nullptr);
    }

    ASSERT_TRUE(sources.devices.OpenDeviceSet());
    uint32_t nDevices = 0;
    while (sources.devices.SelectDevice(nDevices)) {
        const std::u16string strGuid = NetCfgInstanceIdText(sources.devices.GetNetCfgInstanceIdData());
        CGuidValue parsed;
        EXPECT_TRUE(ParseGuidText(strGuid, parsed)) << Utf16ToUtf8(strGuid);
        EXPECT_EQ(strGuid, AsciiUpperCopy(strGuid));
        EXPECT_TRUE(sources.devices.GetInstanceId().has_value());
        ++nDevices;
    }
    sources.devices.CloseDeviceSet();
    EXPECT_EQ(nDevices, components.size());
    if (components.empty())
        GTEST_SKIP() << kNoDeviceHere;

    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    const uint32_t dwFirst = sources.adapters.GetAdaptersAddresses(nSize, entries);
    EXPECT_TRUE(dwFirst == kAdapterTableBufferOverflow || dwFirst == kAdapterTableNoData) << dwFirst;
    if (dwFirst == kAdapterTableBufferOverflow) {
        const uint32_t dwSecond = sources.adapters.GetAdaptersAddresses(nSize, entries);
        // Only an interface that appeared in between may make the second call fail.
        EXPECT_TRUE(dwSecond == kAdapterTableNoError || dwSecond == kAdapterTableBufferOverflow) << dwSecond;
        for (const CAdapterEntry& entry : entries) {
            EXPECT_LE(entry.m_nAddressLength, 8u);
            EXPECT_TRUE(entry.m_strName.has_value() && !entry.m_strName->empty());
        }
    }
}

TEST(LiveSysfsTest, DeterminationGivesAFlaggedRecordAndAWellFormedHostId)
{
    if (!HasLiveSysfs())
        GTEST_SKIP() << "no /sys/class/net here";
    CLiveSources live;
    std::u16string strFirst;
    for (int nRun = 0; nRun < 2; ++nRun) {
        CBaseHostId hostId(live.Get());
        const CHidDevNet* pSelected = hostId.GetSelectedAdapter();
        if (hostId.GetDevices().IsEmpty())
            GTEST_SKIP() << kNoDeviceHere;
        for (const auto& pRecord : hostId.GetDevices()) {
            EXPECT_NE(pRecord->m_dwFlags, 0u);
            EXPECT_TRUE(HasNameBasedGuidForm(pRecord->m_strGuid)) << Utf16ToUtf8(pRecord->m_strGuid);
        }
        if (!pSelected)
            GTEST_SKIP() << "no record on this machine has an address, so no host ID could be checked";
        const std::u16string& strAddress = pSelected->m_strAddress;
        EXPECT_EQ(strAddress.size(), 12u) << Utf16ToUtf8(strAddress);
        for (const char16_t ch : strAddress)
            EXPECT_TRUE(IsUpperHex(ch));
        const std::u16string strHostId = CReleaseHostId(*pSelected).GetHostIdText();
        EXPECT_TRUE(IsValidHostIdText(strHostId)) << Utf16ToUtf8(strHostId);
        if (nRun == 0) {
            strFirst = strHostId;
        } else {
            EXPECT_EQ(strHostId, strFirst);  // the same machine gives the same host ID
        }
    }
}

}  // namespace
