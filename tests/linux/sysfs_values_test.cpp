#include "inventory/linux/sysfs_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct NumberCase {
    const char* text;
    int base;
    std::optional<uint64_t> value;
};

TEST(SysfsValuesTest, Numbers)
{
    const NumberCase cases[] = {
        {"4\n", 10, 4},
        {"  16 \n", 10, 16},
        {"0x8086\n", 16, 0x8086},
        {"0X15B8", 16, 0x15B8},
        {"0bda\n", 16, 0x0BDA},
        {"18446744073709551615", 10, UINT64_MAX},
        {"18446744073709551616", 10, std::nullopt},
        {"0xffffffffffffffff", 16, UINT64_MAX},
        {"0x10000000000000000", 16, std::nullopt},
        {"", 10, std::nullopt},
        {"\n", 10, std::nullopt},
        {"0x", 16, std::nullopt},
        {"-1", 10, std::nullopt},
        {"12a", 10, std::nullopt},
        {"1 2", 10, std::nullopt},
        {"0x12", 10, std::nullopt},
        {"ff", 10, std::nullopt},
        {"g", 16, std::nullopt},
        {"7", 8, std::nullopt},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseSysfsNumber(c.text, c.base), c.value);
    }
}

struct ResourceLineCase {
    const char* name;
    const char* line;
    std::optional<uint32_t> type;
};

TEST(SysfsValuesTest, ResourceLines)
{
    const ResourceLineCase cases[] = {
        {"32-bit memory", "0x00000000f7100000 0x00000000f711ffff 0x0000000000040200", 1u},
        {"64-bit memory is large memory", "0x0000004000100000 0x000000400017ffff 0x0000000000140204", 7u},
        {"64-bit prefetchable memory", "0x00000000c0000000 0x00000000cfffffff 0x000000000014220c", 7u},
        {"I/O ports", "0x000000000000f000 0x000000000000f01f 0x0000000000040101", 2u},
        {"interrupt", "0x0000000000000010 0x0000000000000010 0x0000000000000400", 4u},
        {"DMA", "0x0000000000000001 0x0000000000000001 0x0000000000000800", 3u},
        {"bus numbers", "0x0000000000000001 0x0000000000000001 0x0000000000001000", 6u},
        {"unused slot", "0x0000000000000000 0x0000000000000000 0x0000000000000000", std::nullopt},
        {"unassigned range", "0x0000000000000000 0x0000000000003fff 0x0000000020040200", std::nullopt},
        {"disabled range", "0x00000000f7100000 0x00000000f711ffff 0x0000000010040200", std::nullopt},
        {"register offsets have no counterpart", "0x0000000000000010 0x000000000000001f 0x0000000000000300",
         std::nullopt},
        {"no type bits", "0x00000000f7100000 0x00000000f711ffff 0x0000000000040000", std::nullopt},
        {"end before start", "0x00000000f7110000 0x00000000f7100000 0x0000000000040200", std::nullopt},
        {"two fields", "0x00000000f7100000 0x00000000f711ffff", std::nullopt},
        {"four fields", "0x1 0x2 0x200 0x4", std::nullopt},
        {"garbage", "memory please", std::nullopt},
        {"empty", "", std::nullopt},
        {"tabs and short numbers", "\t0x1000\t0x1fff\t0x200\t", 1u},
    };
    for (const ResourceLineCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ResourceTypeFromLine(c.line), c.type);
    }
}

struct ResourceFileCase {
    const char* name;
    std::optional<std::string> file;
    std::optional<uint64_t> irq;
    bool msi;
    std::vector<uint32_t> types;
};

TEST(SysfsValuesTest, PciResourceTypes)
{
    const std::string desktop =
        "0x00000000f7100000 0x00000000f711ffff 0x0000000000040200\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x000000000000f000 0x000000000000f01f 0x0000000000040101\n";
    std::string tooLong;
    for (size_t i = 0; i < kMaxResourceLines + 5; ++i)
        tooLong += i < kMaxResourceLines ? "0 0 0\n" : "0x1000 0x1fff 0x200\n";
    const ResourceFileCase cases[] = {
        {"memory, I/O and legacy interrupt", desktop, 16, false, {1, 2, 4}},
        {"interrupt through MSI only", desktop, 0, true, {1, 2, 4}},
        {"no interrupt at all", desktop, 0, false, {1, 2}},
        {"unreadable irq", desktop, std::nullopt, false, {1, 2}},
        {"no resource file", std::nullopt, 11, false, {4}},
        {"nothing", std::nullopt, std::nullopt, false, {}},
        {"without a final line feed", std::string("0x1000 0x1fff 0x100"), std::nullopt, false, {2}},
        {"lines beyond the limit are not read", tooLong, std::nullopt, false, {}},
        {"garbage lines between good ones", std::string("x\n0x1000 0x1fff 0x200\n\n\xff\xfe\n"), std::nullopt, false,
         {1}},
    };
    for (const ResourceFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string_view> file = c.file ? std::optional<std::string_view>(*c.file) : std::nullopt;
        EXPECT_EQ(PciResourceTypes(file, c.irq, c.msi), c.types);
    }
}

struct UeventCase {
    const char* uevent;
    const char* key;
    std::optional<std::string> value;
};

