// A native cfgmgr32.dll for tests. It answers the configuration manager's resource functions from the substitute
// script (script.h), keyed by the device's instance ID, faults included, and counts the handles it gives out and gets
// back; every other export is forwarded to Wine's own cfgmgr32, copied into the prefix as winecfgmgr32.dll (the
// module definition is made from that DLL's export table at build time). A Wine prefix of the build places it in
// system32, and WINEDLLOVERRIDES=cfgmgr32=n makes it the cfgmgr32 that LoadLibraryExW returns.

#define _CFGMGR32_  // this module defines the functions that cfgmgr32.h declares as imports
#include <windows.h>

#include <cfgmgr32.h>

#include <cstring>
#include <map>
#include <string>

#include "common/win/wide.h"
#include "substitutes/counts.h"
#include "substitutes/script.h"

namespace {

// What a handle stands for. Handles are made from a serial number so that a stale one is never given out again.
struct CHandle {
    bool m_bConfiguration = false;
    CScriptDevice m_device;
    size_t m_nDescriptor = 0;  // for a descriptor: its index in m_device.m_resources
};

CConfigurationManagerCounts g_counts = {};
std::map<DWORD_PTR, CHandle> g_handles;
DWORD_PTR g_nNextHandle = 0x10000;

// The tests run one thread; the lock only keeps the handle table whole should a program call from two.
SRWLOCK g_lock = SRWLOCK_INIT;

class CLock {
public:
    CLock() { AcquireSRWLockExclusive(&g_lock); }
    ~CLock() { ReleaseSRWLockExclusive(&g_lock); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;
};

DWORD_PTR GiveOut(CHandle handle)
{
    g_nNextHandle += 0x10;
    g_handles[g_nNextHandle] = std::move(handle);
    return g_nNextHandle;
}

CHandle* Find(DWORD_PTR h)
{
    const auto it = g_handles.find(h);
    if (it == g_handles.end()) {
        ++g_counts.m_nUnknownHandles;
        return nullptr;
    }
    return &it->second;
}

CHandle* FindDescriptor(RES_DES h)
{
    CHandle* pHandle = Find(h);
    return pHandle && !pHandle->m_bConfiguration ? pHandle : nullptr;
}

// The device's instance ID, from Wine's own implementation in setupapi.
bool GetInstanceId(DEVINST devInst, std::u16string& strId)
{
    using GetDeviceIdFn = CONFIGRET(WINAPI*)(DEVINST, PWSTR, ULONG, ULONG);
    static const auto pGetDeviceId = reinterpret_cast<GetDeviceIdFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"setupapi.dll"), "CM_Get_Device_IDW")));
    wchar_t szId[MAX_DEVICE_ID_LEN + 1] = {};
    if (!pGetDeviceId || pGetDeviceId(devInst, szId, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
        return false;
    strId = FromWide(szId);
    return true;
}

// A descriptor's data size: what Windows gives for the type's header, and any size for types without one.
ULONG DataSize(uint32_t nType)
{
    return 16 + 8 * (nType % 4);
}

}  // namespace

CONFIGRET WINAPI CM_Get_First_Log_Conf(PLOG_CONF plcLogConf, DEVINST dnDevInst, ULONG ulFlags)
{
    const CLock lock;
    if (plcLogConf)
        *plcLogConf = 0;
    std::u16string strId;
    CSubstituteScript script;
    if (!GetInstanceId(dnDevInst, strId)) {
        ++g_counts.m_nUnknownDevices;
        return CR_INVALID_DEVNODE;
    }
    if (ulFlags != ALLOC_LOG_CONF || !LoadSubstituteScript(script))
        return CR_FAILURE;
    const CScriptDevice* pDevice = FindScriptDevice(script, strId);
    if (!pDevice || pDevice->m_bNoConfiguration)
        return CR_NO_MORE_LOG_CONF;
    if (!plcLogConf)
        return CR_SUCCESS;  // Windows answers whether there is one without giving out a handle
    *plcLogConf = GiveOut(CHandle{true, *pDevice, 0});
    ++g_counts.m_nConfigurationsGiven;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_Next_Res_Des(PRES_DES prdResDes, RES_DES rdResDes, RESOURCEID ForResource,
                                     PRESOURCEID pResourceID, ULONG ulFlags)
{
    const CLock lock;
    if (!prdResDes)
        return CR_INVALID_POINTER;
    *prdResDes = 0;
    const CHandle* pFrom = Find(rdResDes);
    if (!pFrom)
        return CR_INVALID_RES_DES;
    if (ForResource != ResType_All || ulFlags != 0)
        return CR_INVALID_FLAG;  // the program asks for descriptors of all types, flags 0
    const size_t nNext = pFrom->m_bConfiguration ? 0 : pFrom->m_nDescriptor + 1;
    if (nNext >= pFrom->m_device.m_resources.size())
        return CR_NO_MORE_RES_DES;
    if (pResourceID)
        *pResourceID = pFrom->m_device.m_resources[nNext].m_nType;
    CHandle descriptor{false, pFrom->m_device, nNext};
    *prdResDes = GiveOut(std::move(descriptor));
    ++g_counts.m_nDescriptorsGiven;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_Res_Des_Data_Size(PULONG pulSize, RES_DES rdResDes, ULONG ulFlags)
{
    const CLock lock;
    const CHandle* pHandle = FindDescriptor(rdResDes);
    if (!pHandle || !pulSize || ulFlags != 0)
        return CR_INVALID_RES_DES;
    const CScriptResource& resource = pHandle->m_device.m_resources[pHandle->m_nDescriptor];
    if (resource.m_bSizeFails)
        return CR_FAILURE;
    *pulSize = DataSize(resource.m_nType);
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_Res_Des_Data(RES_DES rdResDes, PVOID Buffer, ULONG BufferLen, ULONG ulFlags)
{
    const CLock lock;
    const CHandle* pHandle = FindDescriptor(rdResDes);
    if (!pHandle || ulFlags != 0)
        return CR_INVALID_RES_DES;
    const CScriptResource& resource = pHandle->m_device.m_resources[pHandle->m_nDescriptor];
    if (resource.m_bDataFails)
        return CR_FAILURE;
    const ULONG nSize = DataSize(resource.m_nType);
    if (!Buffer || BufferLen < nSize)
        return CR_BUFFER_SMALL;
    std::memset(Buffer, static_cast<int>(resource.m_nType), nSize);
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Free_Res_Des_Handle(RES_DES rdResDes)
{
    const CLock lock;
    const CHandle* pHandle = Find(rdResDes);
    if (!pHandle)
        return CR_INVALID_RES_DES;
    if (pHandle->m_bConfiguration) {
        // Windows takes both for the same kind of handle; a program that does this leaks its configuration.
        ++g_counts.m_nConfigurationFreedAsDescriptor;
        return CR_INVALID_RES_DES;
    }
    g_handles.erase(rdResDes);
    ++g_counts.m_nDescriptorsReturned;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Free_Log_Conf_Handle(LOG_CONF lcLogConf)
{
    const CLock lock;
    const CHandle* pHandle = Find(lcLogConf);
    if (!pHandle || !pHandle->m_bConfiguration)
        return CR_INVALID_LOG_CONF;
    g_handles.erase(lcLogConf);
    ++g_counts.m_nConfigurationsReturned;
    return CR_SUCCESS;
}

extern "C" void LumoConfigurationManagerCounts(CConfigurationManagerCounts* pCounts)
{
    const CLock lock;
    *pCounts = g_counts;
}
