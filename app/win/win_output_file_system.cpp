#include "app/win/win_output_file_system.h"

#include <windows.h>

#include <shlobj.h>

#include "common/win/scoped_win.h"
#include "common/win/wide.h"

bool CWinOutputFileSystem::PathExists(const std::u16string& strPath)
{
    return ::GetFileAttributesW(AsWide(strPath)) != INVALID_FILE_ATTRIBUTES;
}

void CWinOutputFileSystem::CreateDirectoryTree(const std::u16string& strDirectory)
{
    // SHCreateDirectoryExW refuses a relative path (ERROR_BAD_PATHNAME), so the directory is made absolute against
    // the working directory first, as CreateFileW resolves the file's own path. Should that fail, the text is
    // passed as it stands.
    std::u16string strFull = strDirectory;
    const DWORD nNeeded = ::GetFullPathNameW(AsWide(strDirectory), 0, nullptr, nullptr);
    if (nNeeded > 0) {
        std::u16string strBuffer(nNeeded, u'\0');
        const DWORD nLength = ::GetFullPathNameW(AsWide(strDirectory), nNeeded, AsWide(&strBuffer[0]), nullptr);
        if (nLength > 0 && nLength < nNeeded)
            strFull.assign(strBuffer, 0, nLength);
    }
    ::SHCreateDirectoryExW(nullptr, AsWide(strFull), nullptr);
}

EWriteResult CWinOutputFileSystem::WriteNewFile(const std::u16string& strPath, const std::vector<uint8_t>& bytes)
{
    const CUniqueFileHandle file(::CreateFileW(AsWide(strPath), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return EWriteResult::CannotCreate;
    DWORD nWritten = 0;
    const DWORD nCount = static_cast<DWORD>(bytes.size());
    if (!::WriteFile(file.Get(), bytes.data(), nCount, &nWritten, nullptr) || nWritten != nCount)
        return EWriteResult::WriteFailed;
    return EWriteResult::Written;
}
