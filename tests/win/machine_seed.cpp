// Sets up one machine of a snapshot in the whole-machine prefix (tests/win/wine-machine.sh), after the script has
// made the snapshot's adapters as interfaces of the prefix's network namespace:
//
//   lumo_machine_seed SNAPSHOT PLAN OUTDIR
//
// PLAN has one line per adapter-table entry of the snapshot: "veth INDEX NAME ADDRESS" for an entry made as the
// interface NAME (in order), "skip INDEX REASON" for one Wine cannot list. Wine names its adapters after their interface
// index, so the snapshot's adapter GUIDs are mapped, in order, onto the GUIDs Wine gives the interfaces, and every
// GUID text of the snapshot that names an adapter is mapped with them.
//
// The program writes the devices into the registry (Enum keys with their driver keys and NetCfgInstanceId values),
// writes OUTDIR\script.txt for the two substitutes (components, resources), waits for Wine's NDIS driver devices,
// and writes OUTDIR\mapped.json, the snapshot as the passes will record it under Wine (the mapped machine, replayed
// and recorded), and OUTDIR\left_out.json, the list of what Wine cannot express, each item named.
//
// Exit code 0, 2 for a snapshot it cannot read, 3 when Wine's adapters are not the ones the plan made.

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"
#include "inspect/recording_sources.h"
#include "inspect/replay_sources.h"
#include "inspect/snapshot.h"
#include "inventory/base_host_id.h"
#include "inventory/passes.h"
#include "substitutes/script.h"
#include "support/win/adapter_table.h"

