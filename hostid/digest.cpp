#include "hostid/digest.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "common/text.h"

namespace {

// The block comes from the C++ heap without throwing, so that a refusal is a null result like malloc's, and tests
// that make operator new fail reach this allocation too.
uint8_t* AllocateWithNew(size_t nBytes)
{
    return new (std::nothrow) uint8_t[nBytes];
}

// Shifts a byte left within 32 bits. Only the low five bits of the count take effect, as on the x86 shift
// instructions the digest was defined on: a count of 32 shifts by 0, a count of 37 by 5. Masking the count keeps
// every shift defined in C++.
constexpr uint32_t Shl(uint32_t x, uint32_t k)
{
    return x << (k & 31u);
}

constexpr uint32_t Rotl8(uint32_t s)
{
    return (s << 8) | (s >> 24);
}

// XOR of five shifted copies of an 8-bit value.
constexpr uint32_t T(uint32_t b)
{
    return Shl(b, ((b >> 3) & 15) + 24) ^ Shl(b, ((b >> 2) & 15) + 8) ^ Shl(b, ((b >> 1) & 15) + 24) ^
           Shl(b, (b >> 4) + 16) ^ Shl(b, b & 15);
}

}  // namespace

void CNarrowBuffer::CFree::operator()(uint8_t* p) const
{
    delete[] p;
}

CNarrowBuffer::CNarrowBuffer(std::u16string strText) : m_strText(std::move(strText)), m_pfnAllocate(AllocateWithNew)
{
}

int CNarrowBuffer::Reserve(uint32_t n)
{
    const uint64_t nNeeded = uint64_t(n) + 2;
    if (m_pData && m_nCapacity >= nNeeded)
        return kDigestOk;
    const uint64_t nBlocks = nNeeded / m_nBlockSize + (nNeeded % m_nBlockSize ? 1 : 0);
    const uint64_t nNewSize = nBlocks * m_nBlockSize;
    if (nNewSize > UINT32_MAX)
        return kDigestNoMemory;  // the capacity is a 32-bit count
    uint8_t* pNew = m_pfnAllocate(static_cast<size_t>(nNewSize));
    if (!pNew)
        return kDigestNoMemory;
    m_pData.reset(pNew);
    m_nCapacity = static_cast<uint32_t>(nNewSize);
    return kDigestOk;
}

void CNarrowBuffer::WideToHex(const std::u16string& strText, uint8_t* pDest, size_t nDestSize)
{
    if (nDestSize == 0)
        return;
    size_t nOut = 0;
    for (const char16_t unit : strText) {
        if (unit == 0 || nOut + 4 >= nDestSize)
            break;
        const uint8_t low = static_cast<uint8_t>(unit & 0xFF);
        const uint8_t high = static_cast<uint8_t>(unit >> 8);
        pDest[nOut++] = static_cast<uint8_t>(HexDigit(low >> 4));
        pDest[nOut++] = static_cast<uint8_t>(HexDigit(low));
        pDest[nOut++] = static_cast<uint8_t>(HexDigit(high >> 4));
        pDest[nOut++] = static_cast<uint8_t>(HexDigit(high));
    }
    pDest[nOut] = 0;
}

int CNarrowBuffer::Convert()
{
    if (m_nState == 1)
        return kDigestOk;
    m_nLength = 0;

    // A text too long for the 32-bit counts of this class cannot be held; treat it as the memory it would need.
    const uint64_t n = m_strText.size();
    if (4 * n + 2 > UINT32_MAX)
        return kDigestNoMemory;

    if (Reserve(static_cast<uint32_t>(n + 2)) != kDigestOk)
        return kDigestNoMemory;
    m_pData[0] = 0;
    if (n == 0) {
        m_nState = 1;
        return kDigestOk;
    }

    // The direct conversion stops at the first zero unit, as the C runtime's does, and fails on any unit above
    // 0x00FF before it.
    bool bDirect = true;
    size_t nOut = 0;
    for (const char16_t unit : m_strText) {
        if (unit == 0)
            break;
        if (unit > 0xFF) {
            bDirect = false;
            break;
        }
        m_pData[nOut++] = static_cast<uint8_t>(unit);
    }
    if (bDirect) {
        m_pData[nOut] = 0;
        m_nLength = static_cast<int32_t>(nOut);
        m_nState = 1;
        return kDigestOk;
    }

    m_nLength = 0;
    const auto nHexSize = static_cast<uint32_t>(4 * n + 2);
    if (Reserve(nHexSize) != kDigestOk) {
        m_nState = 1;
        return kDigestNoMemory;
    }
    m_pData[0] = 0;
    WideToHex(m_strText, m_pData.get(), nHexSize);
    m_nLength = static_cast<int32_t>(std::strlen(reinterpret_cast<const char*>(m_pData.get())));
    m_nState = 1;
    return kDigestOk;
}

CRBase::CRBase(const std::u16string& strText, int32_t nType, uint32_t dwInitial)
    : m_nType(nType), m_dwValue(dwInitial), m_buffer(strText)
{
}

uint32_t CRBase::Step(int32_t nType, uint32_t s, uint8_t byte)
{
    const uint32_t c = byte;
    switch (nType) {
    case 1:
        return ((s & 0x3FFFFFFFu) << 1) + ((s & 0xC0000000u) ? 1u : 0u) + c;
    case 2:
        return s ^ T(c);
    case 3: {
        const uint32_t b = (c ^ s ^ (s >> 8) ^ (s >> 16) ^ (s >> 24)) & 0xFFu;
        return s ^ T(b);
    }
    case 4:
        return Shl(c, ((c >> 3) + 8) & 15) ^ Shl(c, ((c >> 1) + 8) & 15) ^ Shl(c, (c >> 2) & 15) ^ Shl(c, c >> 4) ^
               (s + c);
    case 5:
        return ((Shl(c, ((c >> 4) + 8) & 15) ^ Shl(c, ((c >> 2) + 8) & 15) ^ Rotl8(s)) - Shl(c, 8)) ^
               Shl(c, (c >> 3) & 15) ^ Shl(c, c & 15);
    case 6: {
        uint32_t t = (s - c) ^ Shl(c, (c >> 4) + 24);
        t = (t + 1) ^ Shl(c, ((c >> 2) & 15) + 16);
        t = (t + 1) ^ Shl(c, 16 - ((c >> 1) & 15));
        t = (t + 1) ^ Shl(c, ((c >> 3) & 15) + 8);
        t = (t + 1) ^ Shl(c, c & 15);
        return t + 1;
    }
    default:
        return s;
    }
}

void CRBase::Update(uint8_t c)
{
    m_dwValue = Step(m_nType, m_dwValue, c);
}

int CRBase::Run()
{
    const int nResult = m_buffer.Convert();
    if (nResult != kDigestOk)
        return nResult;
    const uint8_t* pData = m_buffer.GetData();
    for (int32_t i = 0; i < m_buffer.GetLength(); ++i)
        Update(pData[i]);
    return kDigestOk;
}

std::optional<uint32_t> DigestText(const std::u16string& strText)
{
    CRBase digest(strText, 3);
    // A conversion that ran out of memory fed nothing: the state is still the initial one, which is no digest of
    // the text, and must never be taken for one.
    if (digest.Run() != kDigestOk)
        return std::nullopt;
    return digest.GetValue();
}
