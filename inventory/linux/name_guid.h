#pragma once

// Name-based GUIDs (RFC 4122 version 5: SHA-1 of a namespace GUID followed by the name).
//
// Linux has no instance GUID for a network adapter, so the Linux sources make one from the adapter's device path
// in sysfs, for example "/sys/devices/pci0000:00/0000:00:1f.6". The same device in the same place gets the same
// GUID after every reboot, and anyone can recompute it:
//   python3 -c "import uuid; print(uuid.uuid5(uuid.UUID('a6a24649-ec9e-450f-9812-666b8f50e7ec'), '<path>'))"

#include <array>
#include <cstdint>
#include <string_view>

#include "inventory/sources.h"

// The namespace of device paths in sysfs, {a6a24649-ec9e-450f-9812-666b8f50e7ec}: a random GUID of this program's
// own, so that its GUIDs never collide with those other programs derive from the same paths.
extern const CGuidValue kSysfsDevicePathNamespace;

// The sixteen bytes of a GUID in network byte order, as its text reads.
std::array<uint8_t, 16> GuidBytes(const CGuidValue& guid);

// The version 5 GUID of a name (its bytes as given, normally UTF-8) in a namespace.
CGuidValue NameBasedGuid(const CGuidValue& guidNamespace, std::string_view name);
