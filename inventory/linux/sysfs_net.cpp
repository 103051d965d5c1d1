#include "inventory/linux/sysfs_net.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <set>

#include "common/linux/file_descriptor.h"
#include "common/memory_reserve.h"
#include "inventory/linux/name_guid.h"
#include "inventory/linux/sysfs_values.h"

namespace sysfs {

namespace {

struct CDirCloser {
    void operator()(DIR* pDir) const { closedir(pDir); }
};

// A call that failed for lack of memory (the C library's buffer of opendir or realpath, the kernel's for open)
// says nothing about the machine: it is memory running out, which the determination must learn of, not a missing
// attribute or directory.
void ThrowIfOutOfMemory()
{
    if (errno == ENOMEM) {
        ReleaseMemoryReserve();
        throw std::bad_alloc();
    }
}

}  // namespace

std::optional<std::string> ReadAttribute(const std::string& strPath)
{
    // Only regular files are read at all: what is not one is never even opened, since opening a device node can
    // have effects of its own. O_NONBLOCK still keeps a FIFO put in its place meanwhile from blocking the open, and
    // the type is checked again on what was opened.
    struct stat before {};
    if (stat(strPath.c_str(), &before) != 0 || !S_ISREG(before.st_mode))
        return std::nullopt;
    const CFileDescriptor file(open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.Get() < 0) {
        ThrowIfOutOfMemory();
        return std::nullopt;
    }
    struct stat status {};
    if (fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;

    // sysfs reports a size of 4096 for every attribute whatever it holds, so the size is learnt by reading.
    std::string content;
    char chunk[4096];
    for (;;) {
        const ssize_t nRead = read(file.Get(), chunk, sizeof(chunk));
        if (nRead < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (nRead == 0)
            break;
        if (content.size() + static_cast<size_t>(nRead) > kMaxAttributeBytes)
            return std::nullopt;
        content.append(chunk, static_cast<size_t>(nRead));
    }
    return content;
}

std::optional<std::string> LinkTargetName(const std::string& strPath)
{
    char target[PATH_MAX];
    const ssize_t nLength = readlink(strPath.c_str(), target, sizeof(target));
    if (nLength <= 0 || static_cast<size_t>(nLength) >= sizeof(target))
        return std::nullopt;
    std::string strTarget(target, static_cast<size_t>(nLength));
    while (strTarget.size() > 1 && strTarget.back() == '/')
        strTarget.pop_back();
    const size_t nSlash = strTarget.rfind('/');
    return nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
}

std::optional<std::string> ResolvePath(const std::string& strPath)
{
    // realpath gives up on a loop of links (ELOOP) and on a missing component, so the walk over links is bounded.
    std::unique_ptr<char, decltype(&free)> pResolved(realpath(strPath.c_str(), nullptr), &free);
    if (!pResolved) {
        ThrowIfOutOfMemory();
        return std::nullopt;
    }
    return std::string(pResolved.get());
}

bool IsDirectory(const std::string& strPath)
{
    struct stat status {};
    return stat(strPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool Exists(const std::string& strPath)
{
    struct stat status {};
    return lstat(strPath.c_str(), &status) == 0;
}

bool HasEntries(const std::string& strPath)
{
    const std::optional<std::vector<std::string>> names = ListDirectory(strPath, 1);
    return names && !names->empty();
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& strPath, size_t nMaximum)
{
    const std::unique_ptr<DIR, CDirCloser> pDir(opendir(strPath.c_str()));
    if (!pDir) {
        ThrowIfOutOfMemory();
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (names.size() < nMaximum) {
        const dirent* pEntry = readdir(pDir.get());
        if (!pEntry)
            break;
        const std::string strName = pEntry->d_name;
        if (strName != "." && strName != "..")
            names.push_back(strName);
    }
    return names;
}

}  // namespace sysfs

namespace {

std::string LastComponent(const std::string& strPath)
{
    const size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

std::string ParentPath(const std::string& strPath)
{
    const size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos || nSlash == 0)
        return "/";
    return strPath.substr(0, nSlash);
}

// Whether a resolved path lies strictly below the resolved root.
bool IsBelow(const std::string& strPath, const std::string& strRoot)
{
    if (strRoot == "/")
        return strPath.size() > 1 && strPath[0] == '/';
    return strPath.size() > strRoot.size() + 1 && strPath.compare(0, strRoot.size(), strRoot) == 0 &&
           strPath[strRoot.size()] == '/';
}

std::optional<uint64_t> ReadNumber(const std::string& strPath, int nBase)
{
    const std::optional<std::string> text = sysfs::ReadAttribute(strPath);
    return text ? ParseSysfsNumber(*text, nBase) : std::nullopt;
}

std::optional<std::string> ReadText(const std::string& strPath)
{
    const std::optional<std::string> text = sysfs::ReadAttribute(strPath);
    if (!text)
        return std::nullopt;
    return std::string(TrimSysfsText(*text));
}

std::string SubsystemOf(const std::string& strDevice)
{
    return sysfs::LinkTargetName(strDevice + "/subsystem").value_or(std::string());
}

void ReadPciFunction(const std::string& strFunction, CNetInterface& netInterface)
{
    CPciIdentity identity;
    identity.m_nVendor = ReadNumber(strFunction + "/vendor", 16);
    identity.m_nDevice = ReadNumber(strFunction + "/device", 16);
    identity.m_nSubVendor = ReadNumber(strFunction + "/subsystem_vendor", 16);
    identity.m_nSubDevice = ReadNumber(strFunction + "/subsystem_device", 16);
    identity.m_nRevision = ReadNumber(strFunction + "/revision", 16);
    identity.m_strSlot = LastComponent(strFunction);
    netInterface.m_strComponentId = PciComponentId(identity);

    const std::optional<std::string> resources = sysfs::ReadAttribute(strFunction + "/resource");
    netInterface.m_resourceTypes =
        PciResourceTypes(resources ? std::optional<std::string_view>(*resources) : std::nullopt,
                         ReadNumber(strFunction + "/irq", 10), sysfs::HasEntries(strFunction + "/msi_irqs"));
}

void ReadUsbDevice(const std::string& strFound, const std::string& strRoot, CNetInterface& netInterface)
{
    // A network function sits on a USB interface (2-1:1.0); the vendor and product are the USB device's (2-1), one
    // level up.
    std::string strDevice = strFound;
    if (!sysfs::ReadAttribute(strFound + "/idVendor")) {
        const std::string strParent = ParentPath(strFound);
        if (IsBelow(strParent, strRoot) && SubsystemOf(strParent) == "usb")
            strDevice = strParent;
    }
    const std::optional<std::string> serial = ReadText(strDevice + "/serial");
    const std::string strInstance = serial && !serial->empty() ? *serial : LastComponent(strDevice);
    netInterface.m_strComponentId = UsbComponentId(ReadNumber(strDevice + "/idVendor", 16),
                                                   ReadNumber(strDevice + "/idProduct", 16), strInstance);
}

void ReadDevice(const std::string& strInterfaceDir, const std::string& strRoot, CNetInterface& netInterface)
{
    // Most interfaces of a busy host (veth, bridges, tunnels) have no device link at all: one lstat tells, where
    // resolving the path would look at every component of it first.
    if (!sysfs::Exists(strInterfaceDir + "/device"))
        return;
    const std::optional<std::string> device = sysfs::ResolvePath(strInterfaceDir + "/device");
    // A link that leads out of the tree, or to something that is not a device directory, backs nothing.
    if (!device || !IsBelow(*device, strRoot) || !sysfs::IsDirectory(*device))
        return;

    netInterface.m_bDeviceBacked = true;
    netInterface.m_strDevicePath = "/sys" + device->substr(strRoot == "/" ? 0 : strRoot.size());
    netInterface.m_guid = NameBasedGuid(
        kSysfsDevicePathNamespace,
        DeviceGuidName(netInterface.m_strDevicePath, ReadNumber(strInterfaceDir + "/dev_port", 10)));

    // The first PCI, USB, VMBus or Xen device on the way up names the bus: a virtio NIC (virtio0) sits on the PCI
    // function that carries it, a USB NIC on its USB device, an SR-IOV function of a Hyper-V guest on PCI.
    std::string strPath = *device;
    for (size_t nDepth = 0; nDepth < kMaxWalkDepth && IsBelow(strPath, strRoot); ++nDepth) {
        switch (BusKindFromSubsystem(SubsystemOf(strPath))) {
        case EBusKind::Pci:
            ReadPciFunction(strPath, netInterface);
            return;
        case EBusKind::Usb:
            ReadUsbDevice(strPath, strRoot, netInterface);
            return;
        case EBusKind::Vmbus:
            netInterface.m_strComponentId =
                VmbusComponentId(ReadText(strPath + "/class_id").value_or(std::string()),
                                 ReadText(strPath + "/device_id").value_or(LastComponent(strPath)));
            return;
        case EBusKind::Xen:
            netInterface.m_strComponentId = XenComponentId(LastComponent(strPath));
            return;
        case EBusKind::Other:
            break;
        }
        strPath = ParentPath(strPath);
    }
    netInterface.m_strComponentId = OtherComponentId(SubsystemOf(*device), LastComponent(*device));
}

bool IsWirelessInterface(const std::string& strInterfaceDir)
{
    if (sysfs::IsDirectory(strInterfaceDir + "/phy80211") || sysfs::IsDirectory(strInterfaceDir + "/wireless"))
        return true;
    const std::optional<std::string> uevent = sysfs::ReadAttribute(strInterfaceDir + "/uevent");
    return uevent && UeventValue(*uevent, "DEVTYPE") == std::optional<std::string>("wlan");
}

// Takes back what ReadDevice gave an interface.
void ForgetDevice(CNetInterface& netInterface)
{
    netInterface.m_bDeviceBacked = false;
    netInterface.m_strDevicePath.clear();
    netInterface.m_guid = CGuidValue();
    netInterface.m_strComponentId.clear();
    netInterface.m_resourceTypes.clear();
}

CNetInterface ReadInterface(const std::string& strInterfaceDir, const std::string& strName,
                            const std::string& strRoot)
{
    CNetInterface netInterface;
    netInterface.m_strName = strName;
    const std::optional<uint64_t> nIfIndex = ReadNumber(strInterfaceDir + "/ifindex", 10);
    if (nIfIndex && *nIfIndex <= UINT32_MAX)
        netInterface.m_nIfIndex = static_cast<uint32_t>(*nIfIndex);

    const std::optional<uint64_t> nAddressLength = ReadNumber(strInterfaceDir + "/addr_len", 10);
    if (nAddressLength && *nAddressLength > 0 && *nAddressLength <= kMaxLinkLayerAddress) {
        const std::optional<std::string> address = sysfs::ReadAttribute(strInterfaceDir + "/address");
        if (address) {
            if (auto bytes = ParseLinkLayerAddress(*address, static_cast<size_t>(*nAddressLength)))
                netInterface.m_address = std::move(*bytes);
        }
    }

    const std::optional<uint64_t> nType = ReadNumber(strInterfaceDir + "/type", 10);
    if (nType && *nType <= UINT32_MAX)
        netInterface.m_nLinkType = static_cast<uint32_t>(*nType);

    netInterface.m_bWireless = IsWirelessInterface(strInterfaceDir);

    ReadDevice(strInterfaceDir, strRoot, netInterface);
    return netInterface;
}

}  // namespace

std::string DeviceGuidName(const std::string& strDevicePath, std::optional<uint64_t> nDevPort)
{
    if (!nDevPort || *nDevPort == 0)
        return strDevicePath;
    return strDevicePath + "#" + std::to_string(*nDevPort);
}

namespace {

// Interface-index order (an interface without a readable index last, ties by name), then only the first interface
// of each device and port keeps the device.
void FinishScan(std::vector<CNetInterface>& interfaces)
{
    std::sort(interfaces.begin(), interfaces.end(), [](const CNetInterface& a, const CNetInterface& b) {
        const uint64_t nA = a.m_nIfIndex ? *a.m_nIfIndex : UINT64_MAX;
        const uint64_t nB = b.m_nIfIndex ? *b.m_nIfIndex : UINT64_MAX;
        return nA != nB ? nA < nB : a.m_strName < b.m_strName;
    });

    // A second interface on the same device and port, such as the access-point or monitor interface that "iw"
    // adds to a Wi-Fi card, often with an address of its own making, is virtual, as Windows' virtual Wi-Fi
    // adapters are. Only the first, the one the driver made when it bound the device, stands for the device;
    // the others stay in the adapter table under their interface names and match no record.
    std::set<std::array<uint8_t, 16>> guidsSeen;
    for (CNetInterface& netInterface : interfaces) {
        if (!netInterface.m_bDeviceBacked)
            continue;
        if (!guidsSeen.insert(GuidBytes(netInterface.m_guid)).second)
            ForgetDevice(netInterface);
    }
}

}  // namespace

std::optional<std::vector<CNetInterface>> ScanNetInterfaces(const std::string& strRoot)
{
    const std::optional<std::string> root = sysfs::ResolvePath(strRoot);
    if (!root)
        return std::nullopt;
    const std::string strClassDir = *root + "/class/net";
    const std::optional<std::vector<std::string>> names = sysfs::ListDirectory(strClassDir);
    if (!names)
        return std::nullopt;

    std::vector<CNetInterface> interfaces;
    for (const std::string& strName : *names) {
        // Files such as bonding_masters share the directory with the interfaces.
        const std::string strInterfaceDir = strClassDir + "/" + strName;
        if (!sysfs::IsDirectory(strInterfaceDir))
            continue;
        interfaces.push_back(ReadInterface(strInterfaceDir, strName, *root));
    }
    FinishScan(interfaces);
    return interfaces;
}

std::vector<CNetInterface> ScanNetInterfaces(const std::string& strRoot, const std::vector<CNetlinkLink>& links)
{
    const std::optional<std::string> root = sysfs::ResolvePath(strRoot);
    const bool bParentsNamed = std::any_of(links.begin(), links.end(),
                                           [](const CNetlinkLink& link) { return link.m_strParentDevice.has_value(); });
    std::vector<CNetInterface> interfaces;
    interfaces.reserve(links.size());
    for (const CNetlinkLink& link : links) {
        CNetInterface netInterface;
        netInterface.m_strName = link.m_strName;
        netInterface.m_nIfIndex = link.m_nIfIndex;
        netInterface.m_nLinkType = link.m_nType;
        if (link.m_address.size() <= kMaxLinkLayerAddress)
            netInterface.m_address = link.m_address;
        // The parser lets only valid interface names through, so the name is one component of the path.
        if (root && IsValidInterfaceName(link.m_strName) && (link.m_strParentDevice || !bParentsNamed)) {
            const std::string strInterfaceDir = *root + "/class/net/" + link.m_strName;
            ReadDevice(strInterfaceDir, *root, netInterface);
            if (netInterface.m_bDeviceBacked && link.m_strParentDevice &&
                LastComponent(netInterface.m_strDevicePath) != *link.m_strParentDevice)
                ForgetDevice(netInterface);
            if (netInterface.m_bDeviceBacked)
                netInterface.m_bWireless = IsWirelessInterface(strInterfaceDir);
        }
        interfaces.push_back(std::move(netInterface));
    }
    FinishScan(interfaces);
    return interfaces;
}