TEST(SysfsValuesTest, UeventValues)
{
    const UeventCase cases[] = {
        {"DEVTYPE=wlan\nINTERFACE=wlp2s0\nIFINDEX=3\n", "DEVTYPE", "wlan"},
        {"DEVTYPE=wlan\nINTERFACE=wlp2s0\nIFINDEX=3\n", "IFINDEX", "3"},
        {"INTERFACE=eth0\nIFINDEX=2\n", "DEVTYPE", std::nullopt},
        {"DEVTYPE=bond\nDEVTYPE=wlan\n", "DEVTYPE", "bond"},
        {"XDEVTYPE=wlan\n", "DEVTYPE", std::nullopt},
        {"DEVTYPE\nDEVTYPE=wlan", "DEVTYPE", "wlan"},
        {"DEVTYPE=\n", "DEVTYPE", ""},
        {"DEVTYPE=a=b\n", "DEVTYPE", "a=b"},
        {"", "DEVTYPE", std::nullopt},
    };
    for (const UeventCase& c : cases) {
        SCOPED_TRACE(c.uevent);
        EXPECT_EQ(UeventValue(c.uevent, c.key), c.value);
    }
}

struct AddressCase {
    const char* text;
    size_t length;
    std::optional<std::vector<uint8_t>> bytes;
};

TEST(SysfsValuesTest, LinkLayerAddresses)
{
    const AddressCase cases[] = {
        {"00:1a:2b:3c:4d:5e\n", 6, std::vector<uint8_t>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
        {"00:1A:2B:3C:4D:5E", 6, std::vector<uint8_t>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
        {"00:00:00:00:00:00\n", 6, std::vector<uint8_t>(6, 0)},
        {"ff\n", 1, std::vector<uint8_t>{0xFF}},
        {"00:1a:2b:3c:4d:5e\n", 5, std::nullopt},
        {"00:1a:2b:3c:4d:5e\n", 8, std::nullopt},
        {"00-1a-2b-3c-4d-5e\n", 6, std::nullopt},
        {"001a2b3c4d5e\n", 6, std::nullopt},
        {"0:1a:2b:3c:4d:5e:0", 6, std::nullopt},
        {"zz:1a:2b:3c:4d:5e\n", 6, std::nullopt},
        {"\n", 0, std::nullopt},
        {"", 6, std::nullopt},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseLinkLayerAddress(c.text, c.length), c.bytes);
    }
}

TEST(SysfsValuesTest, BusKinds)
{
    EXPECT_EQ(BusKindFromSubsystem("pci"), EBusKind::Pci);
    EXPECT_EQ(BusKindFromSubsystem("usb"), EBusKind::Usb);
    EXPECT_EQ(BusKindFromSubsystem("vmbus"), EBusKind::Vmbus);
    EXPECT_EQ(BusKindFromSubsystem("xen"), EBusKind::Xen);
    for (const char* other : {"virtio", "platform", "pci_express", "PCI", "xen-backend", "sdio", ""})
        EXPECT_EQ(BusKindFromSubsystem(other), EBusKind::Other) << other;
}

struct ComponentIdCase {
    const char* name;
    std::string id;
    std::string expected;
};

TEST(SysfsValuesTest, ComponentIds)
{
    CPciIdentity intel{0x8086, 0x15B8, 0x1043, 0x8672, 0x00, "0000:00:1f.6"};
    CPciIdentity virtio{0x1AF4, 0x1041, 0x1AF4, 0x1100, 0x01, "0000:00:03.0"};
    CPciIdentity unreadable{std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, ""};
    CPciIdentity tooWide{0x18086, 0x15B8, 0x1043, 0x8672, 0x100, "0000:00:1f.6"};
    CPciIdentity oddSlot{0xA, 0xB, 0xC, 0xD, 0xE, "a\\b c\x01"};
    const ComponentIdCase cases[] = {
        {"pci", PciComponentId(intel), "PCI\\VEN_8086&DEV_15B8&SUBSYS_86721043&REV_00\\0000:00:1f.6"},
        {"virtio on pci", PciComponentId(virtio), "PCI\\VEN_1AF4&DEV_1041&SUBSYS_11001AF4&REV_01\\0000:00:03.0"},
        {"pci without readable values", PciComponentId(unreadable), "PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00\\0"},
        {"pci values too wide for their fields", PciComponentId(tooWide),
         "PCI\\VEN_0000&DEV_15B8&SUBSYS_86721043&REV_00\\0000:00:1f.6"},
        {"pci slot with separators and control bytes", PciComponentId(oddSlot),
         "PCI\\VEN_000A&DEV_000B&SUBSYS_000D000C&REV_0E\\a_b_c_"},
        {"usb with serial", UsbComponentId(0x0BDA, 0x8153, "000001"), "USB\\VID_0BDA&PID_8153\\000001"},
        {"usb without values", UsbComponentId(std::nullopt, std::nullopt, ""), "USB\\VID_0000&PID_0000\\0"},
        {"vmbus",
         VmbusComponentId("{f8615163-df3e-46c5-913f-f2d2f965ed0e}\n", "{000d3a6e-6a3b-000d-3a6e-6a3b000d3a6e}\n"),
         "VMBUS\\{f8615163-df3e-46c5-913f-f2d2f965ed0e}\\{000d3a6e-6a3b-000d-3a6e-6a3b000d3a6e}"},
        {"vmbus without class", VmbusComponentId("", "dev"), "VMBUS\\0\\dev"},
        {"xen", XenComponentId("vif-0"), "XENVIF\\vif-0"},
        {"other bus", OtherComponentId("platform", "fe300000.ethernet"), "PLATFORM\\fe300000.ethernet"},
        {"other bus, odd name", OtherComponentId("my bus", "x"), "MY_BUS\\x"},
        {"no subsystem", OtherComponentId("", "0000:00:1f.6"), "ROOT\\0000:00:1f.6"},
        {"over-long piece is cut", UsbComponentId(1, 2, std::string(300, 's')),
         "USB\\VID_0001&PID_0002\\" + std::string(kMaxIdentifierPart, 's')},
    };
    for (const ComponentIdCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.id, c.expected);
    }
}

}  // namespace
