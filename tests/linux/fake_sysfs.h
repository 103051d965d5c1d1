#pragma once

// Small sysfs trees in temporary directories, shaped as the kernel lays them out: devices under devices/, their
// "subsystem" links into bus/ or class/, and each network interface under its device's net/ (or devices/virtual/net/)
// with a link from class/net. Links are relative, as in the real tree.

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "inventory/linux/linux_sources.h"

class CFakeSysfs {
public:
    // In the temporary directory, or below strBase (such as /dev/shm, for trees of many thousand entries).
    explicit CFakeSysfs(const std::string& strBase = std::string())
    {
        const std::filesystem::path base = strBase.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(strBase);
        std::string strTemplate = (base / "lumo-sysfs-XXXXXX").string();
        if (!mkdtemp(strTemplate.data()))
            throw std::runtime_error("mkdtemp failed");
        m_strRoot = strTemplate;
        Dir("class/net");
        Dir("devices/virtual/net");
    }
    ~CFakeSysfs()
    {
        std::error_code error;
        std::filesystem::remove_all(m_strRoot, error);
    }
    CFakeSysfs(const CFakeSysfs&) = delete;
    CFakeSysfs& operator=(const CFakeSysfs&) = delete;

    const std::string& Root() const { return m_strRoot; }
    std::string Path(const std::string& rel) const { return m_strRoot + "/" + rel; }

    void Dir(const std::string& rel) { std::filesystem::create_directories(Path(rel)); }

    void File(const std::string& rel, const std::string& content)
    {
        Dir(std::filesystem::path(rel).parent_path().string());
        std::ofstream(Path(rel), std::ios::binary | std::ios::trunc) << content;
    }

    void Remove(const std::string& rel) { std::filesystem::remove_all(Path(rel)); }

    // A relative symbolic link at rel to the tree's target (both relative to the root).
    void Link(const std::string& rel, const std::string& target)
    {
        const std::filesystem::path link(rel);
        Dir(link.parent_path().string());
        const std::filesystem::path relative = std::filesystem::path(target).lexically_relative(link.parent_path());
        std::filesystem::remove(Path(rel));
        std::filesystem::create_symlink(relative, Path(rel));
    }

    // A symbolic link with the target exactly as given.
    void RawLink(const std::string& rel, const std::string& target)
    {
        Dir(std::filesystem::path(rel).parent_path().string());
        std::filesystem::remove(Path(rel));
        std::filesystem::create_symlink(target, Path(rel));
    }

    // A device directory whose "subsystem" links to bus/<bus>.
    void Device(const std::string& rel, const std::string& bus)
    {
        Dir(rel);
        Dir("bus/" + bus);
        Link(rel + "/subsystem", "bus/" + bus);
    }

    struct PciFunction {
        std::string vendor = "0x8086";
        std::string device = "0x15b8";
        std::string subVendor = "0x1043";
        std::string subDevice = "0x8672";
        std::string revision = "0x00";
        std::vector<std::string> ranges;  // lines of "resource" before the unused ones
        std::string irq = "16";
        int msiIrqs = 0;
    };

    void Pci(const std::string& rel, const PciFunction& function)
    {
        Device(rel, "pci");
        File(rel + "/vendor", function.vendor + "\n");
        File(rel + "/device", function.device + "\n");
        File(rel + "/subsystem_vendor", function.subVendor + "\n");
        File(rel + "/subsystem_device", function.subDevice + "\n");
        File(rel + "/revision", function.revision + "\n");
        std::string resource;
        for (const std::string& line : function.ranges)
            resource += line + "\n";
        for (size_t i = function.ranges.size(); i < 13; ++i)
            resource += "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
        File(rel + "/resource", resource);
        File(rel + "/irq", function.irq + "\n");
        Dir(rel + "/msi_irqs");
        for (int i = 0; i < function.msiIrqs; ++i)
            File(rel + "/msi_irqs/" + std::to_string(30 + i), "msix\n");
    }

