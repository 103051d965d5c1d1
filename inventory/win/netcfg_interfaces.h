#pragma once

// The three network configuration interfaces the network configuration pass uses, declared here with the vtable
// order that Windows publishes for them in netcfgx.idl (Windows Driver Kit; MinGW-w64's netcfgx.h has the same
// order). MinGW-w64's netcfgx.h itself cannot be used: it declares NCF_PHYSICAL as an enumerator, which clashes with
// the constant of inventory/sources.h. The declarations live in a namespace of their own so that they never meet
// the system header's.
//
// A method's place in the vtable is all that matters for a call, so every method up to the last one used is
// declared, in order, with its published signature; methods after it are declared too, for completeness.

#include <windows.h>

#include <unknwn.h>

namespace netcfg {

struct INetCfgComponent;

// {C0E8AE92-306E-11D1-AACF-00805FC1270E}
struct IEnumNetCfgComponent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgComponent** rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumNetCfgComponent** ppenum) = 0;
};

// {C0E8AE93-306E-11D1-AACF-00805FC1270E}
struct INetCfg : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(PVOID pvReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Uninitialize() = 0;
    virtual HRESULT STDMETHODCALLTYPE Apply() = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumComponents(const GUID* pguidClass,
                                                     IEnumNetCfgComponent** ppenumComponent) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR pszwInfId, INetCfgComponent** pComponent) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryNetCfgClass(const GUID* pguidClass, REFIID riid, void** ppvObject) = 0;
};

// {C0E8AE99-306E-11D1-AACF-00805FC1270E}
struct INetCfgComponent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* ppszwDisplayName) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR pszwDisplayName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpText(LPWSTR* pszwHelpText) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(LPWSTR* ppszwId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCharacteristics(LPDWORD pdwCharacteristics) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInstanceGuid(GUID* pGuid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPnpDevNodeId(LPWSTR* ppszwDevNodeId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassGuid(GUID* pGuid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBindName(LPWSTR* ppszwBindName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceStatus(ULONG* pulStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenParamKey(HKEY* phkey) = 0;
    virtual HRESULT STDMETHODCALLTYPE RaisePropertyUi(HWND hwndParent, DWORD dwFlags, IUnknown* punkContext) = 0;
};

// {5B035261-40F9-11D1-AAEC-00805FC1270E}: the network configuration object.
const CLSID kClsidCNetCfg = {0x5b035261, 0x40f9, 0x11d1, {0xaa, 0xec, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};
const IID kIidINetCfg = {0xc0e8ae93, 0x306e, 0x11d1, {0xaa, 0xcf, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};

}  // namespace netcfg
