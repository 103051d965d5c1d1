#pragma once

// The network interfaces of a sysfs tree, read once into plain values.
//
// Every read is bounded: an attribute of more than kMaxAttributeBytes and a walk of more than kMaxWalkDepth levels
// are cut off, and a value that cannot be read or parsed only takes away what it would have supplied. The listing
// of the interfaces is read whole, however long (memory is its bound): a cut in directory order would make which
// adapters are seen depend on that order. The tree is read from a root given by the caller ("/sys" on a live
// system), so tests read small trees of their own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inventory/linux/netlink_links.h"
#include "inventory/sources.h"

constexpr size_t kMaxAttributeBytes = 64 * 1024;
constexpr size_t kMaxWalkDepth = 64;

// The longest link-layer address the kernel has room for (MAX_ADDR_LEN).
constexpr size_t kMaxLinkLayerAddress = 32;

// Bounded reads of the file system, each a thin wrapper of one call.
namespace sysfs {

// The content of a regular file of at most kMaxAttributeBytes; none when it is missing, not a regular file, larger
// or unreadable.
std::optional<std::string> ReadAttribute(const std::string& strPath);

// The last component of a symbolic link's target (a device's "subsystem" link names its bus or class that way).
std::optional<std::string> LinkTargetName(const std::string& strPath);

// The path with every symbolic link resolved; none when it does not exist or the links loop.
std::optional<std::string> ResolvePath(const std::string& strPath);

bool IsDirectory(const std::string& strPath);

// Whether anything, a dangling link included, has that name (one lstat).
bool Exists(const std::string& strPath);

// Whether a directory holds at least one entry besides "." and "..".
bool HasEntries(const std::string& strPath);

// The names in a directory, at most nMaximum of them (all by default), in no particular order; none when it cannot
// be opened.
std::optional<std::vector<std::string>> ListDirectory(const std::string& strPath, size_t nMaximum = SIZE_MAX);

}  // namespace sysfs

// One interface of <root>/class/net.
struct CNetInterface {
    std::string m_strName;                 // the interface name, such as eth0
    std::optional<uint32_t> m_nIfIndex;    // none when "ifindex" is unreadable
    std::optional<uint32_t> m_nLinkType;   // the ARPHRD_* type ("type"): 1 Ethernet, 772 loopback, ...
    std::vector<uint8_t> m_address;        // the link-layer address; empty when it has none ("addr_len" 0, as tun)
    // An 802.11 interface, as the kernel tells it: a "phy80211" link (cfg80211), a "wireless" directory (the older
    // wireless extensions) or DEVTYPE=wlan in its uevent. Never from the interface's name, which the administrator
    // chooses freely.
    bool m_bWireless = false;

    // Only for an interface backed by a device (it has a "device" link); lo, bridges, veth, tun, bonds and dummies
    // have none.
    bool m_bDeviceBacked = false;
    std::string m_strDevicePath;           // the device's resolved path in its live form, /sys/devices/...
    CGuidValue m_guid;                     // the name-based GUID of that path
    std::string m_strComponentId;          // the identifier naming its bus as Windows would
    std::vector<uint32_t> m_resourceTypes; // Windows resource types of its PCI function; empty on other buses
};

// The name from which an interface's GUID is made: its device path, followed by "#" and the port number when the
// device carries several interfaces told apart by "dev_port" (ports of one PCI function), so that each gets a GUID
// of its own.
std::string DeviceGuidName(const std::string& strDevicePath, std::optional<uint64_t> nDevPort);

// Every interface under <root>/class/net, in interface-index order (an interface without a readable index last,
// ties by name). None when that directory cannot be read.
std::optional<std::vector<CNetInterface>> ScanNetInterfaces(const std::string& strRoot);

// The same from a netlink dump of the interfaces: names, indexes, link types and addresses come from the dump, and
// sysfs is read only for what the dump does not tell, the devices behind the interfaces. An interface is looked up
// there only when the dump names a parent device for it, or when the dump names none at all (a kernel before 5.16
// sends none). A device that sysfs shows under the interface's name but that is not the parent the dump names
// (sysfs mounted for another network namespace, or the name passed to another interface meanwhile) backs nothing.
// Whether an interface is wireless is asked of sysfs for the interfaces with a device only: the dump does not tell,
// and an interface without a device matches no adapter record, so its mark would decide nothing.
// Never none: the dump is the list of interfaces even when the sysfs tree cannot be read.
std::vector<CNetInterface> ScanNetInterfaces(const std::string& strRoot, const std::vector<CNetlinkLink>& links);
