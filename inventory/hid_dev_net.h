#pragma once

// The adapter record and the ordered list that holds the inventory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Resource bits come from the descriptors of a device's allocated configuration; bus bits from the classification
// of its identifier texts. No other bit is ever set.
constexpr uint32_t HID_RES_MEM = 0x00000001;        // memory range (ResType_Mem, 1)
constexpr uint32_t HID_RES_IO = 0x00000002;         // I/O ports (ResType_IO, 2)
constexpr uint32_t HID_RES_DMA = 0x00000004;        // DMA channel (ResType_DMA, 3)
constexpr uint32_t HID_RES_IRQ = 0x00000008;        // interrupt (ResType_IRQ, 4)
constexpr uint32_t HID_BUS_VMBUS = 0x00000010;      // enumerator "vmbus"
constexpr uint32_t HID_BUS_PCI = 0x00000020;        // enumerator "pci"
constexpr uint32_t HID_RES_BUSNUMBER = 0x00000040;  // bus number (ResType_BusNumber, 6)
constexpr uint32_t HID_RES_MEMLARGE = 0x00000080;   // large memory range (ResType_MemLarge, 7)
constexpr uint32_t HID_BUS_PCI_ALT = 0x00000100;    // "pci_" somewhere in the identifier
constexpr uint32_t HID_BUS_XENVIF = 0x00000200;     // enumerator "xenvif"
constexpr uint32_t HID_BUS_OTHER = 0x01000000;      // a component on any other enumerator
constexpr uint32_t HID_BUS_USB = 0x02000000;        // a component on "usb"

// The two top bits: records with either of them are treated apart by the choice and by the host-ID input.
constexpr uint32_t HID_BUS_OTHER_OR_USB = HID_BUS_OTHER | HID_BUS_USB;

// One network adapter as the collecting passes see it. A plain record: it copies member by member.
class CHidDevNet {
public:
    std::u16string m_strGuid;              // instance GUID text in braces, lower case or as the registry holds it
    std::u16string m_strPnpId;             // enumerator text (the identifier cut before its first backslash)
    bool m_bWireless = false;              // the adapter table described it as a WLAN adapter
    std::u16string m_strAddress;           // address text the host ID is taken from
    uint32_t m_dwFlags = 0;                // HID_RES_* and HID_BUS_* bits
    std::u16string m_strPermanentAddress;  // permanent hardware address, as address text
    std::u16string m_strCurrentAddress;    // current hardware address, as address text
};

// Address text: two upper-case hexadecimal digits per byte, first byte first, no separators.
std::u16string FormatAddressText(const uint8_t* pBytes, size_t nCount);
void AppendAddressText(std::u16string& text, const uint8_t* pBytes, size_t nCount);

// The ordered list of the program: append at the tail, walk from head to tail, count.
template <class T>
class CListEx {
public:
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    T& AddTail(T value)
    {
        m_items.push_back(std::move(value));
        return m_items.back();
    }
    size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    T& GetAt(size_t nIndex) { return m_items[nIndex]; }
    const T& GetAt(size_t nIndex) const { return m_items[nIndex]; }
    // Makes room for nCount elements ahead. Only a hint: when the memory cannot be had, appends grow as they go.
    void Reserve(size_t nCount)
    {
        try {
            m_items.reserve(nCount);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }
    void RemoveTail() { m_items.pop_back(); }

    // Empties the list and gives back its storage.
    void RemoveAll() { std::vector<T>().swap(m_items); }

    iterator begin() { return m_items.begin(); }
    iterator end() { return m_items.end(); }
    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

private:
    std::vector<T> m_items;
};

// The adapter list owns its records; everything else holds borrowed pointers into it.
using CDeviceList = CListEx<std::unique_ptr<CHidDevNet>>;

// Appends a record to the list, on the heap. When memory cannot be had the record is simply not added, and false
// tells so.
bool AppendRecordCopy(CDeviceList& list, const CHidDevNet& record);
bool AppendRecord(CDeviceList& list, CHidDevNet&& record);

// The records of a list by GUID text without regard to letter case, each text's records in list order. Looking a
// text up costs the same however long the list is, where walking the list would make the passes quadratic. The
// index refers to the records' own GUID texts, which must not change while it is in use.
class CGuidIndex {
public:
    CGuidIndex() = default;
    explicit CGuidIndex(const CDeviceList& list);

    // Adds a record after all records added so far; nListIndex is its place in the list.
    void Add(CHidDevNet* pRecord, size_t nListIndex);

    struct CEntry {
        CHidDevNet* pRecord;
        size_t nListIndex;
        size_t nNext;  // the next entry with an equal GUID text, or kNone
        size_t nLast;  // in the first entry of a text: the last entry with that text
        uint64_t nHash;
        uint32_t dwMergedFlags;  // in the first entry of a text: flags merged into its records, not yet applied
    };
    static constexpr size_t kNone = static_cast<size_t>(-1);

    // The first record whose GUID text equals the text without regard to letter case; null when there is none.
    // The others follow through Next, in list order.
    const CEntry* Find(std::u16string_view strGuid) const;
    const CEntry* Next(const CEntry& entry) const
    {
        ++m_nSteps;
        return entry.nNext == kNone ? nullptr : &m_entries[entry.nNext];
    }

    // Notes flags to be ORed into every record whose GUID text equals the text, in constant time however many
    // records share it; false when no record has that text. The flags reach the records with ApplyMergedFlags.
    bool MergeFlags(std::u16string_view strGuid, uint32_t dwFlags);

    // ORs the flags noted so far into the records, each record once, and forgets them.
    void ApplyMergedFlags();

    // Entries visited so far, by probes and by walks along the records of a text: the work the index does, which
    // must grow with the number of records and lookups, not with their product.
    size_t GetSteps() const { return m_nSteps; }

private:
    static uint64_t Hash(std::u16string_view text);
    // The slot that holds the first entry of the text, or the empty slot where it would go.
    size_t Probe(std::u16string_view text, uint64_t nHash) const;
    void Grow();

    std::vector<CEntry> m_entries;
    // Open addressing: each slot holds 1 + the index of the first entry of one GUID text, or 0 when empty.
    std::vector<size_t> m_slots;
    size_t m_nTexts = 0;
    mutable size_t m_nSteps = 0;
};

// The index of a list, or none when memory for it cannot be had. The index only saves walking the list, so whoever
// gets none goes on by walking it.
std::optional<CGuidIndex> BuildGuidIndex(const CDeviceList& list);

// The first record of the list, in list order, whose GUID text equals the text without regard to letter case, found
// by walking the list; null when there is none. nListIndex receives its place.
CHidDevNet* FindRecordByGuid(CDeviceList& list, std::u16string_view strGuid, size_t& nListIndex);

// The merge rule of the device setup pass: OR the record's flags into every record whose GUID text is equal without
// regard to letter case; when none is, append the record. The index, when there is one, must hold every record of
// the list, and an appended record is added to it. Through the index the flags are only noted, so that a merge costs
// the same however many records share the text: they reach the records with the index's ApplyMergedFlags, which the
// caller runs once the merges are done. When the index cannot take a record for lack of memory, the flags noted so
// far are applied, the record stays in the list and the index is dropped: this merge and every later one walk the
// list instead. False when the record was to be appended and memory for it could not be had.
bool MergeDeviceRecord(CDeviceList& list, std::optional<CGuidIndex>& index, CHidDevNet&& record);

// The same by walking the list, for a list without an index.
bool MergeDeviceRecord(CDeviceList& list, const CHidDevNet& record);