    // A USB device (2-1) with one interface (2-1:1.0) that carries the network function; returns the interface.
    std::string Usb(const std::string& rel, const std::string& vid, const std::string& pid,
                    const std::optional<std::string>& serial)
    {
        Device(rel, "usb");
        File(rel + "/idVendor", vid + "\n");
        File(rel + "/idProduct", pid + "\n");
        if (serial)
            File(rel + "/serial", *serial + "\n");
        const std::string name = std::filesystem::path(rel).filename().string();
        const std::string strInterface = rel + "/" + name + ":1.0";
        Device(strInterface, "usb");
        File(strInterface + "/bInterfaceNumber", "00\n");
        return strInterface;
    }

    // An interface, described by chained setters: NetInterface("eth0", 2, "00:1a:...").On(device).
    struct NetInterface {
        NetInterface(std::string strName, int nIfIndex, std::string strAddress)
            : name(std::move(strName)), ifindex(nIfIndex), address(std::move(strAddress))
        {
        }
        NetInterface& On(const std::string& strDevice) { return device = strDevice, *this; }
        NetInterface& Phy80211(bool b = true) { return phy80211 = b, *this; }
        NetInterface& DevType(const std::string& strType) { return devtype = strType, *this; }
        NetInterface& DevPort(int n) { return devPort = n, *this; }
        NetInterface& AddrLen(int n) { return addrLen = n, *this; }
        NetInterface& ArpType(int n) { return type = n, *this; }

        std::string name;
        int ifindex = 0;
        std::string address;          // as the "address" file holds it, without the line feed
        std::optional<int> addrLen;   // default: the bytes of address
        std::string device;           // the backing device; empty for a virtual interface
        bool phy80211 = false;
        std::string devtype;          // DEVTYPE in uevent
        std::optional<int> devPort;
        int type = 1;                 // ARPHRD_ETHER
    };

    // Creates the interface and returns its directory (relative to the root).
    std::string Interface(const NetInterface& netInterface)
    {
        const std::string dir =
            netInterface.device.empty() ? "devices/virtual/net/" + netInterface.name : netInterface.device + "/net/" + netInterface.name;
        Dir(dir);
        File(dir + "/ifindex", std::to_string(netInterface.ifindex) + "\n");
        File(dir + "/type", std::to_string(netInterface.type) + "\n");
        const int addrLen = netInterface.addrLen.value_or(netInterface.address.empty() ? 0 : int(netInterface.address.size() + 1) / 3);
        File(dir + "/addr_len", std::to_string(addrLen) + "\n");
        File(dir + "/address", netInterface.address + "\n");
        std::string uevent = "INTERFACE=" + netInterface.name + "\nIFINDEX=" + std::to_string(netInterface.ifindex) + "\n";
        if (!netInterface.devtype.empty())
            uevent = "DEVTYPE=" + netInterface.devtype + "\n" + uevent;
        File(dir + "/uevent", uevent);
        File(dir + "/dev_port", std::to_string(netInterface.devPort.value_or(0)) + "\n");
        Dir("class/ieee80211");
        if (netInterface.phy80211) {
            Dir("class/ieee80211/phy" + std::to_string(netInterface.ifindex));
            Link(dir + "/phy80211", "class/ieee80211/phy" + std::to_string(netInterface.ifindex));
        }
        if (!netInterface.device.empty())
            Link(dir + "/device", netInterface.device);
        Link(dir + "/subsystem", "class/net");
        Link("class/net/" + netInterface.name, dir);
        return dir;
    }

private:
    std::string m_strRoot;
};

// Permanent addresses by interface name; an interface not listed fails the query. Records what was asked.
class CFakePermanentAddresses : public IPermanentAddressReader {
public:
    std::map<std::string, std::vector<uint8_t>> addresses;
    std::vector<std::string> asked;

    std::optional<std::vector<uint8_t>> ReadPermanentAddress(const std::string& strInterface) override
    {
        asked.push_back(strInterface);
        const auto it = addresses.find(strInterface);
        if (it == addresses.end())
            return std::nullopt;
        return it->second;
    }
};
