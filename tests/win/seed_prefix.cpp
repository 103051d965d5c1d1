// Seeds a Wine prefix with one PCI network device bound to one of the adapters Wine reports.
//
// Wine names its adapters {0000000N-0000-0000-0000-4E6574446576} after the interface index of the host's network
// device, so the GUID differs from machine to machine: the program takes the first adapter of the table with a
// usable six-byte address that is not described as wireless, and writes its GUID as the device's NetCfgInstanceId.
// Without such an adapter it removes the seed (the seeded tests then skip) and still succeeds.
//
// Wine's NDIS driver makes a device \\.\{GUID} for each adapter once the prefix's services are up, which on a
// freshly created prefix is a few seconds after wineboot. The program waits (at most kNdisWaitRounds times
// kNdisWaitStepMs) for the device of the chosen adapter, so that the seeded tests find the driver ready.
//
// Exit code 0 when the prefix was seeded or left unseeded on purpose, 1 when the registry could not be written.

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"
#include "seeded_device.h"

namespace {

constexpr int kNdisWaitRounds = 100;
constexpr DWORD kNdisWaitStepMs = 100;

bool WaitForNdisDevice(const std::wstring& strGuid)
{
    const std::wstring strPath = L"\\\\.\\" + strGuid;
    for (int nRound = 0; nRound < kNdisWaitRounds; ++nRound) {
        const CUniqueFileHandle device(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (device)
            return true;
        Sleep(kNdisWaitStepMs);
    }
    return false;
}

bool IsUsable(const IP_ADAPTER_ADDRESSES& adapter)
{
    if (adapter.PhysicalAddressLength != 6 || !adapter.AdapterName)
        return false;
    bool bNonZero = false;
    for (int i = 0; i < 6; ++i)
        bNonZero = bNonZero || adapter.PhysicalAddress[i] != 0;
    const std::u16string strDescription = AsciiUpperCopy(FromWide(adapter.Description));
    return bNonZero && strDescription.find(u"WLAN") == std::u16string::npos;
}

std::optional<std::wstring> FindAdapterGuid()
{
    ULONG nSize = 0;
    std::vector<unsigned char> buffer(16 * 1024);
    for (int nRound = 0; nRound < 4; ++nRound) {
        nSize = static_cast<ULONG>(buffer.size());
        auto* pFirst = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
        const ULONG nResult = GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, pFirst, &nSize);
        if (nResult == ERROR_BUFFER_OVERFLOW) {
            buffer.resize(nSize);
            continue;
        }
        if (nResult != NO_ERROR)
            return std::nullopt;
        for (const IP_ADAPTER_ADDRESSES* p = pFirst; p; p = p->Next) {
            if (IsUsable(*p)) {
                std::printf("seeding with adapter %s (%ls)\n", p->AdapterName, p->Description);
                return std::wstring(p->AdapterName, p->AdapterName + std::strlen(p->AdapterName));
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool SetText(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    const auto cbData = static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()), cbData) ==
           ERROR_SUCCESS;
}

bool CreateKey(const wchar_t* pszPath, CUniqueRegKey& key)
{
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, pszPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                           nullptr) == ERROR_SUCCESS;
}

}  // namespace

int main()
{
    const std::optional<std::wstring> strGuid = FindAdapterGuid();
    if (!strGuid) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, LUMO_SEEDED_ENUM_PARENT);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, LUMO_SEEDED_CLASS_KEY);
        std::printf("no adapter with a usable address: the prefix is left unseeded\n");
        return 0;
    }

    CUniqueRegKey device;
    if (!CreateKey(LUMO_SEEDED_ENUM_KEY, device) || !SetText(device.Get(), L"ClassGUID", LUMO_SEEDED_NET_CLASS) ||
        !SetText(device.Get(), L"Class", L"Net") ||
        !SetText(device.Get(), L"DeviceDesc", L"Intel(R) PRO/1000 MT Desktop Adapter") ||
        !SetText(device.Get(), L"Driver", LUMO_SEEDED_DRIVER)) {
        std::printf("cannot write the device key\n");
        return 1;
    }

    CUniqueRegKey driver;
    if (!CreateKey(LUMO_SEEDED_CLASS_KEY, driver) || !SetText(driver.Get(), L"NetCfgInstanceId", *strGuid) ||
        !SetText(driver.Get(), L"DriverDesc", L"Intel(R) PRO/1000 MT Desktop Adapter")) {
        std::printf("cannot write the driver key\n");
        return 1;
    }

    if (WaitForNdisDevice(*strGuid))
        std::printf("the adapter's NDIS device is up\n");
    else
        std::printf("the adapter's NDIS device did not appear: driver queries will find nothing\n");
    return 0;
}
