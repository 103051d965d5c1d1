#include "inventory/hid_dev_net.h"

#include <new>

#include "common/text.h"

std::u16string FormatAddressText(const uint8_t* pBytes, size_t nCount)
{
    std::u16string text;
    AppendAddressText(text, pBytes, nCount);
    return text;
}

void AppendAddressText(std::u16string& text, const uint8_t* pBytes, size_t nCount)
{
    text.reserve(text.size() + 2 * nCount);
    for (size_t i = 0; i < nCount; ++i)
        AppendHexByte(text, pBytes[i]);
}

bool AppendRecordCopy(CDeviceList& list, const CHidDevNet& record)
{
    try {
        list.AddTail(std::make_unique<CHidDevNet>(record));
        return true;
    } catch (const std::bad_alloc&) {
        // A record that cannot be stored is left out; the pass goes on with the next one.
        return false;
    }
}

void MergeDeviceRecord(CDeviceList& list, const CHidDevNet& record)
{
    bool bMerged = false;
    for (auto& pExisting : list) {
        // The walk goes on after the first equal record: every record with this GUID text gets the flags.
        if (EqualsNoCase(pExisting->m_strGuid, record.m_strGuid)) {
            pExisting->m_dwFlags |= record.m_dwFlags;
            bMerged = true;
        }
    }
    if (!bMerged)
        AppendRecordCopy(list, record);
}
