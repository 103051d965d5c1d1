#pragma once

// The registry key object of the Kavro programs: a key path below a root (by default
// HKEY_CURRENT_USER\Software\Kavro\VEDA\) and the key it has open. It serves one open: each CreateKey or OpenKey
// extends the path in place. The key is closed when the object goes.

#include <windows.h>

#include <cstdint>
#include <string>

class CKavroGuardRegistry {
public:
    CKavroGuardRegistry();
    virtual ~CKavroGuardRegistry();
    CKavroGuardRegistry(const CKavroGuardRegistry&) = delete;
    CKavroGuardRegistry& operator=(const CKavroGuardRegistry&) = delete;

    // Closes any open key, extends m_strKey by the subkey and one backslash when a subkey is given, and creates the
    // key (missing keys included) for writing, or opens it for reading. 0 with m_hKey open on success; 1279 on any
    // failure, with no key open.
    uint32_t CreateKey(const char16_t* pszSubkey);
    uint32_t OpenKey(const char16_t* pszSubkey);

    void Close();

    std::u16string m_strKey;
    HKEY m_hKey = nullptr;
    HKEY m_hRoot = HKEY_CURRENT_USER;

private:
    void ExtendPath(const char16_t* pszSubkey);
};

// The text of the "XY" value of the object's open key, or empty text (no open key, no such value, a short value of
// another type than REG_SZ, or a value too long to be a position).
std::u16string ReadXYValue(const CKavroGuardRegistry& registry);

// Writes the "XY" value of the object's open key as REG_SZ with its terminating null. Failure is not noticed.
void WriteXYValue(const CKavroGuardRegistry& registry, const std::u16string& strText);
