#include "inventory/win/driver_source.h"

// The SDK's <ntddndis.h> defines OID_802_3_PERMANENT_ADDRESS and OID_802_3_CURRENT_ADDRESS as macros of the same
// names as the constants the hardware address pass uses. Once it is included, either name means the SDK's value, so
// the pass's values are taken here, before any Windows header, and held against the SDK's below.
#if defined(OID_802_3_PERMANENT_ADDRESS) || defined(OID_802_3_CURRENT_ADDRESS)
#error "a Windows header came first: the pass's own address identifiers can no longer be read here"
#endif

namespace {

constexpr uint32_t kPassPermanentAddressOid = OID_802_3_PERMANENT_ADDRESS;
constexpr uint32_t kPassCurrentAddressOid = OID_802_3_CURRENT_ADDRESS;

}  // namespace

#include <windows.h>

#include <ntddndis.h>

#include "common/win/scoped_win.h"
#include "common/win/wide.h"

#if !defined(OID_802_3_PERMANENT_ADDRESS) || !defined(OID_802_3_CURRENT_ADDRESS)
#error "<ntddndis.h> no longer defines the 802.3 address identifiers"
#endif
static_assert(kPassPermanentAddressOid == OID_802_3_PERMANENT_ADDRESS,
              "the permanent address must be asked for with the SDK's OID_802_3_PERMANENT_ADDRESS");
static_assert(kPassCurrentAddressOid == OID_802_3_CURRENT_ADDRESS,
              "the current address must be asked for with the SDK's OID_802_3_CURRENT_ADDRESS");

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
