#pragma once

// The allocated hardware resources of a device, read through the configuration manager of cfgmgr32.dll.

#include <windows.h>

#include <cfgmgr32.h>

#include <cstdint>
#include <vector>

#include "common/win/scoped_win.h"
#include "common/win/system_module.h"

// True when the loaded module is one of Wine's built-in DLLs.
bool IsWineBuiltinModule(HMODULE hModule);

// Reads the resource types of a device's allocated configuration. The configuration manager functions are loaded
// with GetProcAddress when the reader is made; when one of them is missing, or implemented by one of Wine's own
// DLLs (whose resource functions are stubs), every device reads as having no allocated configuration.
class CResourceTypeReader {
public:
    CResourceTypeReader();
    CResourceTypeReader(const CResourceTypeReader&) = delete;
    CResourceTypeReader& operator=(const CResourceTypeReader&) = delete;

    // False when the functions were not loaded, so that no device has an allocated configuration.
    bool IsAvailable() const { return m_pGetFirstLogConf != nullptr; }

    // The types of the descriptors of the device's allocated configuration whose data could be read, in order.
    std::vector<uint32_t> Read(DEVINST devInst) const;

private:
    CUniqueModule m_module;
    decltype(&CM_Get_First_Log_Conf) m_pGetFirstLogConf = nullptr;
    decltype(&CM_Get_Next_Res_Des) m_pGetNextResDes = nullptr;
    decltype(&CM_Get_Res_Des_Data_Size) m_pGetResDesDataSize = nullptr;
    decltype(&CM_Get_Res_Des_Data) m_pGetResDesData = nullptr;
    CCmHandle::FreeFn m_pFreeResDesHandle = nullptr;
    CCmHandle::FreeFn m_pFreeLogConfHandle = nullptr;  // optional: without it the handle is left to the process
};
