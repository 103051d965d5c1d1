// A network configuration server for tests: an in-process COM server of CLSID_CNetCfg whose INetCfg,
// IEnumNetCfgComponent and INetCfgComponent answer from the substitute script (script.h), faults included. A Wine
// prefix of the build registers it as the class's InprocServer32, so that the program's own CoCreateInstance loads
// it; Wine's own netcfgx answers EnumComponents with E_NOTIMPL.

#include <windows.h>

#include <objbase.h>

#include <atomic>
#include <cstring>
#include <new>

#include "common/win/wide.h"
#include "inventory/win/netcfg_interfaces.h"
#include "substitutes/counts.h"
#include "substitutes/script.h"

namespace {

using netcfg::IEnumNetCfgComponent;
using netcfg::INetCfg;
using netcfg::INetCfgComponent;

const IID kIidIEnumNetCfgComponent = {0xc0e8ae92, 0x306e, 0x11d1, {0xaa, 0xcf, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};
const IID kIidINetCfgComponent = {0xc0e8ae99, 0x306e, 0x11d1, {0xaa, 0xcf, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};
const GUID kGuidDevClassNet = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::atomic<int32_t> g_nObjectsMade{0};
std::atomic<int32_t> g_nObjectsAlive{0};
std::atomic<int32_t> g_nInitializeCalls{0};
std::atomic<int32_t> g_nEnumComponentsCalls{0};
std::atomic<int32_t> g_nServerLocks{0};

// The reference counting and QueryInterface every object here shares.
template <class TInterface>
class CObject : public TInterface {
public:
    CObject(const IID& iid) : m_iid(iid)
    {
        ++g_nObjectsMade;
        ++g_nObjectsAlive;
    }
    virtual ~CObject() { --g_nObjectsAlive; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != m_iid)
            return E_NOINTERFACE;
        *ppv = static_cast<TInterface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG nRefs = --m_nRefs;
        if (nRefs == 0)
            delete this;
        return nRefs;
    }

private:
    const IID& m_iid;
    std::atomic<ULONG> m_nRefs{1};
};

class CComponent : public CObject<INetCfgComponent> {
public:
    explicit CComponent(const CScriptComponent& script) : CObject(kIidINetCfgComponent), m_script(script) {}

    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* ppszwId) override
    {
        *ppszwId = nullptr;
        if (m_script.m_bIdFails)
            return E_FAIL;
        if (!m_script.m_strId)
            return S_FALSE;
        const size_t nBytes = (m_script.m_strId->size() + 1) * sizeof(wchar_t);
        auto* pszId = static_cast<wchar_t*>(CoTaskMemAlloc(nBytes));
        if (!pszId)
            return E_OUTOFMEMORY;
        std::memcpy(pszId, AsWide(*m_script.m_strId), nBytes);
        *ppszwId = pszId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCharacteristics(LPDWORD pdwCharacteristics) override
    {
        if (m_script.m_bCharacteristicsFails)
            return E_FAIL;
        *pdwCharacteristics = m_script.m_dwCharacteristics;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInstanceGuid(GUID* pGuid) override
    {
        if (m_script.m_bGuidFails)
            return E_FAIL;
        pGuid->Data1 = m_script.m_guid.Data1;
        pGuid->Data2 = m_script.m_guid.Data2;
        pGuid->Data3 = m_script.m_guid.Data3;
        std::memcpy(pGuid->Data4, m_script.m_guid.Data4, sizeof(pGuid->Data4));
        return S_OK;
    }
    // The calls the program does not make answer what Windows answers for a component in a state where they do
    // not apply, and write nothing: a program that made one of them by mistake would read nothing from it.
    HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHelpText(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPnpDevNodeId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClassGuid(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenParamKey(HKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RaisePropertyUi(HWND, DWORD, IUnknown*) override { return E_NOTIMPL; }

private:
    CScriptComponent m_script;
};

class CEnumComponents : public CObject<IEnumNetCfgComponent> {
public:
    explicit CEnumComponents(CSubstituteScript script) : CObject(kIidIEnumNetCfgComponent), m_script(std::move(script)) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgComponent** rgelt, ULONG* pceltFetched) override
    {
        ULONG nFetched = 0;
        for (; nFetched < celt; ++nFetched) {
            rgelt[nFetched] = nullptr;
            if (m_script.m_nNextFailsAt == m_nNext)
                return E_FAIL;
            if (m_script.m_nNextEmptyAt == m_nNext)
                return S_OK;
            if (m_nNext >= m_script.m_components.size())
                break;
            rgelt[nFetched] = new (std::nothrow) CComponent(m_script.m_components[m_nNext]);
            ++m_nNext;
        }
        if (pceltFetched)
            *pceltFetched = nFetched;
        return nFetched == celt ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumNetCfgComponent**) override { return E_NOTIMPL; }

private:
    CSubstituteScript m_script;
    uint32_t m_nNext = 0;
};

class CNetCfg : public CObject<INetCfg> {
public:
    CNetCfg() : CObject(netcfg::kIidINetCfg) {}

    HRESULT STDMETHODCALLTYPE Initialize(PVOID) override
    {
        ++g_nInitializeCalls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Uninitialize() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Apply() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Cancel() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumComponents(const GUID* pguidClass, IEnumNetCfgComponent** ppenum) override
    {
        ++g_nEnumComponentsCalls;
        *ppenum = nullptr;
        CSubstituteScript script;
        if (!LoadSubstituteScript(script) || script.m_bEnumFails)
            return E_FAIL;
        // Only network adapters are scripted; every other class has no component.
        if (!pguidClass || *pguidClass != kGuidDevClassNet)
            script.m_components.clear();
        *ppenum = new (std::nothrow) CEnumComponents(std::move(script));
        return *ppenum ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR, INetCfgComponent**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryNetCfgClass(const GUID*, REFIID, void**) override { return E_NOTIMPL; }
};

class CClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // a static object
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        auto* pNetCfg = new (std::nothrow) CNetCfg();
        if (!pNetCfg)
            return E_OUTOFMEMORY;
        const HRESULT hr = pNetCfg->QueryInterface(riid, ppv);
        pNetCfg->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override
    {
        g_nServerLocks += bLock ? 1 : -1;
        return S_OK;
    }
};

CClassFactory g_factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (rclsid != netcfg::kClsidCNetCfg)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_nObjectsAlive == 0 && g_nServerLocks == 0 ? S_OK : S_FALSE;
}

extern "C" __declspec(dllexport) void LumoNetCfgServerCounts(CNetCfgServerCounts* pCounts)
{
    pCounts->m_nObjectsMade = g_nObjectsMade;
    pCounts->m_nObjectsAlive = g_nObjectsAlive;
    pCounts->m_nInitializeCalls = g_nInitializeCalls;
    pCounts->m_nEnumComponentsCalls = g_nEnumComponentsCalls;
}
