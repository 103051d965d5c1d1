// The program's own network component reading and resource walk, run for real in the substitute prefix: the
// network configuration server and the native cfgmgr32 (substitutes/) answer from a script, faults included, and
// count what they gave out. Everything else is Wine's.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"
#include "inventory/base_host_id.h"
#include "inventory/passes.h"
#include "inventory/win/cm_resources.h"
#include "inventory/win/netcfg_source.h"
#include "inventory/win/setup_device_source.h"
#include "substitutes/counts.h"
#include "substitutes/script.h"
#include "support/win/running_under_wine.h"

namespace {

constexpr wchar_t kNetClass[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kEnumRoot[] = L"System\\CurrentControlSet\\Enum\\";
constexpr wchar_t kClassRoot[] = L"System\\CurrentControlSet\\Control\\Class\\";

// Makes the script file the substitutes read from now on.
void UseScript(const std::string& strScript)
{
    wchar_t szDirectory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, szDirectory);
    const std::wstring strPath = std::wstring(szDirectory) + L"lumo_substitute_test.txt";
    FILE* pFile = _wfopen(strPath.c_str(), L"wb");
    ASSERT_NE(pFile, nullptr);
    std::fwrite(strScript.data(), 1, strScript.size(), pFile);
    std::fclose(pFile);
    ASSERT_TRUE(SetEnvironmentVariableW(kSubstituteScriptVariable, strPath.c_str()));
}

template <class TCounts, class TFn>
TCounts ReadCounts(const wchar_t* pszModule, const char* pszExport)
{
    TCounts counts = {};
    const auto pRead = reinterpret_cast<TFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(pszModule), pszExport)));
    EXPECT_NE(pRead, nullptr) << "the substitute is not loaded";
    if (pRead)
        pRead(&counts);
    return counts;
}

// ---- Network configuration ----

struct CExpectedComponent {
    uint32_t m_dwCharacteristics;
    const char16_t* m_pszGuid;
    std::optional<std::u16string> m_strId;
};

struct CNetCfgCase {
    const char* m_pszName;
    std::string m_strScript;
    bool m_bEnumerator;
    std::vector<CExpectedComponent> m_components;
};

const std::string kThreeComponents =
    "component 0x84 {a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086\n"
    "component 4 {00112233-4455-6677-8899-aabbccddeeff} =USB\\VID_0BDA&PID_8153\n"
    "component 0x29 {0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0} =ms_ndiswanip\n";

