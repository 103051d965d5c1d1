// The keyed hash against keys made to collide under the standard library's string hash: the containers and the
// GUID index that use it keep their buckets and probes short however the keys were chosen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inventory/hid_dev_net.h"
#include "core/colliding_keys.h"

namespace {

constexpr int kPlaces = 12;  // 4,096 keys

// Bytes 1 to 255 without the letters, so that no folding changes a key and a key read as UTF-16 units holds no
// ASCII letter either (every unit has a high byte that is not zero).
bool NoLetterAndNoZero(uint64_t nBlock)
{
    for (int i = 0; i < 8; ++i) {
        const auto byte = static_cast<uint8_t>(nBlock >> (8 * i));
        if (byte == 0 || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
            return false;
    }
    return true;
}

std::string NoLetterAlphabet()
{
    std::string alphabet;
    for (int byte = 1; byte < 256; ++byte) {
        if (!((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')))
            alphabet.push_back(static_cast<char>(byte));
    }
    return alphabet;
}

const std::vector<std::string>& Keys()
{
    static const std::vector<std::string> keys = colliding::MakeCollidingKeys(kPlaces, NoLetterAlphabet(),
                                                                              &NoLetterAndNoZero)
                                                     .value_or(std::vector<std::string>{});
    return keys;
}

std::u16string AsUnits(const std::string& bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(&text[0], bytes.data(), bytes.size());
    return text;
}

TEST(KeyedHashTest, TheKeysAreDistinctAndCollideUnderTheStandardHash)
{
    const std::vector<std::string>& keys = Keys();
    ASSERT_EQ(keys.size(), size_t{1} << kPlaces);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());
    const size_t nBytesHash = std::hash<std::string_view>()(keys[0]);
    const size_t nUnitsHash = std::hash<std::u16string_view>()(AsUnits(keys[0]));
    EXPECT_EQ(nBytesHash, colliding::HashBytes(keys[0]));
    for (const std::string& key : keys) {
        ASSERT_EQ(std::hash<std::string_view>()(key), nBytesHash);
        ASSERT_EQ(std::hash<std::u16string_view>()(AsUnits(key)), nUnitsHash);
    }
}

struct CBuckets {
    size_t nLargest = 0;
    size_t nDistinctHashes = 0;
};

template <class Set, class Key, class Hash>
CBuckets Fill(const std::vector<Key>& keys)
{
    Set set;
    std::set<size_t> hashes;
    for (const Key& key : keys) {
        set.insert(key);
        hashes.insert(Hash()(key));
    }
    CBuckets buckets;
    for (size_t i = 0; i < set.bucket_count(); ++i)
        buckets.nLargest = std::max(buckets.nLargest, set.bucket_size(i));
    buckets.nDistinctHashes = hashes.size();
    EXPECT_EQ(set.size(), keys.size());
    return buckets;
}

struct CNoCaseEqualBytes {
    bool operator()(std::string_view a, std::string_view b) const
    {
        auto fold = [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch; };
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [&](char chA, char chB) { return fold(chA) == fold(chB); });
    }
};
struct CNoCaseEqualUnits {
    bool operator()(std::u16string_view a, std::u16string_view b) const { return EqualsNoCase(a, b); }
};

TEST(KeyedHashTest, CollidingKeysSpreadOverTheBuckets)
{
    std::vector<std::string_view> bytes(Keys().begin(), Keys().end());
    std::vector<std::u16string> unitsOwned;
    for (const std::string& key : Keys())
        unitsOwned.push_back(AsUnits(key));
    std::vector<std::u16string_view> units(unitsOwned.begin(), unitsOwned.end());
    ASSERT_FALSE(bytes.empty());

    struct CCase {
        const char* pszName;
        CBuckets buckets;
    };
    const CCase cases[] = {
        {"bytes", Fill<std::unordered_set<std::string_view, CKeyedHash>, std::string_view, CKeyedHash>(bytes)},
        {"bytes, letter case folded",
         Fill<std::unordered_set<std::string_view, CKeyedNoCaseHash, CNoCaseEqualBytes>, std::string_view,
              CKeyedNoCaseHash>(bytes)},
        {"UTF-16", Fill<std::unordered_set<std::u16string_view, CKeyedHash>, std::u16string_view, CKeyedHash>(units)},
        {"UTF-16, letter case folded",
         Fill<std::unordered_set<std::u16string_view, CKeyedNoCaseHash, CNoCaseEqualUnits>, std::u16string_view,
              CKeyedNoCaseHash>(units)},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        // With about one key per bucket, the fullest of 4,096 buckets holds a handful by chance; a shared hash
        // would put all 4,096 into one.
        EXPECT_LE(c.buckets.nLargest, 12u);
        EXPECT_GE(c.buckets.nDistinctHashes, bytes.size() - 1);
    }
}

TEST(KeyedHashTest, GuidIndexProbesStayShortForCollidingTexts)
{
    CDeviceList list;
    for (const std::string& key : Keys()) {
        CHidDevNet record;
        record.m_strGuid = AsUnits(key);
        ASSERT_TRUE(AppendRecord(list, std::move(record)));
    }
    ASSERT_GT(list.GetCount(), 0u);
    const CGuidIndex index(list);
    for (const std::string& key : Keys())
        ASSERT_NE(index.Find(AsUnits(key)), nullptr);
    // Each build step and each lookup probes a few slots on average; a shared hash makes them walk all earlier
    // texts, about n * n / 2 steps in all.
    EXPECT_LE(index.GetSteps(), 8 * 2 * list.GetCount());
}

TEST(KeyedHashTest, FoldsTheLettersAToZOnly)
{
    struct CCase {
        std::u16string a;
        std::u16string b;
        bool bNoCaseEqual;
    };
    const CCase cases[] = {
        {u"{6B7D3F10-ABCD}", u"{6b7d3f10-abcd}", true},
        {u"WLAN0", u"wlan0", true},
        {u"[", u"{", false},  // 0x5B and 0x7B differ by 32 as letters of two cases do, but are no letters
        {u"@", u"`", false},
        {u"\u00C4", u"\u00E4", false},  // Windows' device names fold only A to Z here
        {u"abc", u"abd", false},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.a) + " / " + Utf16ToUtf8(c.b));
        EXPECT_EQ(KeyedHashNoCase(c.a) == KeyedHashNoCase(c.b), c.bNoCaseEqual);
        EXPECT_EQ(KeyedHashNoCase(Utf16ToUtf8(c.a)) == KeyedHashNoCase(Utf16ToUtf8(c.b)), c.bNoCaseEqual);
        EXPECT_NE(KeyedHash(c.a), KeyedHash(c.b));
        EXPECT_NE(KeyedHash(Utf16ToUtf8(c.a)), KeyedHash(Utf16ToUtf8(c.b)));
    }
}

}  // namespace
