#pragma once

// The system's adapter table read straight from GetAdaptersAddresses, for the Windows tests to hold the product's
// reading against and to map snapshots onto Wine's adapters.

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/wide.h"

struct CSystemAdapter {
    std::u16string m_strName;                        // the adapter name, a GUID text
    std::optional<std::u16string> m_strDescription;  // none when the table gives none
    std::vector<uint8_t> m_address;
    bool m_bLoopback = false;
};

// The adapters in the table's order; none when the table cannot be read into 64 KiB, far more than Wine's takes.
inline std::vector<CSystemAdapter> ReadSystemAdapterTable()
{
    std::vector<CSystemAdapter> adapters;
    ULONG nSize = 64 * 1024;
    std::vector<unsigned char> buffer(nSize);
    auto* pFirst = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, pFirst, &nSize) != NO_ERROR)
        return adapters;
    for (const IP_ADAPTER_ADDRESSES* p = pFirst; p; p = p->Next) {
        CSystemAdapter adapter;
        adapter.m_strName = AsciiToUtf16(p->AdapterName ? p->AdapterName : "");
        if (p->Description)
            adapter.m_strDescription = FromWide(p->Description);
        adapter.m_address.assign(p->PhysicalAddress, p->PhysicalAddress + p->PhysicalAddressLength);
        adapter.m_bLoopback = p->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        adapters.push_back(adapter);
    }
    return adapters;
}
