#include "inventory/sources.h"

#include "inventory/win/adapter_table_source.h"
#include "inventory/win/driver_source.h"
#include "inventory/win/netcfg_source.h"
#include "inventory/win/setup_device_source.h"

// The Windows sources of the machine the program runs on.
class CLiveSources::CImpl {
public:
    CNetCfgSource m_netCfg;
    CSetupDeviceSource m_devices;
    CDriverSource m_drivers;
    CAdapterTableSource m_adapters;
};

CLiveSources::CLiveSources() : m_pImpl(std::make_unique<CImpl>()) {}

CLiveSources::~CLiveSources() = default;

CInventorySources CLiveSources::Get()
{
    return CInventorySources{m_pImpl->m_netCfg, m_pImpl->m_devices, m_pImpl->m_drivers, m_pImpl->m_adapters};
}
