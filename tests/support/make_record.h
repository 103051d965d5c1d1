#pragma once

// One way for the tests to make an adapter record with only the fields the choice, the merge and the digest read:
// its GUID text, flags, address and wireless mark. Every other field stays as a new record holds it.

#include <cstdint>
#include <string>
#include <utility>

#include "inventory/hid_dev_net.h"

inline CHidDevNet MakeRecord(std::u16string strGuid, uint32_t dwFlags, std::u16string strAddress = u"",
                             bool bWireless = false)
{
    CHidDevNet record;
    record.m_strGuid = std::move(strGuid);
    record.m_dwFlags = dwFlags;
    record.m_strAddress = std::move(strAddress);
    record.m_bWireless = bWireless;
    return record;
}
