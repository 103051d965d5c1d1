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
    for (const ClassificationCase& c : kCases) {
        for (const uint32_t flags : {c.fromInstanceId, c.fromComponentId}) {
            EXPECT_EQ(flags & (flags - 1), 0u) << c.input;
            EXPECT_EQ(flags & (HID_RES_MEM | HID_RES_IO | HID_RES_DMA | HID_RES_IRQ | HID_RES_BUSNUMBER |
                               HID_RES_MEMLARGE),
                      0u)
                << c.input;
        }
    }
}

}  // namespace
