#include "inventory/win/setup_device_source.h"

#include "common/win/wide.h"
#include "inventory/win/growth_query.h"

namespace {

// {4D36E972-E325-11CE-BFC1-08002BE10318}: the setup class of network adapters.
const GUID kGuidDevClassNet = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The 64-bit SP_DEVINFO_DATA: SetupDiEnumDeviceInfo rejects any other size with ERROR_INVALID_USER_BUFFER.
static_assert(sizeof(SP_DEVINFO_DATA) == 32, "SP_DEVINFO_DATA of the 64-bit Setup API");

CQueryAnswer AnswerOfFailedCall(DWORD nRequired)
{
    if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        return {EQueryResult::InsufficientBuffer, nRequired};
    return {EQueryResult::Failure, 0};
}

}  // namespace

bool CSetupDeviceSource::OpenDeviceSet()
{
    m_set.Reset(::SetupDiGetClassDevsW(&kGuidDevClassNet, nullptr, nullptr, DIGCF_PRESENT));
    m_bDeviceSelected = false;
    return m_set.IsValid();
}

bool CSetupDeviceSource::SelectDevice(uint32_t nIndex)
{
    m_device = {};
    m_device.cbSize = sizeof(SP_DEVINFO_DATA);
    m_bDeviceSelected = m_set && ::SetupDiEnumDeviceInfo(m_set.Get(), nIndex, &m_device);
    return m_bDeviceSelected;
}

std::vector<uint32_t> CSetupDeviceSource::GetResourceTypes()
{
    if (!m_bDeviceSelected)
        return {};
    return m_resources.Read(m_device.DevInst);
}

std::optional<std::u16string> CSetupDeviceSource::GetInstanceId()
{
    if (!m_bDeviceSelected)
        return std::nullopt;
    // Sizes in characters, the terminating null included.
    const auto units = QueryWithGrowth<char16_t>([this](char16_t* pBuffer, uint32_t nSize) -> CQueryAnswer {
        DWORD nRequired = 0;
        if (::SetupDiGetDeviceInstanceIdW(m_set.Get(), &m_device, AsWide(pBuffer), nSize, &nRequired))
            return {EQueryResult::Success, nSize};
        return AnswerOfFailedCall(nRequired);
    });
    if (!units)
        return std::nullopt;
    return TextUpToNull(*units);
}

std::optional<std::u16string> CSetupDeviceSource::GetDriverKey()
{
    if (!m_bDeviceSelected)
        return std::nullopt;
    // Sizes in bytes. The property is a REG_SZ; its type is not examined.
    const auto bytes = QueryWithGrowth<uint8_t>([this](uint8_t* pBuffer, uint32_t nSize) -> CQueryAnswer {
        DWORD dwType = 0;
        DWORD nRequired = 0;
        if (::SetupDiGetDeviceRegistryPropertyW(m_set.Get(), &m_device, SPDRP_DRIVER, &dwType, pBuffer, nSize,
                                                &nRequired))
            return {EQueryResult::Success, nSize};
        return AnswerOfFailedCall(nRequired);
    });
    if (!bytes)
        return std::nullopt;
    return TextUpToNull(*bytes);
}

std::optional<std::vector<uint8_t>> CSetupDeviceSource::GetNetCfgInstanceIdData()
{
    const std::optional<std::u16string> strDriverKey = GetDriverKey();
    if (!strDriverKey || strDriverKey->empty())
        return std::nullopt;  // an empty name would open the class root itself

    // SetupDiOpenClassRegKey answers INVALID_HANDLE_VALUE, not null, when it fails.
    const HKEY hClassRoot = ::SetupDiOpenClassRegKey(nullptr, KEY_READ);
    if (hClassRoot == INVALID_HANDLE_VALUE || hClassRoot == nullptr)
        return std::nullopt;
    const CUniqueRegKey classRoot(hClassRoot);

    CUniqueRegKey driverKey;
    if (::RegOpenKeyExW(classRoot.Get(), AsWide(*strDriverKey), 0, KEY_READ, driverKey.Put()) != ERROR_SUCCESS)
        return std::nullopt;

    // The whole of the value's data, whatever its length: the pass decides what is too long. A call without a
    // buffer answers the size with ERROR_SUCCESS, which the loop is told as a request for a buffer of that size.
    return QueryWithGrowth<uint8_t>([&driverKey](uint8_t* pBuffer, uint32_t nSize) -> CQueryAnswer {
        DWORD dwType = 0;
        DWORD cbData = nSize;
        const LSTATUS nResult = ::RegQueryValueExW(driverKey.Get(), L"NetCfgInstanceId", nullptr, &dwType,
                                                   pBuffer, &cbData);
        if (nResult == ERROR_MORE_DATA || (nResult == ERROR_SUCCESS && pBuffer == nullptr && cbData > 0))
            return {EQueryResult::InsufficientBuffer, cbData};
        if (nResult == ERROR_SUCCESS)
            return {EQueryResult::Success, cbData};
        return {EQueryResult::Failure, 0};
    });
    // Both keys are closed here, driver key first, within the device.
}

void CSetupDeviceSource::CloseDeviceSet()
{
    m_bDeviceSelected = false;
    m_set.Reset();
}
