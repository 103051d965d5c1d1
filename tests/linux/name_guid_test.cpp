#include "inventory/linux/name_guid.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "inventory/linux/sha1.h"
#include "inventory/passes.h"

namespace {

std::string Hex(const CSha1::Digest& digest)
{
    std::string text;
    for (const uint8_t byte : digest)
        AppendHexByte(text, byte);
    return text;
}

struct Sha1Case {
    std::string message;
    const char* digest;
};

// The FIPS 180 examples, and lengths on both sides of the padding boundaries (55, 56, 63, 64, 119, 120 bytes).
TEST(Sha1Test, StandardVectors)
{
    const Sha1Case cases[] = {
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
         "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "A49B2446A02C645BF419F995B67091253A04A259"},
        {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
        {std::string(55, 'a'), "C1C8BBDC22796E28C0E15163D20899B65621D65A"},
        {std::string(56, 'a'), "C2DB330F6083854C99D4B5BFB6E8F29F201BE699"},
        {std::string(63, 'a'), "03F09F5B158A7A8CDAD920BDDC29B81C18A551F5"},
        {std::string(64, 'a'), "0098BA824B5C16427BD7A1122A5A442A25EC644D"},
        {std::string(119, 'a'), "EE971065AAA017E0632A8CA6C77BB3BF8B1DFC56"},
        {std::string(120, 'a'), "F34C1488385346A55709BA056DDD08280DD4C6D6"},
    };
    for (const Sha1Case& c : cases) {
        SCOPED_TRACE(c.message.size());
        EXPECT_EQ(Hex(CSha1::Of(c.message)), c.digest);
    }
}

TEST(Sha1Test, PiecewiseUpdatesGiveTheSameDigest)
{
    std::string message;
    for (int i = 0; i < 200; ++i)
        message.push_back(static_cast<char>(i * 7 + 3));
    const CSha1::Digest whole = CSha1::Of(message);
    for (size_t split = 0; split <= message.size(); ++split) {
        CSha1 sha1;
        sha1.Update(std::string_view(message).substr(0, split));
        sha1.Update(std::string_view(message).substr(split));
        ASSERT_EQ(sha1.Finish(), whole) << "split at " << split;
    }
}

struct GuidCase {
    const char* name;
    const char* guid;
};

// Expected values from an independent implementation (Python's uuid.uuid5).
TEST(NameGuidTest, DevicePathGuids)
{
    const GuidCase cases[] = {
        {"/sys/devices/pci0000:00/0000:00:1f.6", "{6f56eafe-1259-5f73-bd45-91391efa810e}"},
        {"/sys/devices/pci0000:00/0000:00:03.0/virtio2", "{2a8acb5f-78a9-5aa9-bdc6-60941b8d140b}"},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0", "{c97c74e8-93e1-5288-9290-019d73ac497d}"},
        {"/sys/devices/vif-0", "{8ace80db-9236-5584-be6e-abce78e39fdc}"},
        {"/sys/devices/platform/fe300000.ethernet", "{0914ad51-0d94-5a1a-89a0-c9cbce24536b}"},
        {"", "{9f01766e-cc6c-560a-a7a7-a1b51f55442c}"},
    };
    for (const GuidCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CGuidValue guid = NameBasedGuid(kSysfsDevicePathNamespace, c.name);
        EXPECT_EQ(FormatGuidText(guid), AsciiToUtf16(c.guid));
        EXPECT_EQ(guid.Data3 >> 12, 5);           // version 5
        EXPECT_EQ(guid.Data4[0] & 0xC0, 0x80);    // RFC 4122 variant
    }
}

TEST(NameGuidTest, StandardNamespaceExample)
{
    // The DNS namespace and "python.org", a widely published version 5 example.
    CGuidValue dns;
    ASSERT_TRUE(ParseGuidText(u"{6ba7b810-9dad-11d1-80b4-00c04fd430c8}", dns));
    EXPECT_EQ(FormatGuidText(NameBasedGuid(dns, "python.org")), u"{886313e1-3b8a-5372-9b90-0c9aee199e5d}");
}

}  // namespace
