#pragma once

// The device setup database as the device setup pass reads it: the present network-class devices, their allocated
// resources, instance IDs and NetCfgInstanceId values.

#include <windows.h>

#include <setupapi.h>

#include "common/win/scoped_win.h"
#include "inventory/sources.h"
#include "inventory/win/cm_resources.h"

class CSetupDeviceSource : public ISetupDeviceSource {
public:
    CSetupDeviceSource() = default;

    bool OpenDeviceSet() override;
    bool SelectDevice(uint32_t nIndex) override;
    std::vector<uint32_t> GetResourceTypes() override;
    std::optional<std::u16string> GetInstanceId() override;
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override;
    void CloseDeviceSet() override;

    // The SPDRP_DRIVER text of the current device (up to its first null), or none when it cannot be read.
    std::optional<std::u16string> GetDriverKey();

private:
    CResourceTypeReader m_resources;
    CUniqueDevInfo m_set;
    SP_DEVINFO_DATA m_device = {};
    bool m_bDeviceSelected = false;
};
