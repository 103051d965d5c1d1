#pragma once

// The four sources of the collecting passes on Linux, read from sysfs and the kernel's ethtool interface.
//
// Linux has neither the network configuration, nor the device setup database, nor NDIS, nor the IP Helper adapter
// table, so this maps what Linux does have onto them, such that a wired PCI adapter is found, flagged and chosen
// as on Windows and gets the same host ID (its digest input is the bare address text on both):
//
// - network configuration: every interface backed by a device (it has a "device" link) is a physical component
//   (NCF_PHYSICAL). Its component ID names its bus as a Windows device instance ID does (PCI\VEN_..., USB\VID_...,
//   VMBUS\{...}, XENVIF\...), from the first PCI, USB, VMBus or Xen device on the way from the interface's device up
//   to the root; any other bus gives its subsystem name in capitals. Its instance GUID is the version 5 GUID of the
//   device's sysfs path (inventory/linux/name_guid.h). Interfaces without a device (lo, bridges, veth, tun, bonds,
//   dummies) are not components at all.
// - setup devices: the same devices, in interface-index order, with the same instance ID. The resource types are
//   those of the PCI function (its "resource" ranges and its interrupt), none on other buses. NetCfgInstanceId is the
//   GUID text in upper case, given as the registry would store it: UTF-16LE with its terminating null.
// - driver devices: "\\.\{GUID}" opens the interface with that GUID (any letter case). The permanent address comes
//   from the ethtool permanent-address query, behind IPermanentAddressReader; a failed query or an all-zero answer
//   fails. The current address is the interface's "address" in sysfs.
// - adapter table: every interface with a link-layer address, in interface-index order. Its name is the GUID text
//   in upper case for a device-backed interface and the interface name otherwise. Its description says what the
//   kernel reports about the device, as a Windows driver's description does: "802.11 wireless LAN (WLAN)" for an
//   interface the kernel knows as wireless, so that the wireless rule of the choice (the description holds "WLAN")
//   applies to it and to nothing else, else the kind of link. The interface name, which the administrator may set
//   to anything ("wlan_up" on a wired adapter), is the entry's friendly name: shown, never deciding.
//
// The interfaces themselves (names, indexes, link types, addresses) come from one netlink dump where a link source
// is given and the kernel answers it, and from sysfs otherwise; sysfs always tells about the devices behind them.
//
// One reading serves one determination. The network configuration pass comes first in every
// determination, so EnumComponents reads the interfaces afresh and every later call answers from that reading: all
// four sources describe the same moment, and each interface is read once however many calls ask about it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inventory/linux/sysfs_net.h"
#include "inventory/sources.h"

// The permanent hardware address of an interface as its driver reports it.
class IPermanentAddressReader {
public:
    virtual ~IPermanentAddressReader() = default;

    // The address bytes of the named interface; none when the query fails.
    virtual std::optional<std::vector<uint8_t>> ReadPermanentAddress(const std::string& strInterface) = 0;
};

// The ethtool permanent-address query (SIOCETHTOOL with ETHTOOL_GPERMADDR) of the running kernel. It needs no
// privilege.
class CEthtoolPermanentAddressReader : public IPermanentAddressReader {
public:
    std::optional<std::vector<uint8_t>> ReadPermanentAddress(const std::string& strInterface) override;
};

// What the adapter table answers when there are no adapters, as GetAdaptersAddresses does (ERROR_NO_DATA), and when
// the interfaces cannot be read at all (ERROR_GEN_FAILURE).
constexpr uint32_t kAdapterTableNoData = 232;
constexpr uint32_t kAdapterTableFailure = 31;

// The size one entry takes in the table's buffer: an IP_ADAPTER_ADDRESSES record of 64-bit Windows (448 bytes),
// the name as narrow text and the description as wide text, both with their terminating nulls.
uint32_t AdapterEntrySize(const CAdapterEntry& entry);

// The GUID text of an interface in upper case, as Windows shows NetCfgInstanceId and AdapterName.
std::u16string UpperGuidText(const CGuidValue& guid);

// The adapter-table description of an interface: what the kernel says about it, never its name.
std::u16string AdapterDescription(bool bWireless, std::optional<uint32_t> nLinkType);

// The adapter-table entry of an interface.
CAdapterEntry AdapterEntryFromInterface(const CNetInterface& netInterface);

class CLinuxSources : public INetCfgSource,
                      public ISetupDeviceSource,
                      public IDriverSource,
                      public IAdapterTableSource {
public:
    // strSysfsRoot is "/sys" on a live system. The reader and the link source are borrowed and must outlive this
    // object; without a link source, or when its dump fails, the interfaces are read from sysfs alone.
    CLinuxSources(std::string strSysfsRoot, IPermanentAddressReader& permanentAddresses,
                  ILinkSource* pLinkSource = nullptr);

    CInventorySources Get() { return CInventorySources{*this, *this, *this, *this}; }

    bool EnumComponents(std::vector<CNetCfgComponentInfo>& components) override;

    bool OpenDeviceSet() override;
    bool SelectDevice(uint32_t nIndex) override;
    std::vector<uint32_t> GetResourceTypes() override;
    std::optional<std::u16string> GetInstanceId() override;
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override;
    void CloseDeviceSet() override;

    std::unique_ptr<IDriverDevice> Open(const std::u16string& strDevicePath) override;

    uint32_t GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries) override;

private:
    // Reads every interface afresh.
    void Rescan();
    // The interfaces of the current reading, reading them first when there is none; none when they cannot be read.
    const std::optional<std::vector<CNetInterface>>& Interfaces();

    std::string m_strRoot;
    IPermanentAddressReader& m_permanentAddresses;
    ILinkSource* m_pLinkSource;
    bool m_bScanned = false;
    std::optional<std::vector<CNetInterface>> m_interfaces;  // every interface, in interface-index order
    std::vector<size_t> m_devices;                           // the device-backed ones among them
    std::vector<size_t> m_deviceSet;                         // while the device set is open
    size_t m_nCurrent = 0;
};
