#include "inventory/linux/sha1.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t RotateLeft(uint32_t value, int nBits) { return (value << nBits) | (value >> (32 - nBits)); }

}  // namespace

CSha1::CSha1() : m_state{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u}, m_block{} {}

void CSha1::ProcessBlock(const uint8_t* pBlock)
{
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = uint32_t(pBlock[4 * i]) << 24 | uint32_t(pBlock[4 * i + 1]) << 16 | uint32_t(pBlock[4 * i + 2]) << 8 |
               uint32_t(pBlock[4 * i + 3]);
    }
    for (int i = 16; i < 80; ++i)
        w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3], e = m_state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f = 0;
        uint32_t k = 0;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const uint32_t temp = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = temp;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
}

void CSha1::Update(const uint8_t* pData, size_t nBytes)
{
    m_nTotalBytes += nBytes;
    while (nBytes > 0) {
        const size_t nTake = std::min(nBytes, sizeof(m_block) - m_nBlockUsed);
        std::memcpy(m_block + m_nBlockUsed, pData, nTake);
        m_nBlockUsed += nTake;
        pData += nTake;
        nBytes -= nTake;
        if (m_nBlockUsed == sizeof(m_block)) {
            ProcessBlock(m_block);
            m_nBlockUsed = 0;
        }
    }
}

CSha1::Digest CSha1::Finish()
{
    const uint64_t nBits = m_nTotalBytes * 8;
    static const uint8_t kPadding[64] = {0x80};
    // The message is followed by one 1 bit, zeros up to 56 bytes into a block, and its length in bits.
    const size_t nPad = m_nBlockUsed < 56 ? 56 - m_nBlockUsed : 120 - m_nBlockUsed;
    Update(kPadding, nPad);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<uint8_t>(nBits >> (56 - 8 * i));
    Update(length, sizeof(length));

    Digest digest{};
    for (int i = 0; i < 5; ++i) {
        digest[4 * i] = static_cast<uint8_t>(m_state[i] >> 24);
        digest[4 * i + 1] = static_cast<uint8_t>(m_state[i] >> 16);
        digest[4 * i + 2] = static_cast<uint8_t>(m_state[i] >> 8);
        digest[4 * i + 3] = static_cast<uint8_t>(m_state[i]);
    }
    return digest;
}

CSha1::Digest CSha1::Of(std::string_view text)
{
    CSha1 sha1;
    sha1.Update(text);
    return sha1.Finish();
}