namespace {

constexpr wchar_t kNetClass[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kEnumRoot[] = L"System\\CurrentControlSet\\Enum\\";
constexpr wchar_t kClassRoot[] = L"System\\CurrentControlSet\\Control\\Class\\";
constexpr wchar_t kSeedKey[] = L"Software\\LumoMachineSeed";  // the keys this program made last time
constexpr int kFirstDriverNumber = 1000;

bool ReadFileBytes(const std::wstring& strPath, std::string& strBytes)
{
    std::ifstream file(strPath.c_str(), std::ios::binary);
    if (!file)
        return false;
    std::ostringstream stream;
    stream << file.rdbuf();
    strBytes = stream.str();
    return true;
}

bool WriteFileBytes(const std::wstring& strPath, const std::string& strBytes)
{
    std::ofstream file(strPath.c_str(), std::ios::binary);
    file << strBytes;
    return static_cast<bool>(file);
}

// The snapshot's GUID texts that name adapters, and the GUID texts Wine gives those adapters.
class CGuidMap {
public:
    void Add(const std::u16string& strFrom, const std::u16string& strTo) { m_map.emplace_back(strFrom, strTo); }

    // A text that names a mapped adapter becomes Wine's GUID text, in the letter case the text had; any other text
    // stays as it is.
    std::u16string Map(const std::u16string& strText) const
    {
        for (const auto& [strFrom, strTo] : m_map) {
            if (EqualsNoCase(strText, strFrom))
                return strText == AsciiUpperCopy(strText) ? AsciiUpperCopy(strTo) : AsciiLowerCopy(strTo);
        }
        return strText;
    }

    CGuidValue Map(const CGuidValue& guid) const
    {
        CGuidValue mapped = guid;
        ParseGuidText(Map(FormatGuidText(guid)), mapped);
        return mapped;
    }

private:
    std::vector<std::pair<std::u16string, std::u16string>> m_map;
};

std::vector<std::u16string> SplitInstanceId(const std::u16string& strId)
{
    std::vector<std::u16string> parts(1);
    for (const char16_t ch : strId) {
        if (ch == u'\\')
            parts.emplace_back();
        else
            parts.back() += ch;
    }
    return parts;
}

// Wine lists the devices of the Enum key in the order of its subkeys, each level sorted by name without regard to
// letter case, and gives every instance ID in upper case.
auto EnumOrderKey(const std::u16string& strId)
{
    std::vector<std::u16string> parts = SplitInstanceId(AsciiUpperCopy(strId));
    return std::make_tuple(parts[0], parts[1], parts[2]);
}

struct CMappedDevice {
    CSnapshotDevice m_device;  // instance ID as Wine gives it, NetCfgInstanceId mapped
    size_t m_nOriginal = 0;
};

class CSeeder {
public:
    std::vector<std::string> m_leftOut;

    bool MapAdapters(const CSnapshot& snapshot, const std::vector<std::string>& plan,
                     const std::vector<CSystemAdapter>& live, CSnapshot& mapped, std::string& strError);
    void MapComponents(const CSnapshot& snapshot, CSnapshot& mapped, CSubstituteScript& script) const;
    std::vector<CMappedDevice> MapDevices(const CSnapshot& snapshot);
    void NoteDriverDifferences(const CSnapshot& original, const CSnapshot& mapped);

    CGuidMap m_guids;
};

bool CSeeder::MapAdapters(const CSnapshot& snapshot, const std::vector<std::string>& plan,
                          const std::vector<CSystemAdapter>& live, CSnapshot& mapped, std::string& strError)
{
    mapped.m_adapters.emplace();
    std::vector<const CSystemAdapter*> wine;
    for (const CSystemAdapter& adapter : live) {
        if (adapter.m_bLoopback) {
            // Wine's own loopback adapter comes first, as the kernel's interface 1.
            CAdapterEntry entry;
            entry.m_strName = adapter.m_strName;
            entry.m_strDescription = adapter.m_strDescription.value_or(u"");
            mapped.m_adapters->push_back(entry);
        } else {
            wine.push_back(&adapter);
        }
    }
    if (!snapshot.m_adapters)
        m_leftOut.push_back("adapters: the table cannot be read; Wine always reads it");

    size_t nNext = 0;
    for (const std::string& strLine : plan) {
        std::istringstream words(strLine);
        std::string strKind, strReason;
        size_t nIndex = 0;
        words >> strKind >> nIndex;
        if (strKind == "veth")
            words >> strReason;  // the interface's name
        else
            std::getline(words >> std::ws, strReason);
        if (strKind == "skip") {
            m_leftOut.push_back("adapters[" + std::to_string(nIndex) + "]: " + strReason);
            continue;
        }
        if (!snapshot.m_adapters || nIndex >= snapshot.m_adapters->size() || nNext >= wine.size()) {
            strError = "Wine lists fewer adapters than the plan made";
            return false;
        }
        const CAdapterEntry& original = (*snapshot.m_adapters)[nIndex];
        const CSystemAdapter& adapter = *wine[nNext++];
        const std::vector<uint8_t> address(original.m_address, original.m_address + original.m_nAddressLength);
        if (adapter.m_address != address || adapter.m_strDescription.value_or(u"") != Utf8ToUtf16(strReason)) {
            strError = "Wine's adapter " + Utf16ToUtf8(adapter.m_strName) + " is not the planned " + strReason;
            return false;
        }
        if (original.m_strName)
            m_guids.Add(*original.m_strName, adapter.m_strName);
        CAdapterEntry entry = original;
        entry.m_strName = adapter.m_strName;
        // The interface's name, with the wireless mark kept.
        entry.m_strDescription = adapter.m_strDescription.value_or(u"");
        mapped.m_adapters->push_back(entry);

        // Wine's NDIS driver answers both address queries with the interface's address.
        CSnapshotDriver driver;
        driver.m_strName = adapter.m_strName;
        driver.m_permanent = address;
        driver.m_current = address;
        mapped.m_drivers.push_back(driver);
    }
    if (nNext != wine.size()) {
        strError = "Wine lists more adapters than the plan made";
        return false;
    }
    return true;
}

void CSeeder::MapComponents(const CSnapshot& snapshot, CSnapshot& mapped, CSubstituteScript& script) const
{
    if (!snapshot.m_components) {
        script.m_bEnumFails = true;
        return;
    }
    mapped.m_components.emplace();
    for (CNetCfgComponentInfo component : *snapshot.m_components) {
        component.m_guidInstance = m_guids.Map(component.m_guidInstance);
        mapped.m_components->push_back(component);
        CScriptComponent scripted;
        scripted.m_dwCharacteristics = component.m_dwCharacteristics;
        scripted.m_guid = component.m_guidInstance;
        scripted.m_strId = component.m_strId;
        script.m_components.push_back(scripted);
    }
}

std::vector<CMappedDevice> CSeeder::MapDevices(const CSnapshot& snapshot)
{
    std::vector<CMappedDevice> devices;
    if (!snapshot.m_devices) {
        m_leftOut.push_back("devices: the device set cannot be read; Wine always gives one");
        return devices;
    }
    for (size_t i = 0; i < snapshot.m_devices->size(); ++i) {
        const CSnapshotDevice& original = (*snapshot.m_devices)[i];
        const std::string strPath = "devices[" + std::to_string(i) + "].instance_id";
        CMappedDevice device;
        device.m_nOriginal = i;
        device.m_device = original;
        // A value that is a registry string names its GUID by that text; other data (format 2 only) stays as it is.
        if (original.m_netCfgInstanceIdData) {
            if (const auto text = NetCfgInstanceIdTextFromData(*original.m_netCfgInstanceIdData))
                device.m_device.m_netCfgInstanceIdData = NetCfgInstanceIdDataFromText(m_guids.Map(*text));
        }

        std::u16string strId = original.m_strInstanceId.value_or(u"");
        const std::vector<std::u16string> parts = SplitInstanceId(strId);
        const bool bWellFormed =
            parts.size() == 3 && std::none_of(parts.begin(), parts.end(), [](const auto& s) { return s.empty(); });
        if (!original.m_strInstanceId) {
            m_leftOut.push_back(strPath + ": unreadable; Wine reads every instance ID");
            strId = u"LUMO\\UNREADABLE\\" + AsciiToUtf16(std::to_string(i));
        } else if (!bWellFormed) {
            m_leftOut.push_back(strPath + ": not of the form ENUMERATOR\\DEVICE\\INSTANCE of a registry key");
            strId = (parts[0].empty() ? u"LUMO" : parts[0]) + u"\\LUMOMADE\\" + AsciiToUtf16(std::to_string(i));
        }
        for (const CMappedDevice& earlier : devices) {
            if (EqualsNoCase(*earlier.m_device.m_strInstanceId, strId)) {
                m_leftOut.push_back(strPath + ": the ID of an earlier device; Wine's IDs are unique");
                strId = SplitInstanceId(strId)[0] + u"\\LUMODUPLICATE\\" + AsciiToUtf16(std::to_string(i));
                break;
            }
        }
        if (strId != AsciiUpperCopy(strId) && original.m_strInstanceId && bWellFormed)
            m_leftOut.push_back(strPath + ": Wine gives it in upper case");
        device.m_device.m_strInstanceId = AsciiUpperCopy(strId);
        devices.push_back(device);
    }
    const std::vector<CMappedDevice> before = devices;
    std::stable_sort(devices.begin(), devices.end(), [](const CMappedDevice& a, const CMappedDevice& b) {
        return EnumOrderKey(*a.m_device.m_strInstanceId) < EnumOrderKey(*b.m_device.m_strInstanceId);
    });
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].m_nOriginal != before[i].m_nOriginal) {
            m_leftOut.push_back("devices: Wine lists them in the order of their registry keys");
            break;
        }
    }
    return devices;
}

