#include "hostid/digest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

uint32_t Digest(const std::u16string& text, int32_t type)
{
    CRBase digest(text, type);
    EXPECT_EQ(digest.Run(), kDigestOk);
    return digest.GetValue();
}

// The state after each of the three bytes of "abc", for every kind.
struct KindSteps {
    int32_t type;
    uint32_t afterA, afterAB, afterABC;
};

const KindSteps kAbcSteps[] = {
    {1, 0x00000061, 0x00000124, 0x000002AB},
    {2, 0x792106D2, 0xA5C3017A, 0x7B600452},
    {3, 0x792106D2, 0xFE6A9B12, 0xFE751B12},
    {4, 0x00001E31, 0x0000A633, 0x00001D66},
    {5, 0x0011CFA3, 0x11D0E0EA, 0xD0F1F46A},
    {6, 0xD88EFF62, 0x3C9FFE8D, 0x999E7D37},
};

TEST(DigestTest, AbcStepByStepUnderEveryKind)
{
    for (const KindSteps& k : kAbcSteps) {
        SCOPED_TRACE(k.type);
        CRBase digest(u"", k.type);
        digest.Update('a');
        EXPECT_EQ(digest.GetValue(), k.afterA);
        digest.Update('b');
        EXPECT_EQ(digest.GetValue(), k.afterAB);
        digest.Update('c');
        EXPECT_EQ(digest.GetValue(), k.afterABC);
        EXPECT_EQ(Digest(u"abc", k.type), k.afterABC);
    }
}

TEST(DigestTest, AddressTextUnderEveryKind)
{
    const uint32_t expected[] = {0x00031A6F, 0x01B849D6, 0x449D957E, 0x000F23B8, 0xF20BE5DC, 0x47B1454E};
    for (int32_t type = 1; type <= 6; ++type)
        EXPECT_EQ(Digest(u"001A2B3C4D5E", type), expected[type - 1]) << "kind " << type;
}

TEST(DigestTest, KindThreeExamples)
{
    EXPECT_EQ(DigestText(u"001A2B3C4D5E"), 0x449D957Eu);
    EXPECT_EQ(DigestText(u"00-1A-2B-3C-4D-5E"), 0xBFC57CEFu);
    EXPECT_EQ(DigestText(u"abc"), 0xFE751B12u);
    EXPECT_EQ(DigestText(u""), 0u);
}

TEST(DigestTest, UnknownKindLeavesStateUnchanged)
{
    for (const int32_t type : {0, 7, -1, 1000})
        EXPECT_EQ(Digest(u"001A2B3C4D5E", type), 0u) << type;
    CRBase seeded(u"abc", 0, 0x12345678);
    seeded.Run();
    EXPECT_EQ(seeded.GetValue(), 0x12345678u);
}

TEST(DigestTest, ShiftCountsOfThirtyTwoAndMoreWrap)
{
    // For the byte 0x40 the first copy in T is shifted by 32, which takes effect as 0: it cancels the fifth copy.
    EXPECT_EQ(CRBase::Step(2, 0, 0x40), 0x44004000u);
    // Every byte and kind runs through the shift helpers; the sanitizer build catches any undefined shift. The
    // expected values were worked out apart from this code, by a separate calculation that follows the update rules
    // word for word: from the state 0xDEADBEEF, single bytes whose counts wrap (0x40, 0x9F, 0xFF) and the sum over all
    // 256 bytes, so that a wrong count for any byte shows.
    struct StepCase {
        int32_t type;
        uint32_t after00, after40, after9F, afterFF, sumOfAll;
    };
    const StepCase cases[] = {
        {1, 0x3D5B7DDF, 0x3D5B7E1F, 0x3D5B7E7E, 0x3D5B7EDE, 0x5B7E5E80},
        {2, 0xDEADBEEF, 0x9AADFEEF, 0x18ADF16F, 0x21523EEF, 0x77E721A0},
        {3, 0xBA07BE67, 0x024FB947, 0xE83A31AF, 0x7ED8AF47, 0x77E721A0},
        {4, 0xDEADBEEF, 0xDEADFB2F, 0xDEA8798E, 0xDEADBFEE, 0xAE4A5634},
        {5, 0xADBEEFDE, 0xADBA2F9E, 0xADBF4B18, 0xADBDF0DE, 0xB43286A4},
        {6, 0xDEADBEF4, 0xDEEDBEF4, 0x9166C651, 0x2152438F, 0xBA52F840},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(CRBase::Step(c.type, 0xDEADBEEF, 0x00), c.after00);
        EXPECT_EQ(CRBase::Step(c.type, 0xDEADBEEF, 0x40), c.after40);
        EXPECT_EQ(CRBase::Step(c.type, 0xDEADBEEF, 0x9F), c.after9F);
        EXPECT_EQ(CRBase::Step(c.type, 0xDEADBEEF, 0xFF), c.afterFF);
        uint32_t sum = 0;
        for (uint32_t b = 0; b < 256; ++b)
            sum += CRBase::Step(c.type, 0xDEADBEEF, static_cast<uint8_t>(b));
        EXPECT_EQ(sum, c.sumOfAll);
    }
}

