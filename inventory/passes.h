#pragma once

// The three collecting passes that fill the adapter inventory, in the order one determination runs them:
// EnumSetupDevices runs EnumNetCfgComponents first and ReadHardwareAddresses last.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/hid_dev_net.h"
#include "inventory/sources.h"

// GUID text as the network configuration pass writes it: braces, lower-case hexadecimal digits, 38 characters.
std::u16string FormatGuidText(const CGuidValue& guid);

// Reads a GUID text in braces, in any letter case ("{6B7D3F10-1111-2222-3333-444455556666}"). False when the text
// is not exactly of that form.
bool ParseGuidText(std::u16string_view text, CGuidValue& guid);

// Each pass returns false when memory ran out and it had to leave out something the machine has (a record, a flag,
// an address text): what it kept is sound, but the inventory is incomplete and no host ID may be taken from it.

// Appends one record per physical network component with a component ID, in enumeration order.
bool EnumNetCfgComponents(CDeviceList& list, INetCfgSource& source);

// The flag of one resource descriptor type; 0 for ResType_DoNotUse and every type outside 1 to 7.
uint32_t ResourceFlagFromType(uint32_t nResourceType);

// The registry value buffer of the device setup pass holds this many bytes; a longer value is not read at all.
constexpr size_t kNetCfgInstanceIdBufferSize = 256;

// The data of a registry string value (REG_SZ) as the registry stores it: UTF-16LE units and a terminating null.
std::vector<uint8_t> RegistryStringData(std::u16string_view text);

// The GUID text a NetCfgInstanceId value yields: its wide characters up to the first null or the end of the data,
// whichever comes first; empty when there is no value or it is longer than the registry value buffer.
std::u16string NetCfgInstanceIdText(const std::optional<std::vector<uint8_t>>& data);

// Runs the network configuration pass, then walks the present network-class devices and merges each flagged one
// into the inventory by its GUID text, then runs the hardware address pass. Without a device set the pass ends
// after the network configuration pass.
bool EnumSetupDevices(CDeviceList& list, const CInventorySources& sources);

// The device path of a record's driver: "\\.\" followed by the GUID text.
std::u16string DriverDevicePath(const std::u16string& strGuid);

// Reads the permanent and current hardware address of every flagged record from its driver; the permanent one
// becomes the record's address text.
bool ReadHardwareAddresses(CDeviceList& list, IDriverSource& drivers);
