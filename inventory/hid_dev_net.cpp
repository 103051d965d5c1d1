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

CGuidIndex::CGuidIndex(const CDeviceList& list)
{
    m_map.reserve(list.GetCount());
    size_t nIndex = 0;
    for (const auto& pRecord : list)
        Add(pRecord.get(), nIndex++);
}

void CGuidIndex::Add(CHidDevNet* pRecord, size_t nListIndex)
{
    m_map[AsciiLowerCopy(pRecord->m_strGuid)].push_back(CEntry{pRecord, nListIndex});
}

const std::vector<CGuidIndex::CEntry>* CGuidIndex::Find(std::u16string_view strGuid) const
{
    const auto it = m_map.find(AsciiLowerCopy(strGuid));
    return it == m_map.end() ? nullptr : &it->second;
}

void MergeDeviceRecord(CDeviceList& list, CGuidIndex& index, const CHidDevNet& record)
{
    if (const std::vector<CGuidIndex::CEntry>* pEqual = index.Find(record.m_strGuid)) {
        // Every record with this GUID text gets the flags, not only the first.
        for (const CGuidIndex::CEntry& entry : *pEqual)
            entry.pRecord->m_dwFlags |= record.m_dwFlags;
        return;
    }
    if (AppendRecordCopy(list, record))
        index.Add(list.GetAt(list.GetCount() - 1).get(), list.GetCount() - 1);
}

void MergeDeviceRecord(CDeviceList& list, const CHidDevNet& record)
{
    CGuidIndex index(list);
    MergeDeviceRecord(list, index, record);
}
