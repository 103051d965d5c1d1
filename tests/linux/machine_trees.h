#pragma once

// Whole machines as fake sysfs trees, with the permanent addresses their drivers would report.

#include <string>
#include <vector>

#include "fake_sysfs.h"

namespace machines {

inline const char* const kMem32 = "0x00000000f7100000 0x00000000f711ffff 0x0000000000040200";
inline const char* const kMem64 = "0x0000004000100000 0x000000400017ffff 0x0000000000140204";
inline const char* const kIo = "0x000000000000f000 0x000000000000f01f 0x0000000000040101";

inline void Loopback(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    tree.Interface(CFakeSysfs::NetInterface("lo", 1, "00:00:00:00:00:00").ArpType(772));
    permanent.addresses["lo"] = std::vector<uint8_t>(6, 0);  // what the kernel answers for lo
}

// A desktop with one on-board Intel adapter (memory, I/O and a legacy interrupt) and a Docker bridge.
inline const char* const kDesktopNic = "devices/pci0000:00/0000:00:1f.6";
// The administrator may give the adapter any name.
inline void DesktopNamed(CFakeSysfs& tree, CFakePermanentAddresses& permanent, const std::string& strName)
{
    CFakeSysfs::PciFunction nic;
    nic.ranges = {kMem32, "0x0000000000000000 0x0000000000000000 0x0000000000000000", kIo};
    tree.Pci(kDesktopNic, nic);
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface(strName, 2, "00:1a:2b:3c:4d:5e").On(kDesktopNic));
    tree.Interface(CFakeSysfs::NetInterface("docker0", 3, "02:42:ac:11:00:01").DevType("bridge"));
    permanent.addresses[strName] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
}
inline void Desktop(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    DesktopNamed(tree, permanent, "enp0s31f6");
}

// A laptop: Wi-Fi on PCI (message-signalled interrupts only) and a USB Ethernet adapter behind the xHCI controller.
inline const char* const kLaptopWifi = "devices/pci0000:00/0000:00:1c.0/0000:02:00.0";
inline const char* const kLaptopXhci = "devices/pci0000:00/0000:00:14.0";
inline void Laptop(CFakeSysfs& tree, CFakePermanentAddresses& permanent, bool bWithUsb, bool bPhy80211)
{
    CFakeSysfs::PciFunction wifi{"0x8086", "0x2723", "0x8086", "0x0084", "0x1a", {kMem64}, "0", 1};
    tree.Pci(kLaptopWifi, wifi);
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("wlp2s0", 3, "7c:b2:7d:00:00:01")
                       .On(kLaptopWifi)
                       .Phy80211(bPhy80211)
                       .DevType(bPhy80211 ? "" : "wlan"));
    permanent.addresses["wlp2s0"] = {0x7C, 0xB2, 0x7D, 0x00, 0x00, 0x01};
    if (bWithUsb) {
        CFakeSysfs::PciFunction xhci{"0x8086", "0xa36d", "0x1043", "0x8694", "0x10", {kMem64}, "0", 1};
        tree.Pci(kLaptopXhci, xhci);
        tree.Device(std::string(kLaptopXhci) + "/usb2", "usb");
        const std::string usbInterface =
            tree.Usb(std::string(kLaptopXhci) + "/usb2/2-1", "0bda", "8153", std::string("000001"));
        tree.Interface(CFakeSysfs::NetInterface("enx00e04c680001", 4, "00:e0:4c:68:00:01").On(usbInterface));
        permanent.addresses["enx00e04c680001"] = {0x00, 0xE0, 0x4C, 0x68, 0x00, 0x01};
    }
}

// A Hyper-V guest: the synthetic adapter on VMBus and its accelerated-networking virtual function on a PCI bus
// that VMBus carries, with the same address.
inline const char* const kVmbusRoot = "devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0004:00/VMBUS:00";
inline const char* const kVmbusNic =
    "devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0004:00/VMBUS:00/000d3a6e-6a3b-000d-3a6e-6a3b000d3a6e";
inline const char* const kVmbusPciBridge =
    "devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0004:00/VMBUS:00/5e1b9ac2-3c6f-4b3e-9c6f-6f3c6f3c6f3c";
inline void VmbusGuest(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    tree.Device(kVmbusRoot, "acpi");
    tree.Device(kVmbusNic, "vmbus");
    tree.File(std::string(kVmbusNic) + "/class_id", "{f8615163-df3e-46c5-913f-f2d2f965ed0e}\n");
    tree.File(std::string(kVmbusNic) + "/device_id", "{000d3a6e-6a3b-000d-3a6e-6a3b000d3a6e}\n");
    tree.Device(kVmbusPciBridge, "vmbus");
    tree.File(std::string(kVmbusPciBridge) + "/class_id", "{44c4f61d-4444-4400-9d52-802e27ede19f}\n");
    tree.File(std::string(kVmbusPciBridge) + "/device_id", "{5e1b9ac2-3c6f-4b3e-9c6f-6f3c6f3c6f3c}\n");
    const std::string vf = std::string(kVmbusPciBridge) + "/pci3c6f:00/3c6f:00:02.0";
    tree.Pci(vf, {"0x15b3", "0x1016", "0x15b3", "0x0190", "0x80", {kMem64}, "0", 2});

    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("eth0", 2, "00:0d:3a:6e:6a:3b").On(kVmbusNic));
    tree.Interface(CFakeSysfs::NetInterface("enP15471s1", 3, "00:0d:3a:6e:6a:3b").On(vf));
    permanent.addresses["eth0"] = {0x00, 0x0D, 0x3A, 0x6E, 0x6A, 0x3B};
    permanent.addresses["enP15471s1"] = {0x00, 0x0D, 0x3A, 0x6E, 0x6A, 0x3B};
}

