#include "ui/win/kavro_guard_registry.h"

#include "common/win/wide.h"
#include "ui/layout.h"

namespace {

// The "XY" value of an open key, as RegQueryValueExW answers for it.
class CXYValueQuery : public IXYValueQuery {
public:
    explicit CXYValueQuery(HKEY hKey) : m_hKey(hKey) {}

    uint32_t Query(uint8_t* pBuffer, uint32_t& nBytes, uint32_t& dwType) override
    {
        DWORD dwValueType = 0;
        DWORD cbData = nBytes;
        const LSTATUS nResult = ::RegQueryValueExW(m_hKey, L"XY", nullptr, &dwValueType, pBuffer, &cbData);
        dwType = dwValueType;
        nBytes = cbData;
        return static_cast<uint32_t>(nResult);
    }

private:
    HKEY m_hKey;
};

}  // namespace

CKavroGuardRegistry::CKavroGuardRegistry() : m_strKey(DefaultKavroKey()) {}

CKavroGuardRegistry::~CKavroGuardRegistry()
{
    Close();
}

void CKavroGuardRegistry::Close()
{
    if (m_hKey) {
        ::RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

void CKavroGuardRegistry::ExtendPath(const char16_t* pszSubkey)
{
    Close();
    if (pszSubkey)
        m_strKey = ExtendKeyPath(m_strKey, pszSubkey);
}

uint32_t CKavroGuardRegistry::CreateKey(const char16_t* pszSubkey)
{
    ExtendPath(pszSubkey);
    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    if (::RegCreateKeyExW(m_hRoot, AsWide(m_strKey), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &hKey,
                          &dwDisposition) != ERROR_SUCCESS)
        return kRegistryKeyFailed;
    m_hKey = hKey;
    return kRegistryKeyOk;
}

uint32_t CKavroGuardRegistry::OpenKey(const char16_t* pszSubkey)
{
    ExtendPath(pszSubkey);
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(m_hRoot, AsWide(m_strKey), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return kRegistryKeyFailed;
    m_hKey = hKey;
    return kRegistryKeyOk;
}

std::u16string ReadXYValue(const CKavroGuardRegistry& registry)
{
    if (!registry.m_hKey)
        return std::u16string();
    CXYValueQuery query(registry.m_hKey);
    return ReadXYValueText(query);
}

void WriteXYValue(const CKavroGuardRegistry& registry, const std::u16string& strText)
{
    if (!registry.m_hKey)
        return;
    ::RegSetValueExW(registry.m_hKey, L"XY", 0, REG_SZ, reinterpret_cast<const BYTE*>(strText.c_str()),
                     static_cast<DWORD>(XYValueDataBytes(strText)));
}
