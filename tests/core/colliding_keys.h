#pragma once

// Keys whose hashes under libstdc++'s std::hash for strings all share one value, made directly rather than searched
// for. That hash (std::_Hash_bytes, seed 0xc70f6907) takes the text in 8-byte blocks; each block goes through a
// mixing step that can be inverted and is then XORed into the state, which is multiplied by a constant. So for any
// first block a second one can be computed that brings the state to a chosen value. Two 16-byte chunks that reach
// the same state from the same state are interchangeable; with one such pair at each of n places, the 2^n ways of
// choosing give 2^n keys of one length and one hash. The second block of a pair comes from the inversion and must
// hold only allowed bytes, which a bounded number of tries finds: the alphabets used here let about one try in
// four thousand through in the worst case, and the tries stop at kMaxTries per pair.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace colliding {

constexpr uint64_t kMul = (uint64_t{0xc6a4a793} << 32) + 0x5bd1e995;
constexpr uint64_t kSeed = 0xc70f6907;
constexpr int kMaxTries = 1 << 22;

constexpr uint64_t ShiftMix(uint64_t n) { return n ^ (n >> 47); }

// The multiplicative inverse of the odd constant, by Newton's iteration (each step doubles the correct low bits).
constexpr uint64_t Inverse(uint64_t n)
{
    uint64_t x = n;
    for (int i = 0; i < 6; ++i)
        x *= 2 - n * x;
    return x;
}
constexpr uint64_t kMulInverse = Inverse(kMul);
static_assert(kMul * kMulInverse == 1, "the inverse of the multiplier");

// The mixing of one block and its inverse (ShiftMix undoes itself, since 47 is more than half of 64).
constexpr uint64_t MixBlock(uint64_t nBlock) { return ShiftMix(nBlock * kMul) * kMul; }
constexpr uint64_t UnmixBlock(uint64_t nMixed) { return ShiftMix(nMixed * kMulInverse) * kMulInverse; }

// The hash itself, for keys whose length is a multiple of 8 (all the keys made here).
inline uint64_t HashBytes(const std::string& bytes)
{
    uint64_t nHash = kSeed ^ (bytes.size() * kMul);
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        uint64_t nBlock = 0;
        std::memcpy(&nBlock, bytes.data() + i, 8);
        nHash = (nHash ^ MixBlock(nBlock)) * kMul;
    }
    return ShiftMix(ShiftMix(nHash) * kMul);
}

// Whether a block of 8 bytes (as a little-endian word) may appear in a key.
using BlockAllowed = bool (*)(uint64_t nBlock);

// 2^nPlaces keys of 16 * nPlaces bytes each, all with one hash; none when the tries ran out. Blocks are drawn from
// a fixed sequence, so the keys are the same on every run. The pair at each place is told apart without regard to
// the case of A to Z, so no two keys are equal apart from letter case either.
inline std::optional<std::vector<std::string>> MakeCollidingKeys(int nPlaces, const std::string& alphabet,
                                                                BlockAllowed allowed)
{
    uint64_t nRandom = 0x5eed;
    auto draw = [&]() {
        uint64_t nBlock = 0;
        for (int i = 0; i < 8; ++i) {
            nRandom = nRandom * 6364136223846793005ull + 1442695040888963407ull;
            nBlock |= uint64_t(static_cast<uint8_t>(alphabet[(nRandom >> 33) % alphabet.size()])) << (8 * i);
        }
        return nBlock;
    };
    auto fold = [](uint64_t nBlock) {
        for (int i = 0; i < 8; ++i) {
            const uint64_t byte = (nBlock >> (8 * i)) & 0xFF;
            if (byte >= 'A' && byte <= 'Z')
                nBlock += uint64_t{32} << (8 * i);
        }
        return nBlock;
    };
    const size_t nLength = 16 * static_cast<size_t>(nPlaces);
    uint64_t nState = kSeed ^ (nLength * kMul);
    std::vector<std::pair<uint64_t, uint64_t>> first, second;
    for (int nPlace = 0; nPlace < nPlaces; ++nPlace) {
        const uint64_t a1 = draw(), a2 = draw();
        const uint64_t nTarget = ((nState ^ MixBlock(a1)) * kMul) ^ MixBlock(a2);
        bool bFound = false;
        for (int nTry = 0; nTry < kMaxTries && !bFound; ++nTry) {
            const uint64_t b1 = draw();
            const uint64_t b2 = UnmixBlock(nTarget ^ ((nState ^ MixBlock(b1)) * kMul));
            if (allowed(b2) && (fold(a1) != fold(b1) || fold(a2) != fold(b2))) {
                first.emplace_back(a1, a2);
                second.emplace_back(b1, b2);
                bFound = true;
            }
        }
        if (!bFound)
            return std::nullopt;
        nState = nTarget * kMul;
    }
    std::vector<std::string> keys;
    keys.reserve(size_t{1} << nPlaces);
    for (size_t nChoice = 0; nChoice < (size_t{1} << nPlaces); ++nChoice) {
        std::string key(nLength, '\0');
        for (int nPlace = 0; nPlace < nPlaces; ++nPlace) {
            const auto& pair = ((nChoice >> nPlace) & 1) ? second[nPlace] : first[nPlace];
            std::memcpy(&key[16 * nPlace], &pair.first, 8);
            std::memcpy(&key[16 * nPlace + 8], &pair.second, 8);
        }
        keys.push_back(std::move(key));
    }
    return keys;
}

}  // namespace colliding
