#pragma once

// The four operating-system sources the collecting passes read, each reduced to the plain values the passes use.
//
// Every source answers as the Windows calls behind it do, failures included, so that all decisions stay in the
// passes and the platform layers (inventory/win, inventory/linux) only fetch. Tests and the snapshot replay put
// their own implementations in place of the live ones.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A GUID as the network configuration hands it out.
struct CGuidValue {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
};

// Network configuration characteristic: the component is a physical adapter.
constexpr uint32_t NCF_PHYSICAL = 0x4;

// One component of the network class, as INetCfgComponent describes it.
struct CNetCfgComponentInfo {
    uint32_t m_dwCharacteristics = 0;      // NCF_* bits; 0 when they could not be read
    CGuidValue m_guidInstance;             // the instance GUID
    std::optional<std::u16string> m_strId;  // the component ID, or none
};

class INetCfgSource {
public:
    virtual ~INetCfgSource() = default;

    // Yields the components of the network class in enumeration order. Returns false when the configuration object
    // or its enumerator cannot be had. A walk that breaks off midway returns true with the components so far.
    virtual bool EnumComponents(std::vector<CNetCfgComponentInfo>& components) = 0;
};

class ISetupDeviceSource {
public:
    virtual ~ISetupDeviceSource() = default;

    // Opens the set of present network-class devices; false when the set cannot be had.
    virtual bool OpenDeviceSet() = 0;

    // Makes the device at nIndex (0, 1, 2, ...) the current one; false when there is no such device, which ends
    // the walk. Called only while the set is open.
    virtual bool SelectDevice(uint32_t nIndex) = 0;

    // The resource types of the descriptors of the current device's allocated configuration whose data could be
    // read, in order. Empty when it has no allocated configuration.
    virtual std::vector<uint32_t> GetResourceTypes() = 0;

    // The current device's instance ID, or none when it cannot be read.
    virtual std::optional<std::u16string> GetInstanceId() = 0;

    // The data of the NetCfgInstanceId value below the current device's driver key, exactly as stored (any length,
    // the terminating null included when the value holds one); none when there is no driver key, no such key or no
    // such value. Asked only for devices that the pass keeps.
    virtual std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() = 0;

    // Releases the set. Called once after a successful OpenDeviceSet.
    virtual void CloseDeviceSet() = 0;
};

// Object identifiers of the NDIS query interface.
constexpr uint32_t OID_802_3_PERMANENT_ADDRESS = 0x01010101;
constexpr uint32_t OID_802_3_CURRENT_ADDRESS = 0x01010102;

// The size of the buffer the hardware address pass hands to the driver.
constexpr uint32_t kDriverQueryBufferSize = 256;

// An open driver device. Closing it is its destruction.
class IDriverDevice {
public:
    virtual ~IDriverDevice() = default;

    // Queries one object identifier into the buffer. True on success, with nBytes the count the driver reported;
    // that count is not checked here (the pass clamps it). On failure nothing is promised about nBytes.
    virtual bool QueryOid(uint32_t dwOid, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& nBytes) = 0;
};

class IDriverSource {
public:
    virtual ~IDriverSource() = default;

    // Opens the driver device at the given path ("\\.\" followed by a GUID text); null when it cannot be opened.
    virtual std::unique_ptr<IDriverDevice> Open(const std::u16string& strDevicePath) = 0;
};

// Results of GetAdaptersAddresses that the choice tells apart.
constexpr uint32_t kAdapterTableNoError = 0;           // NO_ERROR
constexpr uint32_t kAdapterTableBufferOverflow = 111;  // ERROR_BUFFER_OVERFLOW
// Our own buffer for the table could not be allocated. Deliberately no Win32 error code: the call itself may answer
// ERROR_NOT_ENOUGH_MEMORY (8), and that is only an unreadable table, after which the fallbacks still run.
constexpr uint32_t kAdapterTableNoMemory = 0xFFFFFFFF;

// One entry of the adapter table (the fields of IP_ADAPTER_ADDRESSES that the choice reads).
struct CAdapterEntry {
    std::optional<std::u16string> m_strName;         // AdapterName in wide text; none when absent or not convertible
    std::optional<std::u16string> m_strDescription;  // Description; none when absent
    // The name the administrator gave the adapter (FriendlyName; on Linux the interface name). It is shown to the
    // user and decides nothing: the choice reads only the name, the description and the address.
    std::optional<std::u16string> m_strFriendlyName;
    uint32_t m_nAddressLength = 0;                   // PhysicalAddressLength, at most 8
    uint8_t m_address[8] = {};                       // PhysicalAddress
};

class IAdapterTableSource {
public:
    virtual ~IAdapterTableSource() = default;

    // GetAdaptersAddresses into a buffer whose declared size is nSize bytes. Answers kAdapterTableNoError with the
    // entries in the table's order; kAdapterTableBufferOverflow with nSize set to the size needed; or any other
    // code. kAdapterTableNoMemory means a buffer of nSize bytes could not be allocated.
    virtual uint32_t GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries) = 0;
};

// The four sources one determination reads. They are borrowed: whoever builds the set keeps them alive.
struct CInventorySources {
    INetCfgSource& netCfg;
    ISetupDeviceSource& devices;
    IDriverSource& drivers;
    IAdapterTableSource& adapters;
};

// The sources of the machine the program runs on: the build picks the Windows or the Linux implementation.
class CLiveSources {
public:
    CLiveSources();
    ~CLiveSources();
    CLiveSources(const CLiveSources&) = delete;
    CLiveSources& operator=(const CLiveSources&) = delete;

    CInventorySources Get();

private:
    class CImpl;
    std::unique_ptr<CImpl> m_pImpl;
};
