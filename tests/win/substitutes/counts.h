#pragma once

// What the substitutes count, read by the tests through the exports LumoNetCfgServerCounts and
// LumoConfigurationManagerCounts.

#include <cstdint>

struct CNetCfgServerCounts {
    int32_t m_nObjectsMade;   // configuration objects, enumerators and components made
    int32_t m_nObjectsAlive;  // of them, the ones not yet released for the last time
    int32_t m_nInitializeCalls;
    int32_t m_nEnumComponentsCalls;
};

struct CConfigurationManagerCounts {
    int32_t m_nConfigurationsGiven;        // handles CM_Get_First_Log_Conf gave out
    int32_t m_nConfigurationsReturned;     // of them, given back with CM_Free_Log_Conf_Handle
    int32_t m_nDescriptorsGiven;           // handles CM_Get_Next_Res_Des gave out
    int32_t m_nDescriptorsReturned;        // of them, given back with CM_Free_Res_Des_Handle
    int32_t m_nConfigurationFreedAsDescriptor;  // a configuration handle given to CM_Free_Res_Des_Handle
    int32_t m_nUnknownHandles;             // calls with a handle never given out, or given back already
    int32_t m_nUnknownDevices;             // CM_Get_First_Log_Conf for a device whose ID could not be read
};

using NetCfgServerCountsFn = void (*)(CNetCfgServerCounts*);
using ConfigurationManagerCountsFn = void (*)(CConfigurationManagerCounts*);
