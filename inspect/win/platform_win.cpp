#include "inspect/platform.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "common/win/computer_name.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"

namespace {

// WriteFile and ReadFile take 32-bit counts; larger amounts go in pieces of this size.
constexpr DWORD kMaxChunk = 1u << 30;

// The system's text for an error code, on one line, with the code.
std::string Reason(DWORD dwError)
{
    wchar_t szText[512] = {};
    const DWORD nLength = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                               FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                           nullptr, dwError, 0, szText, ARRAYSIZE(szText), nullptr);
    std::u16string strText = FromWide(szText, std::min<DWORD>(nLength, ARRAYSIZE(szText) - 1));
    while (!strText.empty() && (strText.back() == u' ' || strText.back() == u'.'))
        strText.pop_back();
    const std::string strCode = "error " + std::to_string(dwError);
    return strText.empty() ? strCode : Utf16ToUtf8(strText) + " (" + strCode + ")";
}

bool WriteAll(HANDLE h, std::string_view bytes, DWORD& dwError)
{
    size_t nDone = 0;
    while (nDone < bytes.size()) {
        const DWORD nChunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - nDone, kMaxChunk));
        DWORD nWritten = 0;
        // Each successful call writes at least one byte, so the loop ends.
        if (!::WriteFile(h, bytes.data() + nDone, nChunk, &nWritten, nullptr) || nWritten == 0) {
            dwError = ::GetLastError();
            return false;
        }
        nDone += nWritten;
    }
    return true;
}

bool WriteStandard(DWORD dwWhich, std::string_view bytes)
{
    // The bytes go out as they are: UTF-8 whatever code page a console may have.
    const HANDLE h = ::GetStdHandle(dwWhich);
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return false;
    DWORD dwError = 0;
    return WriteAll(h, bytes, dwError);
}

}  // namespace

std::u16string GetLocalComputerName()
{
    return ReadComputerName();
}

bool ReadWholeFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes, std::string& strReason)
{
    const CUniqueFileHandle file(::CreateFileW(AsWide(strPath), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return FileCallFailed(strReason, Reason(::GetLastError()));
    // A snapshot is a file on a disk, or a pipe that one is written into. Anything else, such as NUL, CON or a
    // serial port, is refused before the first read, since reading a character device may wait for input for ever.
    const DWORD dwType = ::GetFileType(file.Get());
    const bool bPipe = dwType == FILE_TYPE_PIPE;
    if (dwType != FILE_TYPE_DISK && !bPipe)
        return FileCallFailed(strReason, "not a regular file, a FIFO or a pipe");
    // Reads until the end of the file, but never more than one chunk beyond the limit.
    bytes.clear();
    std::vector<char> chunk(65536);
    for (;;) {
        DWORD nRead = 0;
        if (!::ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &nRead, nullptr)) {
            // A pipe whose writer has closed its end says so with ERROR_BROKEN_PIPE: that is the end of the data.
            if (bPipe && ::GetLastError() == ERROR_BROKEN_PIPE)
                return true;
            return FileCallFailed(strReason, Reason(::GetLastError()));
        }
        if (nRead == 0)
            return true;
        bytes.append(chunk.data(), nRead);
        if (bytes.size() > nMaxBytes)
            return FileCallFailed(strReason, "larger than " + std::to_string(nMaxBytes) + " bytes");
    }
}

bool WriteWholeFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason)
{
    CUniqueFileHandle file(::CreateFileW(AsWide(strPath), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return FileCallFailed(strReason, Reason(::GetLastError()));
    DWORD dwError = 0;
    if (!WriteAll(file.Get(), bytes, dwError))
        return FileCallFailed(strReason, Reason(dwError));
    // CloseHandle can carry a late write error, so the handle is closed here and its answer checked.
    if (!::CloseHandle(file.Release()))
        return FileCallFailed(strReason, Reason(::GetLastError()));
    return true;
}

bool WriteStandardOutput(std::string_view bytes)
{
    return WriteStandard(STD_OUTPUT_HANDLE, bytes);
}

bool WriteStandardError(std::string_view bytes)
{
    return WriteStandard(STD_ERROR_HANDLE, bytes);
}
