#include "inventory/classification.h"

#include <gtest/gtest.h>

#include "inventory/hid_dev_net.h"
#include "test_text.h"

namespace {

struct ClassificationCase {
    const char* input;
    const char* enumerator;      // what both routines leave of the text
    uint32_t fromInstanceId;
    uint32_t fromComponentId;
};

// Every example text through both routines, side by side, so the differences stand next to each other.
const ClassificationCase kCases[] = {
    {"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&267A616A&0&18", "PCI", HID_BUS_PCI, HID_BUS_PCI},
    {"pci\\ven_8086", "pci", HID_BUS_PCI, HID_BUS_PCI},
    {"VMBUS\\{f8615163-df3e-46c5-913f-f2d2f965ed0e}\\5&1", "VMBUS", HID_BUS_VMBUS, HID_BUS_VMBUS},
    {"XENVIF\\VEN_XS0001&DEV_NET\\0", "XENVIF", HID_BUS_XENVIF, HID_BUS_XENVIF},
    {"xenvif", "xenvif", HID_BUS_XENVIF, HID_BUS_XENVIF},
    {"USB\\VID_0B95&PID_1790\\000001", "USB", 0, HID_BUS_USB},
    {"usb\\vid_0b95&pid_1790&mi_00\\pci_", "usb", HID_BUS_PCI_ALT, HID_BUS_USB},
    {"ROOT\\NET\\0000", "ROOT", 0, HID_BUS_OTHER},
    {"ROOT\\PCI_X\\0000", "ROOT", HID_BUS_PCI_ALT, HID_BUS_OTHER},
    {"Pci_Bus\\0", "Pci_Bus", HID_BUS_PCI_ALT, HID_BUS_PCI_ALT},
    {"PCI_BUS", "PCI_BUS", HID_BUS_PCI_ALT, HID_BUS_PCI_ALT},
    {"pcie\\0", "pcie", 0, HID_BUS_OTHER},
    {"\\PCI\\0", "", 0, HID_BUS_OTHER},
    {"\\x\\pci_", "", HID_BUS_PCI_ALT, HID_BUS_OTHER},
    {"", "", 0, 0},
    {"ms_l2tpminiport", "ms_l2tpminiport", 0, HID_BUS_OTHER},
    {"{5e5b0f3c-0000-0000-0000-000000000000}\\vwifimp", "{5e5b0f3c-0000-0000-0000-000000000000}", 0, HID_BUS_OTHER},
    // Only A to Z fold: a dotted capital I is not the letter I.
    {"P\xC4\xB0" "CI_\\0", "P\xC4\xB0" "CI_", 0, HID_BUS_OTHER},
};

class ClassificationTest : public testing::TestWithParam<ClassificationCase> {};

TEST_P(ClassificationTest, InstanceIdCutsAndClassifies)
{
    const ClassificationCase& c = GetParam();
    std::u16string text = U16(c.input);
    EXPECT_EQ(BusFlagsFromInstanceId(text), c.fromInstanceId);
    EXPECT_EQ(text, U16(c.enumerator));
}

TEST_P(ClassificationTest, ComponentIdCutsAndClassifies)
{
    const ClassificationCase& c = GetParam();
    std::u16string text = U16(c.input);
    EXPECT_EQ(BusFlagsFromComponentId(text), c.fromComponentId);
    EXPECT_EQ(text, U16(c.enumerator));
}

INSTANTIATE_TEST_SUITE_P(Examples, ClassificationTest, testing::ValuesIn(kCases));

TEST(ClassificationTest, ResultIsZeroOrExactlyOneBusBit)
{
    // Texts built from every classification word, near misses and separators, in several letter cases.
    const char16_t* kPieces[] = {u"", u"pci", u"PCI", u"Pci_", u"usb", u"USB", u"vmbus", u"XenVif", u"root",
                                 u"pcie", u"\\", u"_", u"x"};
    constexpr uint32_t kBusBits = HID_BUS_VMBUS | HID_BUS_PCI | HID_BUS_PCI_ALT | HID_BUS_XENVIF | HID_BUS_OTHER |
                                  HID_BUS_USB;
    for (const char16_t* first : kPieces) {
        for (const char16_t* second : kPieces) {
            for (const char16_t* third : kPieces) {
                const std::u16string input = std::u16string(first) + second + third;
                std::u16string forInstance = input;
                std::u16string forComponent = input;
                const uint32_t fromInstance = BusFlagsFromInstanceId(forInstance);
                const uint32_t fromComponent = BusFlagsFromComponentId(forComponent);
                for (const uint32_t flags : {fromInstance, fromComponent}) {
                    EXPECT_EQ(flags & (flags - 1), 0u) << Utf16ToUtf8(input);
                    EXPECT_EQ(flags & ~kBusBits, 0u) << Utf16ToUtf8(input);
                }
                // Only the component routine knows USB and other enumerators, and it classifies every text.
                EXPECT_EQ(fromInstance & (HID_BUS_OTHER | HID_BUS_USB), 0u) << Utf16ToUtf8(input);
                EXPECT_EQ(fromComponent != 0, !input.empty()) << Utf16ToUtf8(input);
                EXPECT_EQ(forInstance, forComponent);
                EXPECT_EQ(forInstance, input.substr(0, input.find(u'\\')));
            }
        }
    }
}

}  // namespace
