#include "inventory/win/cm_resources.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

// A device has a handful of descriptors; a walk that has not ended after this many is broken and is cut off.
constexpr int kMaxResourceDescriptors = 1024;

}  // namespace

bool IsWineBuiltinModule(HMODULE hModule)
{
    // Wine's own DLLs carry the text "Wine builtin DLL" right after the 64-byte DOS header, where the DOS stub of
    // a Microsoft DLL holds its program. The headers of a loaded module are always mapped, so reading them is safe.
    static constexpr char kMark[] = "Wine builtin DLL";
    const auto* const pBase = reinterpret_cast<const uint8_t*>(hModule);
    const auto* const pDosHeader = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
    if (!hModule || pDosHeader->e_magic != IMAGE_DOS_SIGNATURE ||
        pDosHeader->e_lfanew < static_cast<LONG>(sizeof(IMAGE_DOS_HEADER) + sizeof(kMark) - 1))
        return false;
    return std::memcmp(pBase + sizeof(IMAGE_DOS_HEADER), kMark, sizeof(kMark) - 1) == 0;
}

// Why it matters: Wine 8 exports CM_Get_First_Log_Conf, CM_Get_Next_Res_Des, CM_Get_Res_Des_Data_Size,
// CM_Get_Res_Des_Data, CM_Free_Res_Des_Handle and CM_Free_Log_Conf_Handle from its cfgmgr32.dll (and setupapi.dll)
// as unimplemented stubs. GetProcAddress finds them, but calling one raises an exception that ends the process, so
// they must be told apart from working functions without calling them. What tells them apart is the module that
// holds their code: a function of one of Wine's own DLLs is not used, one of any other DLL is (a native
// cfgmgr32.dll installed into a Wine prefix, or Windows' own).
CResourceTypeReader::CResourceTypeReader()
{
    m_module.Reset(LoadSystemModule(L"cfgmgr32.dll"));
    if (!m_module)
        return;
    const HMODULE h = m_module.Get();
    const auto pGetFirstLogConf = LoadModuleFunction<decltype(&CM_Get_First_Log_Conf)>(h, "CM_Get_First_Log_Conf");
    const auto pGetNextResDes = LoadModuleFunction<decltype(&CM_Get_Next_Res_Des)>(h, "CM_Get_Next_Res_Des");
    const auto pGetResDesDataSize = LoadModuleFunction<decltype(&CM_Get_Res_Des_Data_Size)>(h, "CM_Get_Res_Des_Data_Size");
    const auto pGetResDesData = LoadModuleFunction<decltype(&CM_Get_Res_Des_Data)>(h, "CM_Get_Res_Des_Data");
    const auto pFreeResDesHandle = LoadModuleFunction<CCmHandle::FreeFn>(h, "CM_Free_Res_Des_Handle");
    // The walk needs all five: without the release call the descriptors could not be given back.
    if (!pGetFirstLogConf || !pGetNextResDes || !pGetResDesDataSize || !pGetResDesData || !pFreeResDesHandle) {
        m_module.Reset();
        return;
    }
    const auto pFreeLogConfHandle = LoadModuleFunction<CCmHandle::FreeFn>(h, "CM_Free_Log_Conf_Handle");
    // cfgmgr32 may forward a function to another DLL: whichever module holds the code of each must not be Wine's.
    const void* const functions[] = {reinterpret_cast<void*>(pGetFirstLogConf),
                                     reinterpret_cast<void*>(pGetNextResDes),
                                     reinterpret_cast<void*>(pGetResDesDataSize),
                                     reinterpret_cast<void*>(pGetResDesData),
                                     reinterpret_cast<void*>(pFreeResDesHandle),
                                     reinterpret_cast<void*>(pFreeLogConfHandle)};
    for (const void* const pFunction : functions) {
        if (!pFunction)
            continue;  // only the optional release of the configuration handle may be missing
        HMODULE hImplementation = nullptr;
        if (!::GetModuleHandleExW(
                GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                static_cast<LPCWSTR>(pFunction), &hImplementation) ||
            IsWineBuiltinModule(hImplementation)) {
            m_module.Reset();
            return;
        }
    }
    m_pGetFirstLogConf = pGetFirstLogConf;
    m_pGetNextResDes = pGetNextResDes;
    m_pGetResDesDataSize = pGetResDesDataSize;
    m_pGetResDesData = pGetResDesData;
    m_pFreeResDesHandle = pFreeResDesHandle;
    m_pFreeLogConfHandle = pFreeLogConfHandle;
}

std::vector<uint32_t> CResourceTypeReader::Read(DEVINST devInst) const
{
    std::vector<uint32_t> types;
    if (!IsAvailable())
        return types;

    // The logical configuration handle is released last (after the last descriptor), with CM_Free_Log_Conf_Handle;
    // no result depends on it, it only gives the handle back before the next device.
    CCmHandle logConf(m_pFreeLogConfHandle);
    LOG_CONF hLogConf = 0;
    if (m_pGetFirstLogConf(&hLogConf, devInst, ALLOC_LOG_CONF) != CR_SUCCESS)
        return types;  // no allocated configuration
    logConf.Reset(hLogConf);

    // The walk starts from the configuration handle; each descriptor obtained releases the one before it (never the
    // configuration handle), and the last one is released when resDes goes out of scope.
    CCmHandle resDes(m_pFreeResDesHandle);
    RES_DES hCurrent = hLogConf;
    for (int n = 0; n < kMaxResourceDescriptors; ++n) {
        RES_DES hNext = 0;
        RESOURCEID nType = 0;
        if (m_pGetNextResDes(&hNext, hCurrent, ResType_All, &nType, 0) != CR_SUCCESS)
            break;
        resDes.Reset(hNext);
        hCurrent = hNext;

        // Only the type counts, but only when the descriptor's data can be read.
        ULONG nSize = 0;
        if (m_pGetResDesDataSize(&nSize, hNext, 0) != CR_SUCCESS)
            continue;
        const std::unique_ptr<uint8_t[]> pData(new (std::nothrow) uint8_t[nSize ? nSize : 1]);
        if (!pData)
            continue;
        if (m_pGetResDesData(hNext, pData.get(), nSize, 0) != CR_SUCCESS)
            continue;
        types.push_back(nType);
    }
    return types;
}