const CExpectedComponent kFirst = {0x84, u"{a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}",
                                   u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086"};
const CExpectedComponent kSecond = {0x4, u"{00112233-4455-6677-8899-aabbccddeeff}", u"USB\\VID_0BDA&PID_8153"};
const CExpectedComponent kThird = {0x29, u"{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}", u"ms_ndiswanip"};

const CNetCfgCase kNetCfgCases[] = {
    {"every field as the server gives it", kThreeComponents, true, {kFirst, kSecond, kThird}},
    {"a failing call leaves only its own value unset",
     "component 0x84 {a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =PCI\\A guid-fails\n"
     "component 0x84 {b1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =PCI\\B id-fails\n"
     "component 0x84 {c1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =PCI\\C characteristics-fails\n"
     "component 0x84 {d1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} -\n"
     "component 0x84 {e1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =\n",
     true,
     {{0x84, u"{00000000-0000-0000-0000-000000000000}", u"PCI\\A"},
      {0x84, u"{b1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}", std::nullopt},
      {0, u"{c1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}", u"PCI\\C"},
      {0x84, u"{d1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}", std::nullopt},
      {0x84, u"{e1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}", u""}}},
    {"Next failing midway keeps the components read before", "netcfg next-fails-at 2\n" + kThreeComponents, true,
     {kFirst, kSecond}},
    {"Next answering S_OK without a component ends the walk", "netcfg next-empty-at 1\n" + kThreeComponents, true,
     {kFirst}},
    {"EnumComponents failing gives no enumerator", "netcfg enum-fails\n" + kThreeComponents, false, {}},
    {"an enumerator without components", "", true, {}},
};

TEST(NetCfgServerTest, ComponentsReadThroughTheProgramsOwnLoop)
{
    // The server stays loaded across the cases so that its counts can be read after the pass has released it.
    const CUniqueModule server(LoadLibraryW(L"lumo_netcfg_server.dll"));
    ASSERT_TRUE(server) << "the server is not installed in this prefix";

    for (const CNetCfgCase& test : kNetCfgCases) {
        SCOPED_TRACE(test.m_pszName);
        UseScript(test.m_strScript);
        const auto before =
            ReadCounts<CNetCfgServerCounts, NetCfgServerCountsFn>(L"lumo_netcfg_server.dll", "LumoNetCfgServerCounts");

        CNetCfgSource source;
        std::vector<CNetCfgComponentInfo> components;
        EXPECT_EQ(source.EnumComponents(components), test.m_bEnumerator);

        ASSERT_EQ(components.size(), test.m_components.size());
        for (size_t i = 0; i < components.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(components[i].m_dwCharacteristics, test.m_components[i].m_dwCharacteristics);
            EXPECT_EQ(Utf16ToUtf8(FormatGuidText(components[i].m_guidInstance)),
                      Utf16ToUtf8(test.m_components[i].m_pszGuid));
            EXPECT_EQ(components[i].m_strId, test.m_components[i].m_strId);
        }

        const auto after =
            ReadCounts<CNetCfgServerCounts, NetCfgServerCountsFn>(L"lumo_netcfg_server.dll", "LumoNetCfgServerCounts");
        EXPECT_EQ(after.m_nObjectsAlive, 0) << "an interface was not released";
        EXPECT_GT(after.m_nObjectsMade, before.m_nObjectsMade) << "the program did not reach the server";
        EXPECT_EQ(after.m_nInitializeCalls, before.m_nInitializeCalls + 1);
        EXPECT_EQ(after.m_nEnumComponentsCalls, before.m_nEnumComponentsCalls + 1);
    }
}

// ---- Resources ----

// Devices written into the prefix's registry: Wine's Setup API lists them, and the substitute answers for their
// instance IDs. Wine lists them in the order of their keys, not in this one.
struct CDeviceCase {
    const wchar_t* m_pszEnumPath;  // below Enum; also the instance ID
    const wchar_t* m_pszGuid;      // NetCfgInstanceId
    const char* m_pszResources;    // the script's words after the ID
    std::vector<uint32_t> m_expected;
};

const CDeviceCase kDevices[] = {
    {L"PCI\\VEN_8086&DEV_100E\\LUMO1", L"{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", "1 4 2", {1, 4, 2}},
    {L"PCI\\VEN_8086&DEV_10D3\\LUMO2", L"{B1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", "1 2:data-fails 4:size-fails 7",
     {1, 7}},
    {L"PCI\\VEN_8086&DEV_10EA\\LUMO3", L"{C1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", "no-conf 1 2", {}},
    {L"PCI\\VEN_8086&DEV_1533\\LUMO4", L"{D1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", "", {}},
    {L"ROOT\\NET\\LUMO5", L"{E1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", "3 5 6 200 2:data-fails", {3, 5, 6, 200}},
    {L"USB\\VID_0BDA&PID_8153\\LUMO6", L"{00112233-4455-6677-8899-AABBCCDDEEFF}", "2:size-fails", {}},
    {L"VMBUS\\LUMO7\\LUMO7", L"{F1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", nullptr, {}},  // not in the script
};

bool SetText(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    const auto cbData = static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()), cbData) ==
           ERROR_SUCCESS;
}

class SubstitutePrefixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string strScript;
        for (size_t i = 0; i < std::size(kDevices); ++i) {
            const CDeviceCase& device = kDevices[i];
            wchar_t szDriver[64];
            std::swprintf(szDriver, 64, L"%ls\\%04u", kNetClass, static_cast<unsigned>(i + 20));
            CUniqueRegKey enumKey, classKey;
            ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kEnumRoot) + device.m_pszEnumPath).c_str(), 0,
                                      nullptr, 0, KEY_ALL_ACCESS, nullptr, enumKey.Put(), nullptr),
                      ERROR_SUCCESS);
            ASSERT_TRUE(SetText(enumKey.Get(), L"ClassGUID", kNetClass) && SetText(enumKey.Get(), L"Class", L"Net") &&
                        SetText(enumKey.Get(), L"Driver", szDriver));
            ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kClassRoot) + szDriver).c_str(), 0, nullptr,
                                      0, KEY_ALL_ACCESS, nullptr, classKey.Put(), nullptr),
                      ERROR_SUCCESS);
            ASSERT_TRUE(SetText(classKey.Get(), L"NetCfgInstanceId", device.m_pszGuid));
            if (device.m_pszResources)
                strScript += "device " + FormatScriptText(FromWide(device.m_pszEnumPath)) + " " +
                             device.m_pszResources + "\n";
        }
        s_strDeviceScript = strScript;
    }

    static CConfigurationManagerCounts Counts()
    {
        return ReadCounts<CConfigurationManagerCounts, ConfigurationManagerCountsFn>(
            L"cfgmgr32.dll", "LumoConfigurationManagerCounts");
    }

    // Every handle given out came back, each through its own release call.
    static void ExpectEveryHandleBack()
    {
        const CConfigurationManagerCounts counts = Counts();
        EXPECT_EQ(counts.m_nConfigurationFreedAsDescriptor, 0) << "a configuration handle was freed as a descriptor";
        EXPECT_EQ(counts.m_nDescriptorsReturned, counts.m_nDescriptorsGiven);
        EXPECT_EQ(counts.m_nConfigurationsReturned, counts.m_nConfigurationsGiven);
        EXPECT_EQ(counts.m_nUnknownHandles, 0) << "a handle was used that was never given out, or given back already";
        EXPECT_EQ(counts.m_nUnknownDevices, 0);
    }

    static std::string s_strDeviceScript;
};

