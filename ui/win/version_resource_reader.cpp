#include "ui/win/version_resource_reader.h"

#include <windows.h>

#include <cstring>

#include "common/win/wide.h"

namespace {

// VerQueryValueW's answer for a path: a pointer into the buffer and a length. Only a pointer that lies inside the
// buffer is taken, so what is read from it afterwards stays inside the buffer too.
bool QueryValue(const std::vector<uint8_t>& buffer, const wchar_t* pszSubBlock, const uint8_t*& pValue,
                size_t& nBytesLeft)
{
    if (buffer.empty())
        return false;
    void* pFound = nullptr;
    UINT nLength = 0;
    if (!::VerQueryValueW(buffer.data(), pszSubBlock, &pFound, &nLength) || !pFound)
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
    DWORD dwHandle = 0;
    const DWORD nSize = ::GetFileVersionInfoSizeW(AsWide(strFile), &dwHandle);
    dwLastError = nSize == 0 ? ::GetLastError() : 0;
    return nSize;
}

bool CWinVersionResourceReader::Read(const std::u16string& strFile, std::vector<uint8_t>& buffer,
                                     uint32_t& dwLastError)
{
    if (!::GetFileVersionInfoW(AsWide(strFile), 0, static_cast<DWORD>(buffer.size()), buffer.data())) {
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
