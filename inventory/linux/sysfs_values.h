#pragma once

// Pure readings of sysfs attribute texts and the identifier texts made from them. Nothing here touches the file
// system: every function takes the text of an attribute (or nothing, when it could not be read) and gives a plain
// value, so that every malformed value the kernel or a damaged tree could show is handled in one place.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Resource flag bits of the kernel (include/linux/ioport.h). The "resource" file of a PCI device shows each range's
// flags unchanged, so these values are part of the kernel's interface to user space.
constexpr uint64_t IORESOURCE_TYPE_BITS = 0x00001f00;
constexpr uint64_t IORESOURCE_IO = 0x00000100;
constexpr uint64_t IORESOURCE_MEM = 0x00000200;
constexpr uint64_t IORESOURCE_IRQ = 0x00000400;
constexpr uint64_t IORESOURCE_DMA = 0x00000800;
constexpr uint64_t IORESOURCE_BUS = 0x00001000;
constexpr uint64_t IORESOURCE_MEM_64 = 0x00100000;
constexpr uint64_t IORESOURCE_DISABLED = 0x10000000;
constexpr uint64_t IORESOURCE_UNSET = 0x20000000;

// The text of an attribute without the white space around it (sysfs ends every value with a line feed).
std::string_view TrimSysfsText(std::string_view text);

// A number as sysfs prints it, white space around it allowed: decimal for nBase 10; hexadecimal, with or without
// "0x", for nBase 16. None for an empty text, any other character, or a value beyond 64 bits.
std::optional<uint64_t> ParseSysfsNumber(std::string_view text, int nBase);

// The Windows resource type (1 memory, 2 I/O, 3 DMA, 4 interrupt, 6 bus number, 7 large memory) of one line of a PCI
// device's "resource" file: start, end and flags as three hexadecimal numbers. A 64-bit memory range counts as large
// memory. None for an empty slot (all zero), a range the kernel left unassigned or disabled, a malformed line, and a
// type without a counterpart.
std::optional<uint32_t> ResourceTypeFromLine(std::string_view line);

// At most this many lines of a "resource" file are looked at; a PCI function has 17 at most.
constexpr size_t kMaxResourceLines = 64;

// The resource types of a PCI function, as the Windows configuration manager would list its allocated
// configuration: one per assigned range of its "resource" file, in file order, then an interrupt when its legacy
// IRQ is non-zero or it uses message-signalled interrupts (Windows lists those as interrupts too).
std::vector<uint32_t> PciResourceTypes(std::optional<std::string_view> resourceFile, std::optional<uint64_t> irq,
                                       bool bHasMsiIrqs);

// The value of a key in a uevent text (lines KEY=VALUE), the first one if the key repeats; none when absent.
std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key);

// The link-layer address of an "address" file: exactly nLength bytes as colon-separated pairs of hexadecimal
// digits. None for anything else, including an empty address (nLength 0).
std::optional<std::vector<uint8_t>> ParseLinkLayerAddress(std::string_view text, size_t nLength);

// The buses that the walk from a network device towards the root looks for, named by their sysfs subsystem.
enum class EBusKind {
    Pci,    // "pci"
    Usb,    // "usb"
    Vmbus,  // "vmbus"
    Xen,    // "xen", the bus of Xen front-end devices
    Other,  // every other subsystem
};

EBusKind BusKindFromSubsystem(std::string_view subsystem);

// A piece of an identifier text: printable ASCII without white space or backslash (the separator of the pieces),
// every other byte replaced with "_", at most kMaxIdentifierPart bytes; "0" for an empty piece.
constexpr size_t kMaxIdentifierPart = 128;
std::string IdentifierPart(std::string_view text);

// What a PCI function says about itself; a number is none when its attribute could not be read or is too wide.
struct CPciIdentity {
    std::optional<uint64_t> m_nVendor;
    std::optional<uint64_t> m_nDevice;
    std::optional<uint64_t> m_nSubVendor;
    std::optional<uint64_t> m_nSubDevice;
    std::optional<uint64_t> m_nRevision;
    std::string m_strSlot;  // the function's name in sysfs, such as 0000:00:1f.6
};

// "PCI\VEN_8086&DEV_15B8&SUBSYS_86721043&REV_00\0000:00:1f.6", the form of a Windows PCI instance ID: four
// hexadecimal digits each, SUBSYS the subsystem device before the subsystem vendor, two for the revision; a number
// that is none is written as zeros. The slot stands where Windows puts its instance path.
std::string PciComponentId(const CPciIdentity& identity);

// "USB\VID_0BDA&PID_8153\<instance>": the device's serial number when it has one, else its name in sysfs.
std::string UsbComponentId(std::optional<uint64_t> nVendor, std::optional<uint64_t> nProduct,
                           std::string_view instance);

// "VMBUS\{class GUID}\{instance GUID}" from the device's class_id and device_id attributes.
std::string VmbusComponentId(std::string_view classId, std::string_view deviceId);

// "XENVIF\<device name>", such as XENVIF\vif-0.
std::string XenComponentId(std::string_view deviceName);

// Any other bus: the subsystem name in capitals, then the device name, such as PLATFORM\fe300000.ethernet. A
// device without a subsystem stands under ROOT, as Windows puts devices that no bus enumerates.
std::string OtherComponentId(std::string_view subsystem, std::string_view deviceName);
