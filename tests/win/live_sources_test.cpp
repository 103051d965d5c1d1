// The live Windows sources in a Wine prefix without any network-class device (the plain prefix of the build).

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>
#include <objbase.h>

#include <vector>

#include "common/text.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"
#include "inventory/base_host_id.h"
#include "inventory/passes.h"
#include "inventory/win/adapter_table_source.h"
#include "inventory/win/cm_resources.h"
#include "inventory/win/driver_source.h"
#include "inventory/win/netcfg_source.h"
#include "inventory/win/setup_device_source.h"
#include "support/win/adapter_table.h"
#include "support/win/running_under_wine.h"

namespace {

// The adapter table as GetAdaptersAddresses gives it, read here without the source under test.
// What the choice does with the adapter table: a size query with a declared size of 0, then the read.
TEST(AdapterTableSourceTest, SizeQueryThenReadGivesTheTable)
{
    CAdapterTableSource source;
    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    ASSERT_EQ(source.GetAdaptersAddresses(nSize, entries), kAdapterTableBufferOverflow);
    EXPECT_TRUE(entries.empty());
    EXPECT_GT(nSize, 0u);

    // A declared size that is too small but not 0 still only learns the size.
    uint32_t nSmall = 16;
    EXPECT_EQ(source.GetAdaptersAddresses(nSmall, entries), kAdapterTableBufferOverflow);
    EXPECT_EQ(nSmall, nSize);
    EXPECT_TRUE(entries.empty());

    ASSERT_EQ(source.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);

    // Every field the choice reads is what the system table holds, in the table's order.
    const std::vector<CSystemAdapter> raw = ReadSystemAdapterTable();
    ASSERT_EQ(entries.size(), raw.size());
    ASSERT_FALSE(raw.empty()) << "Wine lists at least the loopback adapter";
    for (size_t i = 0; i < raw.size(); ++i) {
        SCOPED_TRACE(Utf16ToUtf8(raw[i].m_strName));
        ASSERT_TRUE(entries[i].m_strName.has_value());
        EXPECT_EQ(*entries[i].m_strName, raw[i].m_strName);
        CGuidValue guid;
        EXPECT_TRUE(ParseGuidText(*entries[i].m_strName, guid)) << "adapter names are GUID texts";
        EXPECT_EQ(entries[i].m_strDescription, raw[i].m_strDescription);
        ASSERT_EQ(entries[i].m_nAddressLength, raw[i].m_address.size());
        EXPECT_EQ(std::vector<uint8_t>(entries[i].m_address, entries[i].m_address + entries[i].m_nAddressLength),
                  raw[i].m_address);
    }
}

TEST(DriverSourceTest, OpensOnlyExistingDevicesAndReportsFailedQueries)
{
    CDriverSource source;
    // No adapter has this GUID, so no driver device has this name. (Whether Wine's NDIS driver has made the devices
    // of its own adapters yet depends on how long the prefix has been up; the seeded tests wait for it.)
    EXPECT_EQ(source.Open(DriverDevicePath(u"{6b7d3f10-1111-2222-3333-444455556666}")), nullptr);
    EXPECT_EQ(source.Open(DriverDevicePath(u"")), nullptr);

    // The null device opens, and it knows no NDIS query.
    std::unique_ptr<IDriverDevice> pDevice = source.Open(u"\\\\.\\NUL");
    ASSERT_NE(pDevice, nullptr);
    uint8_t buffer[kDriverQueryBufferSize] = {};
    uint32_t nBytes = 0;
    EXPECT_FALSE(pDevice->QueryOid(OID_802_3_PERMANENT_ADDRESS, buffer, nBytes));
}

// Whatever apartment the thread is in, the pass leaves it as it found it: it gives back exactly the reference its
// CoInitialize took, and none when CoInitialize failed.
TEST(NetCfgSourceTest, LeavesTheCallersApartmentAsItWas)
{
    enum class EBefore { None, SingleThreaded, MultiThreaded };
    for (const EBefore before : {EBefore::None, EBefore::SingleThreaded, EBefore::MultiThreaded}) {
        SCOPED_TRACE(static_cast<int>(before));
        int nHeld = 0;
        if (before == EBefore::SingleThreaded) {
            ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
            nHeld = 1;
        } else if (before == EBefore::MultiThreaded) {
            ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
            nHeld = 1;
        }

        CNetCfgSource source;
        std::vector<CNetCfgComponentInfo> components;
        // Wine's INetCfg::EnumComponents answers E_NOTIMPL: there is no enumerator.
        EXPECT_FALSE(source.EnumComponents(components));
        EXPECT_TRUE(components.empty());

        // A thread without an apartment can enter the multithreaded one at once (S_OK); a thread that still is in
        // its apartment answers S_FALSE for the same kind and RPC_E_CHANGED_MODE for the other.
        switch (before) {
        case EBefore::None:
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "the pass left an apartment behind";
            ++nHeld;
            break;
        case EBefore::SingleThreaded:
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "the pass ended our apartment";
            ++nHeld;
            break;
        case EBefore::MultiThreaded:
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the pass ended our apartment";
            ++nHeld;
            break;
        }
        while (nHeld-- > 0)
            CoUninitialize();
    }
}

TEST(SetupDeviceSourceTest, UnseededPrefixHasNoNetworkDevice)
{
    CSetupDeviceSource source;
    ASSERT_TRUE(source.OpenDeviceSet());
    EXPECT_FALSE(source.SelectDevice(0));
    // Asked without a current device, the source answers nothing rather than reading a stale one.
    EXPECT_TRUE(source.GetResourceTypes().empty());
    EXPECT_FALSE(source.GetInstanceId().has_value());
    EXPECT_FALSE(source.GetNetCfgInstanceIdData().has_value());
    source.CloseDeviceSet();
    EXPECT_FALSE(source.SelectDevice(0));
}

// Wine 8 exports the configuration manager's resource functions as stubs that end the process when called; the
// reader must know that without calling them. Wine's registry has a key of its own, which Windows lacks.
TEST(ResourceTypeReaderTest, ResourceFunctionsAreNotUsedUnderWine)
{
    CUniqueRegKey wineKey;
    const bool bWineKey =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wine", 0, KEY_READ, wineKey.Put()) == ERROR_SUCCESS;
    EXPECT_EQ(IsRunningUnderWine(), bWineKey);

    // The mark in the DOS stub of Wine's own DLLs, which tells Wine also where its exports and keys are hidden.
    EXPECT_EQ(IsWineBuiltinModule(GetModuleHandleW(L"ntdll.dll")), bWineKey);
    EXPECT_EQ(IsWineBuiltinModule(GetModuleHandleW(L"kernel32.dll")), bWineKey);
    EXPECT_FALSE(IsWineBuiltinModule(GetModuleHandleW(nullptr)));  // this test program, built by MinGW
    EXPECT_FALSE(IsWineBuiltinModule(nullptr));

    CResourceTypeReader reader;
    EXPECT_EQ(reader.IsAvailable(), !bWineKey);
    if (bWineKey) {
        EXPECT_TRUE(reader.Read(0).empty());  // had it reached a stub, the process would have ended here
    }
}

// The loader calls LoadSystemModule makes, and what it answers to each.
struct CLoaderCall {
    std::wstring m_strName;
    DWORD m_dwFlags;
};
std::vector<CLoaderCall> g_loaderCalls;
DWORD g_dwRefusal = 0;  // the error the first call fails with; 0: it succeeds

HMODULE WINAPI RecordingLoader(LPCWSTR pszName, HANDLE, DWORD dwFlags)
{
    g_loaderCalls.push_back({pszName, dwFlags});
    if (g_loaderCalls.size() == 1 && g_dwRefusal != 0) {
        SetLastError(g_dwRefusal);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(0x10000);
}

// cfgmgr32 is asked for in the system directory only: with the search flag, or (where the loader refuses that flag,
// as Windows 7 without its loader update does) by its full path; never by a bare name.
TEST(ResourceTypeReaderTest, ConfigurationManagerIsLoadedFromTheSystemDirectoryOnly)
{
    wchar_t szSystem[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    const std::wstring strFullPath = std::wstring(szSystem) + L"\\cfgmgr32.dll";
    struct CCase {
        DWORD m_dwRefusal;
        bool m_bLoaded;
        std::vector<CLoaderCall> m_calls;
    };
    const CCase cases[] = {
        {0, true, {{L"cfgmgr32.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}}},
        {ERROR_INVALID_PARAMETER, true, {{L"cfgmgr32.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}, {strFullPath, 0}}},
        {ERROR_MOD_NOT_FOUND, false, {{L"cfgmgr32.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}}},
    };
    for (const CCase& test : cases) {
        SCOPED_TRACE(test.m_dwRefusal);
        g_loaderCalls.clear();
        g_dwRefusal = test.m_dwRefusal;
        EXPECT_EQ(LoadSystemModule(L"cfgmgr32.dll", &RecordingLoader) != nullptr, test.m_bLoaded);
        ASSERT_EQ(g_loaderCalls.size(), test.m_calls.size());
        for (size_t i = 0; i < test.m_calls.size(); ++i) {
            EXPECT_TRUE(g_loaderCalls[i].m_strName == test.m_calls[i].m_strName) << i;
            EXPECT_EQ(g_loaderCalls[i].m_dwFlags, test.m_calls[i].m_dwFlags) << i;
        }
    }
}

// The whole determination on the live sources of an unseeded prefix. Wine's network configuration enumerates no
// component and its Setup API lists no network-class device, so no pass creates a record: the adapter table
// (which Wine does fill) matches nothing, neither fallback has an addressed record, and nothing is chosen.
TEST(LiveDeterminationTest, UnseededPrefixChoosesNothing)
{
    CLiveSources live;
    CBaseHostId hostId(live.Get());
    CChoiceTrace trace;
    EXPECT_FALSE(hostId.DetermineAdapter(&trace));
    EXPECT_TRUE(hostId.GetDevices().IsEmpty());
    EXPECT_EQ(trace.m_rule, EChoiceRule::None);
    EXPECT_TRUE(trace.m_bTableRead);
    EXPECT_FALSE(trace.m_entries.empty());
    for (const CAdapterTrace& adapter : trace.m_adapters)
        EXPECT_FALSE(adapter.m_nMatched.has_value());
    EXPECT_EQ(hostId.GetSelectedAdapter(), nullptr);
}

}  // namespace