const CSnapshotDriver* FindDriver(const CSnapshot& snapshot, const std::u16string& strName)
{
    for (const CSnapshotDriver& driver : snapshot.m_drivers) {
        if (EqualsNoCase(driver.m_strName, strName))
            return &driver;
    }
    return nullptr;
}

std::string BytesText(const std::optional<std::vector<uint8_t>>& bytes)
{
    if (!bytes)
        return "fails";
    std::string strText;
    for (const uint8_t byte : *bytes)
        AppendHexByte(strText, byte);
    return strText.empty() ? "no bytes" : strText;
}

// The drivers the passes opened on the snapshot's machine and on Wine's, both as recorded.
void CSeeder::NoteDriverDifferences(const CSnapshot& original, const CSnapshot& mapped)
{
    for (const CSnapshotDriver& driver : original.m_drivers) {
        const std::string strPath = "drivers." + Utf16ToUtf8(driver.m_strName);
        const CSnapshotDriver* pWine = FindDriver(mapped, m_guids.Map(driver.m_strName));
        if (!pWine)
            m_leftOut.push_back(strPath + ": no adapter of Wine's table has this device");
        else if (pWine->m_permanent != driver.m_permanent || pWine->m_current != driver.m_current)
            m_leftOut.push_back(strPath + ": permanent " + BytesText(driver.m_permanent) + ", current " +
                                BytesText(driver.m_current) + "; Wine answers both with the table's address " +
                                BytesText(pWine->m_current));
    }
    for (const CSnapshotDriver& driver : mapped.m_drivers) {
        bool bFound = false;
        for (const CSnapshotDriver& originalDriver : original.m_drivers)
            bFound = bFound || EqualsNoCase(m_guids.Map(originalDriver.m_strName), driver.m_strName);
        if (!bFound)
            m_leftOut.push_back("drivers." + Utf16ToUtf8(driver.m_strName) +
                                ": opens under Wine, where every adapter of the table has a device");
    }
}

