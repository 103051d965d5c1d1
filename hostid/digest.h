#pragma once

// The 32-bit digest of a text that the host ID is made from.
//
// The text is first turned into single bytes (CNarrowBuffer), then fed byte by byte into a 32-bit state by one of
// six update rules, the digest kinds 1 to 6. The host ID uses kind 3 from the state 0.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Result codes of the conversion.
constexpr int kDigestOk = 0;
constexpr int kDigestNoMemory = 12;  // ENOMEM

// The single-byte form of a UTF-16 text: each unit up to 0x00FF becomes the byte of the same value. A text with a
// unit above 0x00FF is given in its hexadecimal form instead (four digits per unit, low byte first).
class CNarrowBuffer {
public:
    // Allocates a block of the given size with new[], or returns null; the block is given back with delete[].
    // Tests put a failing allocator in its place.
    using AllocateFn = uint8_t* (*)(size_t nBytes);

    explicit CNarrowBuffer(std::u16string strText = std::u16string());
    CNarrowBuffer(const CNarrowBuffer&) = delete;
    CNarrowBuffer& operator=(const CNarrowBuffer&) = delete;

    // Converts the text once; a second call returns kDigestOk at once. kDigestNoMemory when memory cannot be had.
    int Convert();

    // Makes sure the block holds at least n + 2 bytes, growing it in whole blocks of m_nBlockSize bytes. The
    // content of a replaced block is not kept.
    int Reserve(uint32_t n);

    // Writes "%02X%02X" of each unit's low and then high byte, up to the first zero unit, into pDest (nDestSize
    // bytes), always ending it with a zero byte; what does not fit is left out.
    static void WideToHex(const std::u16string& strText, uint8_t* pDest, size_t nDestSize);

    const uint8_t* GetData() const { return m_pData.get(); }
    uint32_t GetCapacity() const { return m_nCapacity; }
    int32_t GetLength() const { return m_nLength; }
    int32_t GetState() const { return m_nState; }
    const std::u16string& GetText() const { return m_strText; }

    void SetAllocator(AllocateFn pfnAllocate) { m_pfnAllocate = pfnAllocate; }

private:
    struct CFree {
        void operator()(uint8_t* p) const;
    };

    std::unique_ptr<uint8_t[], CFree> m_pData;
    uint32_t m_nCapacity = 0;
    uint32_t m_nBlockSize = 256;
    int32_t m_nLength = 0;
    int32_t m_nState = 0;
    std::u16string m_strText;
    AllocateFn m_pfnAllocate;
};

class CRBase {
public:
    CRBase(const std::u16string& strText, int32_t nType, uint32_t dwInitial = 0);
    virtual ~CRBase() = default;

    // Advances the state by one byte under the object's kind; a kind outside 1 to 6 leaves it unchanged.
    void Update(uint8_t c);

    // One step of a kind, as a pure function of the state and the byte.
    static uint32_t Step(int32_t nType, uint32_t s, uint8_t c);

    // Converts the text and feeds every byte of its single-byte form. Returns the conversion's result code; on
    // failure nothing is fed.
    int Run();

    uint32_t GetValue() const { return m_dwValue; }
    CNarrowBuffer& GetBuffer() { return m_buffer; }

private:
    int32_t m_nType;
    uint32_t m_dwValue;
    CNarrowBuffer m_buffer;
};

// The kind-3 digest of a text from the state 0, as the host ID takes it; none when memory for the conversion could
// not be had. The digest keeps a copy of the text, which may throw std::bad_alloc.
std::optional<uint32_t> DigestText(const std::u16string& strText);
