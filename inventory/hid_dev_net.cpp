#include "inventory/hid_dev_net.h"

#include <new>

#include "common/keyed_hash.h"
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
        return AppendRecord(list, CHidDevNet(record));
    } catch (const std::bad_alloc&) {
        // The copy's texts could not be had: the record is left out as one that cannot be stored is.
        return false;
    }
}

bool AppendRecord(CDeviceList& list, CHidDevNet&& record)
{
    try {
        list.AddTail(std::make_unique<CHidDevNet>(std::move(record)));
        return true;
    } catch (const std::bad_alloc&) {
        // A record that cannot be stored is left out; the pass goes on with the next one.
        return false;
    }
}

uint64_t CGuidIndex::Hash(std::u16string_view text)
{
    // Keyed per process: the GUID texts come from the machine or a snapshot, and a fixed hash would let one be made
    // whose texts all probe the same slots.
    return KeyedHashNoCase(text);
}

CGuidIndex::CGuidIndex(const CDeviceList& list)
{
    // Sized for the whole list at once, so that building it never rehashes.
    size_t nSlots = 16;
    while (nSlots < 2 * (list.GetCount() + 1))
        nSlots *= 2;
    m_slots.assign(nSlots, 0);
    m_entries.reserve(list.GetCount());
    size_t nIndex = 0;
    for (const auto& pRecord : list)
        Add(pRecord.get(), nIndex++);
}

size_t CGuidIndex::Probe(std::u16string_view text, uint64_t nHash) const
{
    const size_t nMask = m_slots.size() - 1;
    for (size_t i = static_cast<size_t>(nHash) & nMask;; i = (i + 1) & nMask) {
        ++m_nSteps;
        const size_t nSlot = m_slots[i];
        if (nSlot == 0)
            return i;
        const CEntry& first = m_entries[nSlot - 1];
        if (first.nHash == nHash && EqualsNoCase(first.pRecord->m_strGuid, text))
            return i;
    }
}

void CGuidIndex::Grow()
{
    // At most half the slots are in use, so every probe ends at an empty slot soon.
    std::vector<size_t> slots(m_slots.empty() ? 16 : 2 * m_slots.size(), 0);
    m_slots.swap(slots);
    for (const size_t nSlot : slots) {
        if (nSlot != 0) {
            const CEntry& first = m_entries[nSlot - 1];
            m_slots[Probe(first.pRecord->m_strGuid, first.nHash)] = nSlot;
        }
    }
}

void CGuidIndex::Add(CHidDevNet* pRecord, size_t nListIndex)
{
    if (2 * (m_nTexts + 1) > m_slots.size())
        Grow();
    const uint64_t nHash = Hash(pRecord->m_strGuid);
    const size_t nEntry = m_entries.size();
    m_entries.push_back(CEntry{pRecord, nListIndex, kNone, nEntry, nHash, 0});
    const size_t i = Probe(pRecord->m_strGuid, nHash);
    if (m_slots[i] == 0) {
        m_slots[i] = nEntry + 1;
        ++m_nTexts;
    } else {
        CEntry& first = m_entries[m_slots[i] - 1];
        m_entries[first.nLast].nNext = nEntry;
        first.nLast = nEntry;
    }
}

const CGuidIndex::CEntry* CGuidIndex::Find(std::u16string_view strGuid) const
{
    if (m_slots.empty())
        return nullptr;
    const size_t nSlot = m_slots[Probe(strGuid, Hash(strGuid))];
    return nSlot == 0 ? nullptr : &m_entries[nSlot - 1];
}

bool CGuidIndex::MergeFlags(std::u16string_view strGuid, uint32_t dwFlags)
{
    if (m_slots.empty())
        return false;
    const size_t nSlot = m_slots[Probe(strGuid, Hash(strGuid))];
    if (nSlot == 0)
        return false;
    m_entries[nSlot - 1].dwMergedFlags |= dwFlags;
    return true;
}

void CGuidIndex::ApplyMergedFlags()
{
    for (const size_t nSlot : m_slots) {
        if (nSlot == 0)
            continue;
        CEntry& first = m_entries[nSlot - 1];
        const uint32_t dwFlags = first.dwMergedFlags;
        first.dwMergedFlags = 0;
        if (dwFlags == 0)
            continue;
        for (const CEntry* pEntry = &first; pEntry; pEntry = Next(*pEntry))
            pEntry->pRecord->m_dwFlags |= dwFlags;
    }
}

std::optional<CGuidIndex> BuildGuidIndex(const CDeviceList& list)
{
    try {
        return CGuidIndex(list);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

CHidDevNet* FindRecordByGuid(CDeviceList& list, std::u16string_view strGuid, size_t& nListIndex)
{
    nListIndex = 0;
    for (auto& pRecord : list) {
        if (EqualsNoCase(pRecord->m_strGuid, strGuid))
            return pRecord.get();
        ++nListIndex;
    }
    return nullptr;
}

bool MergeDeviceRecord(CDeviceList& list, std::optional<CGuidIndex>& index, CHidDevNet&& record)
{
    if (!index)
        return MergeDeviceRecord(list, record);
    // Every record with this GUID text gets the flags, not only the first.
    if (index->MergeFlags(record.m_strGuid, record.m_dwFlags))
        return true;
    if (!AppendRecord(list, std::move(record)))
        return false;
    try {
        index->Add(list.GetAt(list.GetCount() - 1).get(), list.GetCount() - 1);
    } catch (const std::bad_alloc&) {
        // The record is stored; only the index could not take it. Without the index later devices find it by
        // walking the list, so nothing but speed is lost once the flags noted in it are given to the records.
        index->ApplyMergedFlags();
        index.reset();
    }
    return true;
}

bool MergeDeviceRecord(CDeviceList& list, const CHidDevNet& record)
{
    bool bMerged = false;
    for (auto& pRecord : list) {
        // Every record with this GUID text gets the flags, not only the first.
        if (EqualsNoCase(pRecord->m_strGuid, record.m_strGuid)) {
            pRecord->m_dwFlags |= record.m_dwFlags;
            bMerged = true;
        }
    }
    return bMerged || AppendRecordCopy(list, record);
}