// What the passes record on a machine that answers as the snapshot says.
CSnapshot Record(const CSnapshot& snapshot)
{
    CReplaySources replay(snapshot);
    CSnapshot recorded;
    RecordSnapshot(replay.Get(), recorded);
    recorded.m_strComputerName = snapshot.m_strComputerName;
    return recorded;
}

bool SetValue(HKEY hKey, const wchar_t* pszName, DWORD dwType, const std::vector<uint8_t>& data)
{
    return RegSetValueExW(hKey, pszName, 0, dwType, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool SetText(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    const auto* p = reinterpret_cast<const uint8_t*>(strValue.c_str());
    return SetValue(hKey, pszName, REG_SZ, std::vector<uint8_t>(p, p + (strValue.size() + 1) * sizeof(wchar_t)));
}

bool CreateKey(const std::wstring& strPath, CUniqueRegKey& key)
{
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                           nullptr) == ERROR_SUCCESS;
}

// Removes the keys of the machine seeded before, and remembers the ones of this one.
class CSeededKeys {
public:
    CSeededKeys()
    {
        CUniqueRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSeedKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
            return;
        std::vector<wchar_t> buffer(256 * 1024);
        DWORD cbData = static_cast<DWORD>(buffer.size() * sizeof(wchar_t) - 4);
        if (RegQueryValueExW(key.Get(), L"Keys", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                             &cbData) != ERROR_SUCCESS)
            return;
        for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, p);
    }

    void Add(const std::wstring& strPath) { m_strList += strPath + L'\0'; }

    bool Save() const
    {
        CUniqueRegKey key;
        const std::wstring strList = m_strList + L'\0';
        const auto* p = reinterpret_cast<const uint8_t*>(strList.c_str());
        return CreateKey(kSeedKey, key) &&
               SetValue(key.Get(), L"Keys", REG_MULTI_SZ, std::vector<uint8_t>(p, p + strList.size() * 2));
    }

private:
    std::wstring m_strList;
};

// A device without a NetCfgInstanceId is written in one of three ways, in turn: without a driver key, with a driver
// key naming no key, and with a driver key without the value. (A value too long for the pass is still recorded with
// its text, so a snapshot holds it as that text, and it is written as it stands.)
bool WriteDevice(const CSnapshotDevice& device, size_t nNumber, CSeededKeys& seeded)
{
    const std::wstring strEnum = std::wstring(kEnumRoot) + AsWide(*device.m_strInstanceId);
    wchar_t szDriver[64];
    std::swprintf(szDriver, 64, L"%ls\\%04u", kNetClass, static_cast<unsigned>(kFirstDriverNumber + nNumber));
    const std::wstring strClass = std::wstring(kClassRoot) + szDriver;
    seeded.Add(strEnum);
    seeded.Add(strClass);

    CUniqueRegKey enumKey;
    if (!CreateKey(strEnum, enumKey) || !SetText(enumKey.Get(), L"ClassGUID", kNetClass) ||
        !SetText(enumKey.Get(), L"Class", L"Net"))
        return false;
    const int nWay = device.m_netCfgInstanceIdData ? -1 : static_cast<int>(nNumber % 3);
    if (nWay == 0)
        return true;
    if (!SetText(enumKey.Get(), L"Driver", nWay == 1 ? std::wstring(szDriver) + L"-missing" : szDriver))
        return false;
    if (nWay == 1)
        return true;
    CUniqueRegKey classKey;
    if (!CreateKey(strClass, classKey))
        return false;
    if (nWay == 2)
        return true;
    return SetValue(classKey.Get(), L"NetCfgInstanceId", REG_SZ, *device.m_netCfgInstanceIdData);
}

