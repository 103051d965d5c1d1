#include "inventory/win/adapter_table_source.h"

// iphlpapi.h needs the socket types, which WIN32_LEAN_AND_MEAN keeps out of windows.h.
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "common/win/system_module.h"
#include "common/win/wide.h"

namespace {

// A table has a few dozen entries at most; the bound only keeps a broken chain from being walked for ever.
constexpr size_t kMaxAdapterEntries = 4096;

// The adapter name (a GUID text in the thread's ANSI code page) as wide text; none when it is absent or does not
// convert.
std::optional<std::u16string> AdapterNameText(const char* pszName)
{
    if (!pszName)
        return std::nullopt;
    const int nUnits = ::MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, pszName, -1, nullptr, 0);
    if (nUnits <= 0)
        return std::nullopt;
    std::u16string text(static_cast<size_t>(nUnits), u'\0');
    if (::MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, pszName, -1, AsWide(text.data()), nUnits) != nUnits)
        return std::nullopt;
    text.resize(static_cast<size_t>(nUnits) - 1);  // without the terminating null
    return text;
}

CAdapterEntry EntryOf(const IP_ADAPTER_ADDRESSES& adapter)
{
    CAdapterEntry entry;
    entry.m_strName = AdapterNameText(adapter.AdapterName);
    if (adapter.Description)
        entry.m_strDescription = FromWide(adapter.Description);
    // PhysicalAddress holds MAX_ADAPTER_ADDRESS_LENGTH (8) bytes; a larger length is cut to what is there.
    entry.m_nAddressLength = std::min<uint32_t>(adapter.PhysicalAddressLength, sizeof(entry.m_address));
    std::copy_n(adapter.PhysicalAddress, entry.m_nAddressLength, entry.m_address);
    return entry;
}

// GetAdaptersAddresses of the system directory's iphlpapi.dll, loaded on the first read of the table; null when
// either cannot be had. iphlpapi is not one of Windows' KnownDLLs, so importing it at load time would let an
// iphlpapi.dll in the program's folder be loaded instead.
using GetAdaptersAddressesFn = decltype(&::GetAdaptersAddresses);
GetAdaptersAddressesFn AdapterTableFunction()
{
    static const auto pFunction = SystemFunction<GetAdaptersAddressesFn>(L"iphlpapi.dll", "GetAdaptersAddresses");
    return pFunction;
}

struct CFreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

}  // namespace

static_assert(MAX_ADAPTER_ADDRESS_LENGTH == sizeof(CAdapterEntry::m_address), "physical address of 8 bytes");

uint32_t CAdapterTableSource::GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries)
{
    // malloc's alignment suits IP_ADAPTER_ADDRESSES. The size query (a declared size of 0) still gets the small
    // buffer, and so does any call whose declared size fits in it.
    const size_t nAllocated = std::max<size_t>(nSize, kAdapterTableFirstBufferSize);
    const std::unique_ptr<void, CFreeDeleter> pBuffer(std::malloc(nAllocated));
    if (!pBuffer)
        return kAdapterTableNoMemory;

    // Without the function the table reads as unreadable, as when the call itself fails.
    const GetAdaptersAddressesFn pGetAdaptersAddresses = AdapterTableFunction();
    if (!pGetAdaptersAddresses)
        return ERROR_PROC_NOT_FOUND;

    ULONG nDeclared = nSize;
    auto* const pFirst = static_cast<IP_ADAPTER_ADDRESSES*>(pBuffer.get());
    const ULONG nResult = pGetAdaptersAddresses(AF_UNSPEC, 0, nullptr, pFirst, &nDeclared);
    nSize = nDeclared;
    if (nResult != NO_ERROR)
        return nResult;

    size_t nCount = 0;
    for (const IP_ADAPTER_ADDRESSES* p = pFirst; p && nCount < kMaxAdapterEntries; p = p->Next, ++nCount)
        entries.push_back(EntryOf(*p));
    return kAdapterTableNoError;
}
