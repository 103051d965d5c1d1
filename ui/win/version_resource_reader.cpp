#include "ui/win/version_resource_reader.h"

#include <windows.h>

#include <cstring>

#include "common/win/system_module.h"
#include "common/win/wide.h"

namespace {

// The three functions of the system directory's version.dll, loaded when the first version resource is read.
// version.dll is not one of Windows' KnownDLLs, so importing it at load time would let a version.dll in the
// program's folder be loaded instead. A function that cannot be had answers as its call does when it fails.
struct CVersionFunctions {
    decltype(&::GetFileVersionInfoSizeW) m_pGetFileVersionInfoSizeW = nullptr;
    decltype(&::GetFileVersionInfoW) m_pGetFileVersionInfoW = nullptr;
    decltype(&::VerQueryValueW) m_pVerQueryValueW = nullptr;
};

const CVersionFunctions& VersionFunctions()
{
    static const CVersionFunctions functions = [] {
        CVersionFunctions loaded;
        const HMODULE hModule = LoadSystemModule(L"version.dll");
        loaded.m_pGetFileVersionInfoSizeW =
            LoadModuleFunction<decltype(&::GetFileVersionInfoSizeW)>(hModule, "GetFileVersionInfoSizeW");
        loaded.m_pGetFileVersionInfoW =
            LoadModuleFunction<decltype(&::GetFileVersionInfoW)>(hModule, "GetFileVersionInfoW");
        loaded.m_pVerQueryValueW = LoadModuleFunction<decltype(&::VerQueryValueW)>(hModule, "VerQueryValueW");
        return loaded;
    }();
    return functions;
}

// VerQueryValueW's answer for a path: a pointer into the buffer and a length. Only a pointer that lies inside the
// buffer is taken, so what is read from it afterwards stays inside the buffer too.
bool QueryValue(const std::vector<uint8_t>& buffer, const wchar_t* pszSubBlock, const uint8_t*& pValue,
                size_t& nBytesLeft)
{
    const auto pVerQueryValueW = VersionFunctions().m_pVerQueryValueW;
    if (buffer.empty() || !pVerQueryValueW)
        return false;
    void* pFound = nullptr;
    UINT nLength = 0;
    if (!pVerQueryValueW(buffer.data(), pszSubBlock, &pFound, &nLength) || !pFound)
        return false;
    const auto* pByte = static_cast<const uint8_t*>(pFound);
    if (pByte < buffer.data() || pByte >= buffer.data() + buffer.size())
        return false;
    pValue = pByte;
    nBytesLeft = static_cast<size_t>(buffer.data() + buffer.size() - pByte);
    return true;
}

}  // namespace

uint32_t CWinVersionResourceReader::GetSize(const std::u16string& strFile, uint32_t& dwLastError)
{
    const auto pGetFileVersionInfoSizeW = VersionFunctions().m_pGetFileVersionInfoSizeW;
    if (!pGetFileVersionInfoSizeW) {
        dwLastError = ERROR_PROC_NOT_FOUND;
        return 0;
    }
    DWORD dwHandle = 0;
    const DWORD nSize = pGetFileVersionInfoSizeW(AsWide(strFile), &dwHandle);
    dwLastError = nSize == 0 ? ::GetLastError() : 0;
    return nSize;
}

bool CWinVersionResourceReader::Read(const std::u16string& strFile, std::vector<uint8_t>& buffer,
                                     uint32_t& dwLastError)
{
    const auto pGetFileVersionInfoW = VersionFunctions().m_pGetFileVersionInfoW;
    if (!pGetFileVersionInfoW) {
        dwLastError = ERROR_PROC_NOT_FOUND;
        return false;
    }
    if (!pGetFileVersionInfoW(AsWide(strFile), 0, static_cast<DWORD>(buffer.size()), buffer.data())) {
        dwLastError = ::GetLastError();
        return false;
    }
    dwLastError = 0;
    return true;
}

std::optional<std::pair<uint16_t, uint16_t>> CWinVersionResourceReader::QueryFirstTranslation(
    const std::vector<uint8_t>& buffer)
{
    const uint8_t* pValue = nullptr;
    size_t nBytesLeft = 0;
    // A table too short for one pair counts as no table.
    if (!QueryValue(buffer, L"\\VarFileInfo\\Translation", pValue, nBytesLeft) || nBytesLeft < 4)
        return std::nullopt;
    uint16_t pair[2];
    std::memcpy(pair, pValue, sizeof(pair));
    return std::make_pair(pair[0], pair[1]);
}

std::optional<std::u16string> CWinVersionResourceReader::QueryString(const std::vector<uint8_t>& buffer,
                                                                     const std::u16string& strSubBlock)
{
    const uint8_t* pValue = nullptr;
    size_t nBytesLeft = 0;
    if (!QueryValue(buffer, AsWide(strSubBlock), pValue, nBytesLeft))
        return std::nullopt;
    // The text up to its terminating null, and never past the end of the buffer.
    std::u16string strText;
    for (size_t i = 0; i + 1 < nBytesLeft; i += 2) {
        char16_t unit;
        std::memcpy(&unit, pValue + i, sizeof(unit));
        if (unit == 0)
            break;
        strText.push_back(unit);
    }
    return strText;
}