// Wine's NDIS driver makes its devices when winedevice.exe starts it, which takes seconds on a loaded machine; the
// wait is bounded at 30 seconds for all of them together, after which the machine counts as not set up.
bool WaitForDriverDevices(const CSnapshot& mapped)
{
    int nRound = 0;
    for (const CSnapshotDriver& driver : mapped.m_drivers) {
        const std::wstring strPath = L"\\\\.\\" + std::wstring(AsWide(driver.m_strName));
        bool bOpen = false;
        for (; nRound < 600 && !bOpen; ++nRound) {
            const CUniqueFileHandle device(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            bOpen = device.IsValid();
            if (!bOpen)
                Sleep(50);
        }
        if (!bOpen)
            return false;
    }
    return true;
}

// The network configuration server becomes the class's in-process server, as the substitute prefix of the tests
// registers it; the script copied it into system32.
bool RegisterNetCfgServer()
{
    CUniqueRegKey key;
    return CreateKey(L"Software\\Classes\\CLSID\\{5B035261-40F9-11D1-AAEC-00805FC1270E}\\InprocServer32", key) &&
           SetText(key.Get(), nullptr, L"C:\\windows\\system32\\lumo_netcfg_server.dll") &&
           SetText(key.Get(), L"ThreadingModel", L"Both");
}

std::u16string ComputerName()
{
    wchar_t szName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD nSize = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(szName, &nSize) ? FromWide(szName) : u"";
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: lumo_machine_seed SNAPSHOT PLAN OUTDIR\n");
        return 2;
    }
    const std::wstring strOut = std::wstring(argv[3]) + L"\\";
    std::string strText, strPlan;
    CSnapshot snapshot;
    CSnapshotError error;
    if (!ReadFileBytes(argv[1], strText) || !ParseSnapshot(strText, snapshot, error)) {
        std::fprintf(stderr, "%ls: %s: %s\n", argv[1], error.m_strPath.c_str(), error.m_strMessage.c_str());
        return 2;
    }
    std::vector<std::string> plan;
    if (!ReadFileBytes(argv[2], strPlan)) {
        std::fprintf(stderr, "%ls: cannot be read\n", argv[2]);
        return 2;
    }
    std::istringstream planLines(strPlan);
    for (std::string strLine; std::getline(planLines, strLine);)
        plan.push_back(strLine);

    CSeeder seeder;
    CSnapshot wine;
    wine.m_strComputerName = ComputerName();
    CSubstituteScript script;
    std::string strError;
    if (!seeder.MapAdapters(snapshot, plan, ReadSystemAdapterTable(), wine, strError)) {
        std::fprintf(stderr, "%s\n", strError.c_str());
        return 3;
    }
    seeder.MapComponents(snapshot, wine, script);

    if (!RegisterNetCfgServer()) {
        std::fprintf(stderr, "cannot register the network configuration server\n");
        return 3;
    }
    CSeededKeys seeded;
    wine.m_devices.emplace();
    const std::vector<CMappedDevice> devices = seeder.MapDevices(snapshot);
    for (size_t i = 0; i < devices.size(); ++i) {
        const CSnapshotDevice& device = devices[i].m_device;
        wine.m_devices->push_back(device);
        if (!WriteDevice(device, i, seeded)) {
            std::fprintf(stderr, "cannot write device %zu into the registry\n", i);
            return 3;
        }
        CScriptDevice scripted;
        scripted.m_strInstanceId = *device.m_strInstanceId;
        // A type below 0 or beyond 32 bits (format 2 only) is no type the configuration manager answers: the pass
        // reads it as 0, which sets no flag, and so does the substitute.
        for (const CSnapshotResourceType& type : device.m_resourceTypes)
            scripted.m_resources.push_back(CScriptResource{type.AsType().value_or(0), false, false});
        script.m_devices.push_back(scripted);
    }
    if (!seeded.Save()) {
        std::fprintf(stderr, "cannot write the list of seeded keys\n");
        return 3;
    }

    const CSnapshot mapped = Record(wine);
    seeder.NoteDriverDifferences(Record(snapshot), mapped);
    if (!WaitForDriverDevices(wine)) {
        std::fprintf(stderr, "Wine's NDIS driver made no device for an adapter\n");
        return 3;
    }
    const nlohmann::json leftOut = seeder.m_leftOut;
    if (!WriteFileBytes(strOut + L"script.txt", FormatSubstituteScript(script)) ||
        !WriteFileBytes(strOut + L"mapped.json", SerializeSnapshot(mapped)) ||
        !WriteFileBytes(strOut + L"left_out.json", leftOut.dump() + "\n")) {
        std::fprintf(stderr, "cannot write into %ls\n", argv[3]);
        return 3;
    }
    return 0;
}
