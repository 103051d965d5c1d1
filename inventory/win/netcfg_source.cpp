#include "inventory/win/netcfg_source.h"

#include <windows.h>

#include "common/win/scoped_win.h"
#include "common/win/wide.h"
#include "inventory/win/netcfg_interfaces.h"

namespace {

using netcfg::IEnumNetCfgComponent;
using netcfg::INetCfg;
using netcfg::INetCfgComponent;

// {4D36E972-E325-11CE-BFC1-08002BE10318}: the setup class of network adapters.
const GUID kGuidDevClassNet = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A machine has a few dozen network components; an enumerator that has not ended after this many is broken.
constexpr int kMaxComponents = 4096;

// Calls on the component whose results are ignored: a failing call leaves the preset value.
CNetCfgComponentInfo ReadComponent(INetCfgComponent& component)
{
    CNetCfgComponentInfo info;

    DWORD dwCharacteristics = 0;
    component.GetCharacteristics(&dwCharacteristics);
    info.m_dwCharacteristics = dwCharacteristics;

    // An instance GUID that cannot be read stays all zero, and its text is the null GUID's.
    GUID guid = {};
    component.GetInstanceGuid(&guid);
    info.m_guidInstance.Data1 = guid.Data1;
    info.m_guidInstance.Data2 = guid.Data2;
    info.m_guidInstance.Data3 = guid.Data3;
    for (int i = 0; i < 8; ++i)
        info.m_guidInstance.Data4[i] = guid.Data4[i];

    // The ID is copied and the system's copy freed at once (by the owner, on leaving the scope).
    CCoTaskText id;
    component.GetId(id.Put());
    if (id)
        info.m_strId = FromWide(id.Get());
    return info;
}

}  // namespace

bool CNetCfgSource::EnumComponents(std::vector<CNetCfgComponentInfo>& components)
{
    // Declared first so that it ends last: every interface below is released before CoUninitialize.
    const CComScope com;

    CComPtr<INetCfg> netCfg;
    const HRESULT hr = ::CoCreateInstance(netcfg::kClsidCNetCfg, nullptr, CLSCTX_INPROC_SERVER, netcfg::kIidINetCfg,
                                          netCfg.PutVoid());
    if (FAILED(hr) || !netCfg)
        return false;

    // Read-only use needs no write lock. The result is ignored: EnumComponents answers for both. INetCfg::Uninitialize
    // is not called; the configuration object is only released.
    netCfg->Initialize(nullptr);

    CComPtr<IEnumNetCfgComponent> enumerator;
    if (netCfg->EnumComponents(&kGuidDevClassNet, enumerator.Put()) != S_OK || !enumerator)
        return false;

    // Next answers S_FALSE at the end and a failure code when the walk breaks off; either ends it, keeping the
    // components read so far.
    for (int n = 0; n < kMaxComponents; ++n) {
        CComPtr<INetCfgComponent> component;
        if (enumerator->Next(1, component.Put(), nullptr) != S_OK)
            break;
        if (!component)
            break;  // S_OK without a component: nothing more can be read
        components.push_back(ReadComponent(*component.Get()));
    }
    return true;
}
