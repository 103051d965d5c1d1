#pragma once

// The host ID of an adapter record: a 32-bit value from the digest of the record's address, printed as five
// hyphen-joined pairs of hexadecimal digits, the fifth a check byte.

#include <cstdint>
#include <string>

class CHidDevNet;

// The type code in the low four bits of a host ID taken from an adapter address.
constexpr int32_t kHostIdTypeAdapterAddress = 2;

class CReleaseHostId {
public:
    // Calculates the host ID of the record at once; a record without an address text gives none.
    explicit CReleaseHostId(const CHidDevNet& record);
    virtual ~CReleaseHostId() = default;

    // The digest input of a record: the address in pairs for a wireless adapter, the address followed by the GUID
    // text for an adapter on USB or another bus, the bare address otherwise. Empty without an address text.
    static std::u16string DigestInput(const CHidDevNet& record);

    // The host-ID value of a text: its digest with the type code in the low four bits; 0 for the empty text, which
    // is not digested. Keeps the text as the source of the value. When the digest runs out of memory the result is
    // 0, the object holds no valid ID and RanOutOfMemory tells why.
    uint32_t CalculateHostId(const std::u16string& strText);

    // "XX-XX-XX-XX-XX", or empty when there is no value.
    std::u16string GetHostIdText() const;

    uint32_t GetHostId() const { return m_dwHostId; }
    bool IsValid() const { return m_bValid; }
    // True when the last calculation failed for lack of memory: there is no host ID, although the record has one.
    bool RanOutOfMemory() const { return m_bNoMemory; }
    const std::u16string& GetSource() const { return m_strSource; }

private:
    uint32_t m_dwHostId = 0;
    bool m_bValid = false;
    bool m_bNoMemory = false;
    int32_t m_nIdType = 0;
    std::u16string m_strSource;
};

// The flag bits a record's digest input depends on: HID_BUS_OTHER and HID_BUS_USB. Two records whose flags differ
// only in other bits have the same digest input.
uint32_t DigestFlagBits(uint32_t dwFlags);

// True when the record's GUID text enters its digest input: an adapter on USB or another bus that is not wireless.
// A wireless adapter's input is its address in pairs, whatever its bus.
bool GuidEntersDigestInput(const CHidDevNet& record);

// The printed form of a host-ID value: its four bytes from the highest down and their XOR.
std::u16string FormatHostIdText(uint32_t dwHostId);

// The address text cut into pairs joined by "-" (001A2B3C4D5E gives 00-1A-2B-3C-4D-5E). A final single digit of an
// odd-length text stands as a piece of its own.
std::u16string PairAddressText(const std::u16string& strAddress);
