#include "common/keyed_hash.h"

#include <chrono>
#include <cstring>

#include "common/system_random.h"

namespace {

constexpr uint64_t RotateLeft(uint64_t n, int nBits) { return (n << nBits) | (n >> (64 - nBits)); }

// SipHash with one compression round per word and three finalization rounds (SipHash-1-3), fed a byte at a time
// so that folded texts need no copy.
class CSipHasher {
public:
    explicit CSipHasher(const CHashKey& key)
        : m_v0(key.nK0 ^ 0x736f6d6570736575ull), m_v1(key.nK1 ^ 0x646f72616e646f6dull),
          m_v2(key.nK0 ^ 0x6c7967656e657261ull), m_v3(key.nK1 ^ 0x7465646279746573ull)
    {
    }

    void AddByte(uint8_t byte)
    {
        m_nWord |= static_cast<uint64_t>(byte) << (8 * (m_nLength & 7));
        if ((++m_nLength & 7) == 0) {
            Compress(m_nWord);
            m_nWord = 0;
        }
    }

    uint64_t Finish()
    {
        Compress(m_nWord | (static_cast<uint64_t>(m_nLength & 0xFF) << 56));
        m_v2 ^= 0xFF;
        for (int i = 0; i < 3; ++i)
            Round();
        return m_v0 ^ m_v1 ^ m_v2 ^ m_v3;
    }

private:
    void Round()
    {
        m_v0 += m_v1;
        m_v1 = RotateLeft(m_v1, 13);
        m_v1 ^= m_v0;
        m_v0 = RotateLeft(m_v0, 32);
        m_v2 += m_v3;
        m_v3 = RotateLeft(m_v3, 16);
        m_v3 ^= m_v2;
        m_v0 += m_v3;
        m_v3 = RotateLeft(m_v3, 21);
        m_v3 ^= m_v0;
        m_v2 += m_v1;
        m_v1 = RotateLeft(m_v1, 17);
        m_v1 ^= m_v2;
        m_v2 = RotateLeft(m_v2, 32);
    }

    void Compress(uint64_t nWord)
    {
        m_v3 ^= nWord;
        Round();
        m_v0 ^= nWord;
    }

    uint64_t m_v0, m_v1, m_v2, m_v3;
    uint64_t m_nWord = 0;
    uint64_t m_nLength = 0;
};

// A finalizer that spreads every input bit over the whole word (splitmix64's).
uint64_t Mix(uint64_t n)
{
    n += 0x9e3779b97f4a7c15ull;
    n = (n ^ (n >> 30)) * 0xbf58476d1ce4e5b9ull;
    n = (n ^ (n >> 27)) * 0x94d049bb133111ebull;
    return n ^ (n >> 31);
}

CHashKey DrawKey()
{
    CHashKey key{};
    uint8_t bytes[16] = {};
    if (FillSystemRandom(bytes, sizeof(bytes))) {
        std::memcpy(&key.nK0, bytes, 8);
        std::memcpy(&key.nK1, bytes + 8, 8);
        return key;
    }
    // No source answered. The clocks and the addresses that address-space randomization places differ from one
    // run to the next, which is far from a secret but still more than a file written in advance can know.
    const int nLocal = 0;
    const uint64_t nWall = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const uint64_t nSteady = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t nStack = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&nLocal));
    const uint64_t nCode = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&DrawKey));
    key.nK0 = Mix(nWall ^ Mix(nStack));
    key.nK1 = Mix(nSteady ^ Mix(nCode ^ key.nK0));
    return key;
}

const CHashKey& Key()
{
    static const CHashKey key = DrawKey();
    return key;
}

constexpr uint8_t FoldByte(uint8_t byte) { return (byte >= 'A' && byte <= 'Z') ? uint8_t(byte + 32) : byte; }
constexpr char16_t FoldUnit(char16_t unit) { return (unit >= u'A' && unit <= u'Z') ? char16_t(unit + 32) : unit; }

}  // namespace

CHashKey ProcessHashKey() { return Key(); }

uint64_t KeyedHash(const void* pData, size_t nBytes)
{
    CSipHasher hasher(Key());
    const auto* pBytes = static_cast<const uint8_t*>(pData);
    for (size_t i = 0; i < nBytes; ++i)
        hasher.AddByte(pBytes[i]);
    return hasher.Finish();
}

uint64_t KeyedHash(std::u16string_view text)
{
    CSipHasher hasher(Key());
    for (const char16_t unit : text) {
        hasher.AddByte(static_cast<uint8_t>(unit & 0xFF));
        hasher.AddByte(static_cast<uint8_t>(unit >> 8));
    }
    return hasher.Finish();
}

uint64_t KeyedHashNoCase(std::string_view text)
{
    CSipHasher hasher(Key());
    for (const char ch : text)
        hasher.AddByte(FoldByte(static_cast<uint8_t>(ch)));
    return hasher.Finish();
}

uint64_t KeyedHashNoCase(std::u16string_view text)
{
    CSipHasher hasher(Key());
    for (const char16_t unit : text) {
        const char16_t folded = FoldUnit(unit);
        hasher.AddByte(static_cast<uint8_t>(folded & 0xFF));
        hasher.AddByte(static_cast<uint8_t>(folded >> 8));
    }
    return hasher.Finish();
}
