// The live Windows sources and the whole determination in the seeded Wine prefix: one PCI network device whose
// NetCfgInstanceId is the GUID of one of Wine's adapters (see seed_prefix.cpp).

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"
#include "inventory/base_host_id.h"
#include "inventory/passes.h"
#include "inventory/win/cm_resources.h"
#include "inventory/win/driver_source.h"
#include "inventory/win/setup_device_source.h"
#include "seeded_device.h"
#include "support/utf16le.h"
#include "support/win/running_under_wine.h"

namespace {

// The GUID text the seeding program bound the device to, or none when it found no usable adapter.
std::optional<std::u16string> SeededGuid()
{
    CUniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, LUMO_SEEDED_CLASS_KEY, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t szValue[128] = {};
    DWORD cbValue = sizeof(szValue) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), L"NetCfgInstanceId", nullptr, nullptr, reinterpret_cast<BYTE*>(szValue),
                         &cbValue) != ERROR_SUCCESS)
        return std::nullopt;
    return FromWide(szValue);
}

// The adapter's bytes as the table reports them, or none when no adapter has that name.
std::optional<std::vector<uint8_t>> AdapterAddress(const std::u16string& strName)
{
    ULONG nSize = 64 * 1024;
    std::vector<unsigned char> buffer(nSize);
    auto* pFirst = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, pFirst, &nSize) != NO_ERROR)
        return std::nullopt;
    for (const IP_ADAPTER_ADDRESSES* p = pFirst; p; p = p->Next) {
        if (p->AdapterName && EqualsNoCase(AsciiToUtf16(p->AdapterName), strName))
            return std::vector<uint8_t>(p->PhysicalAddress, p->PhysicalAddress + p->PhysicalAddressLength);
    }
    return std::nullopt;
}

// Whether the driver device of the adapter opens, asked without the source under test. Wine's NDIS driver makes it
// once the prefix's services are up; the seeding program waits for that.
bool DriverDeviceOpens(const std::u16string& strGuid)
{
    const std::u16string strPath = DriverDevicePath(strGuid);
    const CUniqueFileHandle device(CreateFileW(AsWide(strPath), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return device.IsValid();
}

class SeededPrefixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Wine lists the host's interfaces, and every machine these tests run on has a wired one: a prefix left
        // unseeded would let every test below pass without looking at anything.
        m_strGuid = SeededGuid();
        ASSERT_TRUE(m_strGuid.has_value()) << "the host has no adapter with a usable address: the prefix is unseeded";
    }

    std::optional<std::u16string> m_strGuid;
};

// The device source walks exactly the seeded device and reads every value the pass asks of it.
TEST_F(SeededPrefixTest, DeviceSourceReadsTheSeededDevice)
{
    CSetupDeviceSource source;
    ASSERT_TRUE(source.OpenDeviceSet());
    ASSERT_TRUE(source.SelectDevice(0));

    const std::optional<std::u16string> strId = source.GetInstanceId();
    ASSERT_TRUE(strId.has_value());
    EXPECT_TRUE(EqualsNoCase(*strId, FromWide(LUMO_SEEDED_INSTANCE_ID))) << Utf16ToUtf8(*strId);

    EXPECT_EQ(source.GetDriverKey(), FromWide(LUMO_SEEDED_DRIVER));

    // The stored value, terminating null included.
    const std::vector<uint8_t> expected = Utf16LeBytes(*m_strGuid, true);
    EXPECT_EQ(source.GetNetCfgInstanceIdData(), expected);

    // Wine's configuration manager cannot report resources; on Windows the device would have none allocated either.
    EXPECT_TRUE(source.GetResourceTypes().empty());

    // Asking twice gives the same answers: nothing is left over from the first round.
    EXPECT_EQ(source.GetInstanceId(), strId);
    EXPECT_EQ(source.GetNetCfgInstanceIdData(), expected);

    EXPECT_FALSE(source.SelectDevice(1));
    source.CloseDeviceSet();
}

