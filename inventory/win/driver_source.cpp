#include "inventory/win/driver_source.h"

#include <windows.h>

#include "common/win/wide.h"
#include "inventory/win/scoped_win.h"

namespace {

static_assert(kIoctlNdisQueryGlobalStats == ((0x17u << 16) | (0u << 14) | (0u << 2) | 2u),
              "FILE_DEVICE_PHYSICAL_NETCARD, function 0, METHOD_OUT_DIRECT, FILE_ANY_ACCESS");

// One open driver device; the handle is closed when the object is destroyed.
class CDriverDevice : public IDriverDevice {
public:
    explicit CDriverDevice(CUniqueFileHandle handle) : m_handle(std::move(handle)) {}

    bool QueryOid(uint32_t dwOid, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& nBytes) override
    {
        DWORD nReturned = 0;
        const BOOL bOk = ::DeviceIoControl(m_handle.Get(), kIoctlNdisQueryGlobalStats, &dwOid, sizeof(dwOid), buffer,
                                           kDriverQueryBufferSize, &nReturned, nullptr);
        nBytes = nReturned;
        return bOk != FALSE;
    }

private:
    CUniqueFileHandle m_handle;
};

}  // namespace

std::unique_ptr<IDriverDevice> CDriverSource::Open(const std::u16string& strDevicePath)
{
    CUniqueFileHandle handle(::CreateFileW(AsWide(strDevicePath), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return nullptr;
    return std::make_unique<CDriverDevice>(std::move(handle));
}