// A Xen guest with a paravirtual front-end adapter.
inline void XenGuest(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    tree.Device("devices/vif-0", "xen");
    tree.File("devices/vif-0/nodename", "device/vif/0\n");
    tree.File("devices/vif-0/devtype", "vif\n");
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("eth0", 2, "00:16:3e:5a:00:01").On("devices/vif-0"));
    permanent.addresses["eth0"] = {0x00, 0x16, 0x3E, 0x5A, 0x00, 0x01};
}

// A KVM guest: a virtio adapter carried by a PCI function, beside two ifb devices.
inline const char* const kVirtioFunction = "devices/pci0000:00/0000:00:03.0";
inline void VirtioGuest(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    tree.Pci(kVirtioFunction, {"0x1af4", "0x1041", "0x1af4", "0x1100", "0x01", {kMem64}, "0", 3});
    tree.Device(std::string(kVirtioFunction) + "/virtio2", "virtio");
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("ifb0", 2, "66:ce:87:e2:a6:f2"));
    tree.Interface(CFakeSysfs::NetInterface("ifb1", 3, "46:a7:1e:fb:8d:a5"));
    tree.Interface(
        CFakeSysfs::NetInterface("eth0", 4, "02:fc:00:00:00:01").On(std::string(kVirtioFunction) + "/virtio2"));
    permanent.addresses["eth0"] = {0x02, 0xFC, 0x00, 0x00, 0x00, 0x01};
}

// Two PCI adapters bonded: the bond and both members carry the first member's address; the second member's own
// address is only its permanent one.
inline const char* const kBondFirst = "devices/pci0000:00/0000:00:19.0";
inline const char* const kBondSecond = "devices/pci0000:00/0000:00:1c.4/0000:03:00.0";
inline void BondedPair(CFakeSysfs& tree, CFakePermanentAddresses& permanent, bool bSecondFirst)
{
    tree.Pci(kBondFirst, {"0x8086", "0x153a", "0x1028", "0x05d2", "0x04", {kMem32}, "20", 0});
    tree.Pci(kBondSecond, {"0x8086", "0x10d3", "0x8086", "0xa01f", "0x00", {kMem32, kIo}, "17", 0});
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("eno1", bSecondFirst ? 3 : 2, "00:1b:21:00:00:01").On(kBondFirst));
    tree.Interface(CFakeSysfs::NetInterface("enp3s0", bSecondFirst ? 2 : 3, "00:1b:21:00:00:01").On(kBondSecond));
    tree.Interface(CFakeSysfs::NetInterface("bond0", 4, "00:1b:21:00:00:01").DevType("bond"));
    tree.Link("devices/pci0000:00/0000:00:19.0/net/eno1/master", "devices/virtual/net/bond0");
    tree.Link("devices/pci0000:00/0000:00:1c.4/0000:03:00.0/net/enp3s0/master", "devices/virtual/net/bond0");
    tree.File("class/net/bonding_masters", "bond0\n");
    permanent.addresses["eno1"] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x01};
    permanent.addresses["enp3s0"] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x02};
    permanent.addresses["bond0"] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x01};
}

// Only virtual interfaces: loopback, a bridge, a veth end, a tun device (no link-layer address) and a dummy.
inline void VirtualOnly(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("br0", 2, "02:00:00:00:00:02").DevType("bridge"));
    tree.Interface(CFakeSysfs::NetInterface("veth0", 3, "02:00:00:00:00:03"));
    tree.Interface(CFakeSysfs::NetInterface("tun0", 4, "").AddrLen(0).ArpType(65534));
    tree.Interface(CFakeSysfs::NetInterface("dummy0", 5, "02:00:00:00:00:05"));
}

// One PCI function with two ports, told apart by dev_port.
inline const char* const kDualPort = "devices/pci0000:00/0000:00:01.0/0000:01:00.0";
inline void DualPort(CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    tree.Pci(kDualPort, {"0x15b3", "0x1003", "0x15b3", "0x0050", "0x00", {kMem64}, "0", 4});
    Loopback(tree, permanent);
    tree.Interface(CFakeSysfs::NetInterface("ens1", 2, "00:02:c9:00:00:01").On(kDualPort).DevPort(0));
    tree.Interface(CFakeSysfs::NetInterface("ens1d1", 3, "00:02:c9:00:00:02").On(kDualPort).DevPort(1));
    permanent.addresses["ens1"] = {0x00, 0x02, 0xC9, 0x00, 0x00, 0x01};
    permanent.addresses["ens1d1"] = {0x00, 0x02, 0xC9, 0x00, 0x00, 0x02};
}

}  // namespace machines
