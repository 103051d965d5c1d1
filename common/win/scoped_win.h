#pragma once

// Owners for the Windows resources the program holds: every file handle, key, device set, module, COM pointer and
// COM-allocated text is released by its owner's destructor, on every path.

#include <windows.h>

#include <cfgmgr32.h>
#include <objbase.h>
#include <setupapi.h>

#include <utility>

// A move-only owner of one value of a handle-like type. Traits gives the value that means "nothing" and the call
// that releases a real one.
template <class Traits>
class CUniqueResource {
public:
    using Value = typename Traits::Value;

    CUniqueResource() = default;
    explicit CUniqueResource(Value value) : m_value(value) {}
    ~CUniqueResource() { Reset(); }
    CUniqueResource(CUniqueResource&& other) noexcept : m_value(other.Release()) {}
    CUniqueResource& operator=(CUniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CUniqueResource(const CUniqueResource&) = delete;
    CUniqueResource& operator=(const CUniqueResource&) = delete;

    Value Get() const { return m_value; }
    bool IsValid() const { return m_value != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // For calls that hand out a new value through a pointer: releases the current one first.
    Value* Put()
    {
        Reset();
        return &m_value;
    }

    Value Release()
    {
        const Value value = m_value;
        m_value = Traits::Invalid();
        return value;
    }

    void Reset(Value value = Traits::Invalid())
    {
        if (IsValid())
            Traits::Close(m_value);
        m_value = value;
    }

private:
    Value m_value = Traits::Invalid();
};

// The traits of the handles that null marks as none, and of those that INVALID_HANDLE_VALUE marks as none (what
// CreateFileW and SetupDiGetClassDevsW answer on failure). pfnClose is the call that releases a real one.
template <class TValue, auto pfnClose>
struct CNullIsNoneTraits {
    using Value = TValue;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { pfnClose(value); }
};

template <class TValue, auto pfnClose>
struct CInvalidIsNoneTraits {
    using Value = TValue;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) { pfnClose(value); }
};

// A file or device handle from CreateFileW.
using CUniqueFileHandle = CUniqueResource<CInvalidIsNoneTraits<HANDLE, ::CloseHandle>>;

// A process or thread handle from CreateProcessW.
using CUniqueHandle = CUniqueResource<CNullIsNoneTraits<HANDLE, ::CloseHandle>>;

// A registry key. SetupDiOpenClassRegKey answers INVALID_HANDLE_VALUE on failure, RegOpenKeyExW leaves the key
// alone: callers store a key only on success, so null is the one value meaning none.
using CUniqueRegKey = CUniqueResource<CNullIsNoneTraits<HKEY, ::RegCloseKey>>;

// A device information set from SetupDiGetClassDevsW.
using CUniqueDevInfo = CUniqueResource<CInvalidIsNoneTraits<HDEVINFO, ::SetupDiDestroyDeviceInfoList>>;

// A module from LoadLibraryExW.
using CUniqueModule = CUniqueResource<CNullIsNoneTraits<HMODULE, ::FreeLibrary>>;

// A text that COM allocated for the caller (INetCfgComponent::GetId).
using CCoTaskText = CUniqueResource<CNullIsNoneTraits<LPWSTR, ::CoTaskMemFree>>;

// One reference to a COM interface, released once.
template <class T>
struct CComTraits {
    using Value = T*;
    static Value Invalid() { return nullptr; }
    static void Close(Value p) { p->Release(); }
};
template <class T>
class CComPtr : public CUniqueResource<CComTraits<T>> {
public:
    using CUniqueResource<CComTraits<T>>::CUniqueResource;
    T* operator->() const { return this->Get(); }
    // For CoCreateInstance and QueryInterface-style calls, which take void**.
    void** PutVoid() { return reinterpret_cast<void**>(this->Put()); }
};

// The COM apartment of the calling thread for the length of a scope. CoInitialize answers S_OK for a new apartment
// and S_FALSE when the thread already had one of the same kind; both take a reference that CoUninitialize must give
// back. Any failure (RPC_E_CHANGED_MODE when the thread is in the multithreaded apartment) takes none, and then
// CoUninitialize must not be called.
class CComScope {
public:
    CComScope() : m_bInitialized(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~CComScope()
    {
        if (m_bInitialized)
            ::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

    bool IsInitialized() const { return m_bInitialized; }

private:
    bool m_bInitialized;
};

// A handle of the configuration manager (a resource descriptor or a logical configuration), released by the
// function the caller loaded for it: cfgmgr32 is reached through GetProcAddress, so the release call is a pointer.
// A null release function (not available) leaves the handle to the process.
class CCmHandle {
public:
    using FreeFn = CONFIGRET(WINAPI*)(DWORD_PTR);

    explicit CCmHandle(FreeFn pFree) : m_pFree(pFree) {}
    ~CCmHandle() { Reset(); }
    CCmHandle(const CCmHandle&) = delete;
    CCmHandle& operator=(const CCmHandle&) = delete;

    DWORD_PTR Get() const { return m_h; }
    bool IsValid() const { return m_h != 0; }

    // Takes a new handle and releases the one held before, in that order.
    void Reset(DWORD_PTR h = 0)
    {
        const DWORD_PTR hOld = m_h;
        m_h = h;
        if (hOld != 0 && m_pFree)
            m_pFree(hOld);
    }

private:
    FreeFn m_pFree;
    DWORD_PTR m_h = 0;
};