// The whole determination: the device setup pass takes the PCI device into the inventory under the seeded GUID
// text, the adapter table names that GUID, the record is stamped with the table's address and chosen first.
TEST_F(SeededPrefixTest, DeterminationChoosesTheSeededAdapter)
{
    const std::optional<std::vector<uint8_t>> address = AdapterAddress(*m_strGuid);
    ASSERT_TRUE(address.has_value()) << "the seeded GUID is no adapter of the table";
    ASSERT_EQ(address->size(), 6u);
    const std::u16string strAddress = FormatAddressText(address->data(), address->size());
    EXPECT_TRUE(DriverDeviceOpens(*m_strGuid)) << "the adapter's NDIS device did not appear in this prefix";

    CLiveSources live;
    CBaseHostId hostId(live.Get());
    CChoiceTrace trace;
    ASSERT_TRUE(hostId.DetermineAdapter(&trace));

    ASSERT_EQ(hostId.GetDevices().GetCount(), 1u);
    const CHidDevNet* pSelected = hostId.GetSelectedAdapter();
    ASSERT_NE(pSelected, nullptr);
    EXPECT_EQ(trace.m_rule, EChoiceRule::Primary);
    EXPECT_EQ(pSelected->m_strGuid, *m_strGuid);
    EXPECT_EQ(pSelected->m_strPnpId, u"PCI");
    EXPECT_NE(pSelected->m_dwFlags & HID_BUS_PCI, 0u);
    if (IsRunningUnderWine()) {
        EXPECT_EQ(pSelected->m_dwFlags, HID_BUS_PCI);  // no resource flags: Wine's resource functions are not used
    }
    EXPECT_EQ(pSelected->m_strAddress, strAddress);
    std::printf("chosen: %s, address %s\n", Utf16ToUtf8(pSelected->m_strGuid).c_str(),
                Utf16ToUtf8(pSelected->m_strAddress).c_str());
    EXPECT_FALSE(pSelected->m_bWireless);
    // The hardware address pass read both addresses from the adapter's driver.
    EXPECT_EQ(pSelected->m_strPermanentAddress, strAddress);
    EXPECT_EQ(pSelected->m_strCurrentAddress, strAddress);
}

// Wine's NDIS driver answers both address queries of the seeded adapter with the address of the adapter table.
TEST_F(SeededPrefixTest, DriverSourceQueriesTheAdaptersDriver)
{
    ASSERT_TRUE(DriverDeviceOpens(*m_strGuid)) << "the adapter's NDIS device did not appear in this prefix";
    const std::optional<std::vector<uint8_t>> address = AdapterAddress(*m_strGuid);
    ASSERT_TRUE(address.has_value());

    CDriverSource source;
    // Windows device names do not depend on letter case; the pass may hold the GUID text in either.
    for (const std::u16string& strGuid : {AsciiLowerCopy(*m_strGuid), AsciiUpperCopy(*m_strGuid)}) {
        SCOPED_TRACE(Utf16ToUtf8(strGuid));
        std::unique_ptr<IDriverDevice> pDevice = source.Open(DriverDevicePath(strGuid));
        ASSERT_NE(pDevice, nullptr);
        for (const uint32_t dwOid : {OID_802_3_PERMANENT_ADDRESS, OID_802_3_CURRENT_ADDRESS}) {
            uint8_t buffer[kDriverQueryBufferSize] = {};
            uint32_t nBytes = 0;
            ASSERT_TRUE(pDevice->QueryOid(dwOid, buffer, nBytes));
            EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + nBytes), *address);
        }
        // An identifier the driver does not know fails.
        uint8_t buffer[kDriverQueryBufferSize] = {};
        uint32_t nBytes = 0;
        EXPECT_FALSE(pDevice->QueryOid(0x00010114, buffer, nBytes));  // OID_GEN_MEDIA_CONNECT_STATUS
    }
}

}  // namespace
