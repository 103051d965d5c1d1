#include "hostid/release_host_id.h"

#include <gtest/gtest.h>

#include "inventory/hid_dev_net.h"
#include "support/make_record.h"

namespace {

struct HostIdCase {
    const char* name;
    CHidDevNet record;
    std::u16string input;
    uint32_t value;
    std::u16string text;
};

TEST(ReleaseHostIdTest, DigestInputRulesAndTexts)
{
    const HostIdCase cases[] = {
        {"pci", MakeRecord(u"", HID_BUS_PCI | HID_RES_MEM, u"001A2B3C4D5E"), u"001A2B3C4D5E", 0x449D9572,
         u"44-9D-95-72-3E"},
        {"wireless", MakeRecord(u"", HID_BUS_PCI, u"001A2B3C4D5E", true), u"00-1A-2B-3C-4D-5E", 0xBFC57CE2,
         u"BF-C5-7C-E2-E4"},
        {"usb lower-case guid", MakeRecord(u"{12345678-9abc-def0-1234-56789abcdef0}", HID_BUS_USB, u"001A2B3C4D5E"),
         u"001A2B3C4D5E{12345678-9abc-def0-1234-56789abcdef0}", 0xC24DF582, u"C2-4D-F5-82-F8"},
        {"usb upper-case guid", MakeRecord(u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", HID_BUS_USB, u"001A2B3C4D5E"),
         u"001A2B3C4D5E{12345678-9ABC-DEF0-1234-56789ABCDEF0}", 0x154627F2, u"15-46-27-F2-86"},
        {"other bus", MakeRecord(u"{12345678-9abc-def0-1234-56789abcdef0}", HID_BUS_OTHER, u"001A2B3C4D5E"),
         u"001A2B3C4D5E{12345678-9abc-def0-1234-56789abcdef0}", 0xC24DF582, u"C2-4D-F5-82-F8"},
        {"both top bits",
         MakeRecord(u"{12345678-9abc-def0-1234-56789abcdef0}", HID_BUS_OTHER | HID_BUS_USB, u"001A2B3C4D5E"),
         u"001A2B3C4D5E{12345678-9abc-def0-1234-56789abcdef0}", 0xC24DF582, u"C2-4D-F5-82-F8"},
        {"wireless on usb", MakeRecord(u"{12345678-9abc-def0-1234-56789abcdef0}", HID_BUS_USB, u"001A2B3C4D5E", true),
         u"00-1A-2B-3C-4D-5E", 0xBFC57CE2, u"BF-C5-7C-E2-E4"},
        {"no flags at all", MakeRecord(u"", 0, u"001A2B3C4D5E"), u"001A2B3C4D5E", 0x449D9572, u"44-9D-95-72-3E"},
    };
    for (const HostIdCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CReleaseHostId::DigestInput(c.record), c.input);
        CReleaseHostId hostId(c.record);
        EXPECT_TRUE(hostId.IsValid());
        EXPECT_EQ(hostId.GetHostId(), c.value);
        EXPECT_EQ(hostId.GetSource(), c.input);
        EXPECT_EQ(hostId.GetHostIdText(), c.text);
    }
}

TEST(ReleaseHostIdTest, EmptyAddressGivesNoHostId)
{
    CReleaseHostId hostId(MakeRecord(u"{12345678-9abc-def0-1234-56789abcdef0}", HID_BUS_PCI));
    EXPECT_FALSE(hostId.IsValid());
    EXPECT_EQ(hostId.GetHostId(), 0u);
    EXPECT_EQ(hostId.GetHostIdText(), u"");
    EXPECT_EQ(CReleaseHostId::DigestInput(MakeRecord(u"", HID_BUS_USB, u"", true)), u"");
}

TEST(ReleaseHostIdTest, CalculateHostId)
{
    CReleaseHostId hostId(MakeRecord(u"", HID_BUS_PCI, u"001A2B3C4D5E"));
    // The digest of abc already ends in the type code.
    EXPECT_EQ(hostId.CalculateHostId(u"abc"), 0xFE751B12u);
    EXPECT_EQ(hostId.GetSource(), u"abc");
    EXPECT_EQ(FormatHostIdText(0xFE751B12u), u"FE-75-1B-12-82");
    // The empty text takes no digest and gets no type code.
    EXPECT_EQ(hostId.CalculateHostId(u""), 0u);
    EXPECT_EQ(hostId.GetSource(), u"");
}

TEST(ReleaseHostIdTest, CheckByteIsXorOfTheFourBytes)
{
    EXPECT_EQ(FormatHostIdText(0x449D9572u), u"44-9D-95-72-3E");
    EXPECT_EQ(FormatHostIdText(0x00000002u), u"00-00-00-02-02");
    EXPECT_EQ(FormatHostIdText(0xFFFFFFF2u), u"FF-FF-FF-F2-0D");
    for (uint32_t value : {0x12345672u, 0xA0B0C0D2u, 0x80000002u}) {
        const std::u16string text = FormatHostIdText(value);
        ASSERT_EQ(text.size(), 14u);
        uint32_t all = 0;
        for (size_t i = 0; i < 14; i += 3)
            all ^= static_cast<uint32_t>(std::stoul(std::string(text.begin() + i, text.begin() + i + 2), nullptr, 16));
        EXPECT_EQ(all, 0u) << value;
    }
}

TEST(ReleaseHostIdTest, PairingOfAddressTexts)
{
    EXPECT_EQ(PairAddressText(u"001A2B3C4D5E"), u"00-1A-2B-3C-4D-5E");
    EXPECT_EQ(PairAddressText(u"0011223344556677"), u"00-11-22-33-44-55-66-77");
    EXPECT_EQ(PairAddressText(u"ABC"), u"AB-C");
    EXPECT_EQ(PairAddressText(u"A"), u"A");
    EXPECT_EQ(PairAddressText(u""), u"");
}

}  // namespace
