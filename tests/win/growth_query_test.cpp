// The growth loop of the Windows buffer queries. The loop is plain C++, so these tests run on every target.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "inventory/win/growth_query.h"

namespace {

// A query that gives the scripted answers in turn and records what it was offered. On success it fills the buffer
// with 'a', 'b', 'c', ... so that the result shows how much of it was taken.
class CScriptedQuery {
public:
    explicit CScriptedQuery(std::vector<CQueryAnswer> answers) : m_answers(std::move(answers)) {}

    CQueryAnswer operator()(char16_t* pBuffer, uint32_t nSize)
    {
        m_offered.push_back(nSize);
        m_nullWhenEmpty = m_nullWhenEmpty && ((pBuffer == nullptr) == (nSize == 0));
        if (m_nCall >= m_answers.size()) {
            ++m_nCall;
            return {EQueryResult::Failure, 0};  // more calls than scripted: the test fails on the count
        }
        const CQueryAnswer answer = m_answers[m_nCall++];
        if (answer.m_result == EQueryResult::Success) {
            for (uint32_t i = 0; i < nSize; ++i)
                pBuffer[i] = static_cast<char16_t>(u'a' + i % 26);
        }
        return answer;
    }

    std::vector<uint32_t> m_offered;
    bool m_nullWhenEmpty = true;

private:
    std::vector<CQueryAnswer> m_answers;
    size_t m_nCall = 0;
};

constexpr CQueryAnswer Ok(uint32_t n) { return {EQueryResult::Success, n}; }
constexpr CQueryAnswer More(uint32_t n) { return {EQueryResult::InsufficientBuffer, n}; }
constexpr CQueryAnswer Fail() { return {EQueryResult::Failure, 0}; }

struct GrowthCase {
    const char* name;
    std::vector<CQueryAnswer> answers;
    std::vector<uint32_t> offered;           // the buffer sizes the calls got, in order
    std::optional<std::u16string> expected;  // the filled part of the buffer
};

TEST(GrowthQueryTest, Rounds)
{
    const uint32_t kHuge = static_cast<uint32_t>(kMaxQueryBufferBytes / sizeof(char16_t) + 1);
    const GrowthCase cases[] = {
        {"size query, then success with the size asked for", {More(5), Ok(5)}, {0, 5}, u"abcde"},
        {"success on the first call with no buffer gives nothing, read", {Ok(0)}, {0}, u""},
        {"a call that fills less than the buffer gives what it filled", {More(10), Ok(6)}, {0, 10}, u"abcdef"},
        {"a call that claims more than the buffer gives the buffer", {More(4), Ok(9)}, {0, 4}, u"abcd"},
        {"another failure after growth gives none", {More(5), Fail()}, {0, 5}, std::nullopt},
        {"another failure at once gives none", {Fail()}, {0}, std::nullopt},
        {"a size asked for that does not grow stops the loop", {More(5), More(5)}, {0, 5}, std::nullopt},
        {"a size asked for that shrinks stops the loop", {More(8), More(3)}, {0, 8}, std::nullopt},
        {"asking for nothing stops the loop", {More(0)}, {0}, std::nullopt},
        {"growing until the fourth call still succeeds", {More(2), More(3), More(4), Ok(4)}, {0, 2, 3, 4}, u"abcd"},
        {"endless growth stops after four calls",
         {More(2), More(3), More(4), More(5), More(6), Ok(6)},
         {0, 2, 3, 4},
         std::nullopt},
        {"a size beyond any real answer is not allocated", {More(kHuge), Ok(kHuge)}, {0}, std::nullopt},
    };
    for (const GrowthCase& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedQuery query(c.answers);
        const std::optional<std::vector<char16_t>> result =
            QueryWithGrowth<char16_t>([&query](char16_t* p, uint32_t n) { return query(p, n); });
        EXPECT_EQ(query.m_offered, c.offered);
        EXPECT_TRUE(query.m_nullWhenEmpty);
        ASSERT_EQ(result.has_value(), c.expected.has_value());
        if (result) {
            EXPECT_EQ(std::u16string(result->begin(), result->end()), *c.expected);
        }
    }
}

// One source object asks for every device in turn: a device whose query failed after growing leaves nothing behind,
// and the next one starts again from no buffer and a size of 0.
TEST(GrowthQueryTest, EveryQueryStartsFromNoBuffer)
{
    CScriptedQuery query({More(7), Fail(), More(3), Ok(3)});
    auto run = [&query] {
        return QueryWithGrowth<char16_t>([&query](char16_t* p, uint32_t n) { return query(p, n); });
    };
    EXPECT_FALSE(run().has_value());
    const auto second = run();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(std::u16string(second->begin(), second->end()), u"abc");
    EXPECT_EQ(query.m_offered, (std::vector<uint32_t>{0, 7, 0, 3}));
    EXPECT_TRUE(query.m_nullWhenEmpty);
}

// Sizes are in the units of the buffer: bytes for a registry property, characters for an instance ID.
TEST(GrowthQueryTest, ByteBuffersGrowInBytes)
{
    std::vector<uint32_t> offered;
    const auto result = QueryWithGrowth<uint8_t>([&offered](uint8_t* p, uint32_t n) -> CQueryAnswer {
        offered.push_back(n);
        if (n < 6)
            return More(6);
        const uint8_t data[6] = {'{', 0, 'a', 0, 0, 0};
        for (uint32_t i = 0; i < 6; ++i)
            p[i] = data[i];
        return Ok(6);
    });
    EXPECT_EQ(offered, (std::vector<uint32_t>{0, 6}));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(TextUpToNull(*result), u"{a");
}

TEST(GrowthQueryTest, TextUpToNull)
{
    EXPECT_EQ(TextUpToNull(std::vector<char16_t>{u'P', u'C', u'I', 0, u'X'}), u"PCI");
    EXPECT_EQ(TextUpToNull(std::vector<char16_t>{u'P', u'C', u'I'}), u"PCI");  // no null: the whole buffer
    EXPECT_EQ(TextUpToNull(std::vector<char16_t>{}), u"");

    // Little-endian UTF-16 bytes, as the registry stores a string.
    EXPECT_EQ(TextUpToNull(std::vector<uint8_t>{'{', 0, 0x3A, 0x04, 0, 0, 'x', 0}), u"{\u043A");
    EXPECT_EQ(TextUpToNull(std::vector<uint8_t>{'a', 0, 'b', 0}), u"ab");
    EXPECT_EQ(TextUpToNull(std::vector<uint8_t>{'a', 0, 'b'}), u"a");  // an odd last byte is no character
    EXPECT_EQ(TextUpToNull(std::vector<uint8_t>{}), u"");
}

}  // namespace
