#pragma once

// The NDIS query interface of the network drivers, as the hardware address pass reads it.

#include "inventory/sources.h"

// IOCTL_NDIS_QUERY_GLOBAL_STATS: CTL_CODE(FILE_DEVICE_PHYSICAL_NETCARD, 0, METHOD_OUT_DIRECT, FILE_ANY_ACCESS).
constexpr uint32_t kIoctlNdisQueryGlobalStats = 0x00170002;

class CDriverSource : public IDriverSource {
public:
    std::unique_ptr<IDriverDevice> Open(const std::u16string& strDevicePath) override;
};
