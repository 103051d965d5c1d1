#pragma once

// The operating-system services of the inspect tool. inspect/linux and inspect/win implement them; the build links
// the one of its platform.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// The machine's name (gethostname on Linux, GetComputerNameW on Windows); empty when it cannot be had.
std::u16string GetLocalComputerName();

// Reads a whole file of at most nMaxBytes bytes; on failure strReason says why.
bool ReadWholeFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes, std::string& strReason);

// Creates or overwrites a file with the bytes; on failure strReason says why.
bool WriteWholeFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason);

// Gives strReason and false: the failure of a file call, in one statement.
inline bool FileCallFailed(std::string& strReason, std::string strWhy)
{
    strReason = std::move(strWhy);
    return false;
}

// Writes bytes unchanged to standard output or standard error: no line-end translation, no code page.
bool WriteStandardOutput(std::string_view bytes);
bool WriteStandardError(std::string_view bytes);
