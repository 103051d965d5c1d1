#pragma once

// Files as the Windows tests look at what a program wrote, and clear up after it.

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/win/scoped_win.h"
#include "common/win/wide.h"

// The first nMaxBytes bytes of a file (far more than an output file holds), or none when it cannot be opened.
inline std::optional<std::vector<uint8_t>> ReadFileBytes(const std::u16string& strPath, DWORD nMaxBytes = 4096)
{
    const CUniqueFileHandle file(::CreateFileW(AsWide(strPath), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               0, nullptr));
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes(nMaxBytes);
    DWORD nRead = 0;
    ::ReadFile(file.Get(), bytes.data(), nMaxBytes, &nRead, nullptr);
    bytes.resize(nRead);
    return bytes;
}

// Removes a file or a whole directory tree; nothing there is no failure.
inline void RemoveTree(const std::u16string& strPath)
{
    // SHFileOperationW wants a list ending in two nulls.
    std::u16string strFrom = strPath + u'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = AsWide(strFrom);
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&operation);
}