TEST(DigestTest, EuroSignFallsBackToHexForm)
{
    const std::u16string text = {u'a', u'b', char16_t(0x20AC)};
    CNarrowBuffer buffer(text);
    ASSERT_EQ(buffer.Convert(), kDigestOk);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer.GetData()), "61006200AC20");
    EXPECT_EQ(buffer.GetLength(), 12);
    EXPECT_EQ(DigestText(text), 0x05F417A6u);
    EXPECT_EQ(DigestText(text), DigestText(u"61006200AC20"));
}

TEST(DigestTest, LatinOneUnitsConvertDirectly)
{
    const std::u16string text = {char16_t(0xE9), char16_t(0xFF), char16_t(0x80)};
    CNarrowBuffer buffer(text);
    ASSERT_EQ(buffer.Convert(), kDigestOk);
    EXPECT_EQ(buffer.GetLength(), 3);
    EXPECT_EQ(std::memcmp(buffer.GetData(), "\xE9\xFF\x80", 4), 0);
}

TEST(DigestTest, ConversionStopsAtZeroUnit)
{
    // The C runtime's conversion ends at the terminating null, so nothing after it is looked at.
    const std::u16string text = {u'a', u'b', 0, char16_t(0x20AC)};
    CNarrowBuffer buffer(text);
    ASSERT_EQ(buffer.Convert(), kDigestOk);
    EXPECT_EQ(buffer.GetLength(), 2);
    EXPECT_EQ(DigestText(text), DigestText(u"ab"));
}

struct BlockCase {
    size_t units;
    char16_t fill;
    uint32_t capacity;
};

TEST(DigestTest, ConversionBlockSizes)
{
    const BlockCase cases[] = {
        {0, u'a', 256},
        {1, u'a', 256},
        {252, u'a', 256},
        {253, u'a', 512},
        {508, u'a', 512},
        {509, u'a', 768},
        // The hexadecimal form needs 4n + 4 bytes: 63 units fit in 256, 64 units need 260.
        {63, char16_t(0x20AC), 256},
        {64, char16_t(0x20AC), 512},
    };
    for (const BlockCase& c : cases) {
        CNarrowBuffer buffer(std::u16string(c.units, c.fill));
        ASSERT_EQ(buffer.Convert(), kDigestOk);
        EXPECT_EQ(buffer.GetCapacity(), c.capacity) << c.units << " units";
        EXPECT_EQ(buffer.GetLength(), static_cast<int32_t>(c.fill > 0xFF ? 4 * c.units : c.units));
    }
}

TEST(DigestTest, ReserveKeepsABlockThatIsLargeEnough)
{
    CNarrowBuffer buffer(u"");
    ASSERT_EQ(buffer.Reserve(10), kDigestOk);
    const uint8_t* first = buffer.GetData();
    ASSERT_EQ(buffer.Reserve(254), kDigestOk);  // 256 bytes needed: the block is large enough
    EXPECT_EQ(buffer.GetData(), first);
    EXPECT_EQ(buffer.GetCapacity(), 256u);
    ASSERT_EQ(buffer.Reserve(255), kDigestOk);
    EXPECT_EQ(buffer.GetCapacity(), 512u);
}

TEST(DigestTest, SecondConvertChangesNothing)
{
    CNarrowBuffer buffer(u"abc");
    ASSERT_EQ(buffer.Convert(), kDigestOk);
    const uint8_t* data = buffer.GetData();
    EXPECT_EQ(buffer.GetState(), 1);
    ASSERT_EQ(buffer.Convert(), kDigestOk);
    EXPECT_EQ(buffer.GetData(), data);
    EXPECT_EQ(buffer.GetLength(), 3);
}

uint8_t* FailAlways(size_t)
{
    return nullptr;
}

int g_allocationsLeft = 0;
uint8_t* FailAfterCount(size_t n)
{
    if (g_allocationsLeft-- <= 0)
        return nullptr;
    return new (std::nothrow) uint8_t[n];
}

TEST(DigestTest, MemoryExhaustion)
{
    // The first allocation fails: 12, and the object may try again later.
    CNarrowBuffer first(u"abc");
    first.SetAllocator(FailAlways);
    EXPECT_EQ(first.Convert(), kDigestNoMemory);
    EXPECT_EQ(first.GetState(), 0);

    // The fallback's allocation fails: 12, and the object counts as converted with nothing in it.
    g_allocationsLeft = 1;
    CNarrowBuffer second(std::u16string(100, char16_t(0x20AC)));
    second.SetAllocator(FailAfterCount);
    EXPECT_EQ(second.Convert(), kDigestNoMemory);
    EXPECT_EQ(second.GetState(), 1);
    EXPECT_EQ(second.GetLength(), 0);
    EXPECT_EQ(second.Convert(), kDigestOk);
}

TEST(DigestTest, WideToHexNeverWritesPastTheBuffer)
{
    std::vector<uint8_t> out(11, 0xEE);
    CNarrowBuffer::WideToHex(u"abc", out.data(), 10);
    EXPECT_STREQ(reinterpret_cast<const char*>(out.data()), "61006200");
    EXPECT_EQ(out[10], 0xEE);
}

}  // namespace