std::string SubstitutePrefixTest::s_strDeviceScript;

// Under Wine the reader uses the resource functions exactly when they are not Wine's own: here the native
// substitute is loaded in place of Wine's cfgmgr32, which the plain prefix keeps (and never calls).
TEST_F(SubstitutePrefixTest, NativeResourceFunctionsAreUsedUnderWine)
{
    ASSERT_TRUE(IsRunningUnderWine());
    const CResourceTypeReader reader;
    EXPECT_TRUE(reader.IsAvailable());
    const HMODULE hCfgMgr = GetModuleHandleW(L"cfgmgr32.dll");
    ASSERT_NE(hCfgMgr, nullptr);
    EXPECT_FALSE(IsWineBuiltinModule(hCfgMgr));
    EXPECT_NE(GetProcAddress(hCfgMgr, "LumoConfigurationManagerCounts"), nullptr) << "Wine's cfgmgr32 was loaded";

    // Wine's own DLL, which the substitute forwards to, carries the mark and is never used for resources.
    const CUniqueModule wine(LoadLibraryW(L"winecfgmgr32.dll"));
    ASSERT_TRUE(wine);
    EXPECT_TRUE(IsWineBuiltinModule(wine.Get()));
}

TEST_F(SubstitutePrefixTest, ResourceWalkCountsOnlyReadableDescriptorsAndGivesEveryHandleBack)
{
    UseScript(s_strDeviceScript);
    CSetupDeviceSource source;  // loads cfgmgr32
    const CConfigurationManagerCounts before = Counts();

    ASSERT_TRUE(source.OpenDeviceSet());
    std::map<std::u16string, std::vector<uint32_t>> found;
    for (uint32_t nIndex = 0; source.SelectDevice(nIndex); ++nIndex) {
        const std::optional<std::u16string> strId = source.GetInstanceId();
        ASSERT_TRUE(strId.has_value());
        found[AsciiUpperCopy(*strId)] = source.GetResourceTypes();
    }
    source.CloseDeviceSet();

    size_t nDescriptors = 0;
    for (const CDeviceCase& device : kDevices) {
        const std::u16string strId = AsciiUpperCopy(FromWide(device.m_pszEnumPath));
        SCOPED_TRACE(Utf16ToUtf8(strId));
        ASSERT_EQ(found.count(strId), 1u) << "Wine does not list the device";
        EXPECT_EQ(found[strId], device.m_expected);
        CSubstituteScript script;
        std::string strError;
        if (device.m_pszResources &&
            ParseSubstituteScript(std::string("device =X ") + device.m_pszResources, script, strError) &&
            !script.m_devices[0].m_bNoConfiguration)
            nDescriptors += script.m_devices[0].m_resources.size();
    }

    const CConfigurationManagerCounts after = Counts();
    EXPECT_EQ(after.m_nDescriptorsGiven - before.m_nDescriptorsGiven, static_cast<int32_t>(nDescriptors))
        << "the walk did not reach every descriptor";
    EXPECT_EQ(after.m_nConfigurationsGiven - before.m_nConfigurationsGiven, 5);  // all but the ones without
    ExpectEveryHandleBack();
}

// The whole determination on the live sources: components from the server, devices from Wine's Setup API with
// resources from the substitute, merged by the NetCfgInstanceId values.
TEST_F(SubstitutePrefixTest, DeterminationMergesComponentsAndResources)
{
    UseScript("component 0x84 {a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =PCI\\VEN_8086&DEV_100E\n"
              "component 0x84 {00112233-4455-6677-8899-aabbccddeeff} =USB\\VID_0BDA&PID_8153\n"
              "component 0x20 {b1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90} =PCI\\NOT_PHYSICAL\n" +
              s_strDeviceScript);
    CLiveSources live;
    CBaseHostId hostId(live.Get());
    hostId.DetermineAdapter(nullptr);

    std::map<std::string, uint32_t> flags;
    for (const auto& pRecord : hostId.GetDevices())
        flags[Utf16ToUtf8(AsciiUpperCopy(pRecord->m_strGuid))] |= pRecord->m_dwFlags;
    const std::map<std::string, uint32_t> expected = {
        {"{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", HID_BUS_PCI | HID_RES_MEM | HID_RES_IRQ | HID_RES_IO},
        {"{00112233-4455-6677-8899-AABBCCDDEEFF}", HID_BUS_USB},  // its device has no readable resource
        {"{B1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", HID_BUS_PCI | HID_RES_MEM | HID_RES_MEMLARGE},
        {"{C1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", HID_BUS_PCI},
        {"{D1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", HID_BUS_PCI},
        {"{E1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", HID_RES_DMA | HID_RES_BUSNUMBER},
        {"{F1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}", HID_BUS_VMBUS},
    };
    EXPECT_EQ(flags, expected);
    ExpectEveryHandleBack();
}

}  // namespace
