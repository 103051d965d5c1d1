#include "app/linux/linux_platform.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/linux/computer_name.h"
#include "common/linux/file_descriptor.h"
#include "common/text.h"

bool CLinuxFileSystem::PathExists(const std::u16string& strPath)
{
    struct stat status {};
    return stat(Utf16ToFileName(strPath).c_str(), &status) == 0;
}

void CLinuxFileSystem::CreateDirectoryTree(const std::u16string& strDirectory)
{
    const std::string strPath = Utf16ToFileName(strDirectory);
    // Each level in turn, from the first: "a/b/c" makes a, a/b and a/b/c; empty levels ("a//b", a leading or
    // trailing slash) are skipped. One mkdir per slash bounds the work by the length of the path.
    for (size_t nSlash = strPath.find('/', 1);; nSlash = strPath.find('/', nSlash + 1)) {
        const std::string strLevel = strPath.substr(0, nSlash);
        const bool bEmptyLevel = nSlash != std::string::npos && strPath[nSlash - 1] == '/';
        if (!strLevel.empty() && !bEmptyLevel && mkdir(strLevel.c_str(), 0777) != 0 && errno != EEXIST)
            return;
        if (nSlash == std::string::npos)
            break;
    }
}

EWriteResult CLinuxFileSystem::WriteNewFile(const std::u16string& strPath, const std::vector<uint8_t>& bytes)
{
    CFileDescriptor file(OpenOutputFile(Utf16ToFileName(strPath).c_str()));
    if (file.Get() < 0)
        return EWriteResult::CannotCreate;
    int nError = 0;
    const bool bWritten = WriteAll(file.Get(), bytes.data(), bytes.size(), nError);
    const bool bClosed = file.Close();
    return bWritten && bClosed ? EWriteResult::Written : EWriteResult::WriteFailed;
}

std::string InteractiveText(const std::string& strComputerName, const std::u16string& strHostId)
{
    // The host name is bytes chosen by whoever set it: control characters and line breaks in it are shown as the
    // inspect report shows them, so the output keeps its two lines.
    return "Computer name: " + PrintableUtf8(Utf8ToUtf16(strComputerName)) + "\nHost ID: " +
           PrintableUtf8(strHostId) + "\n";
}

void CConsoleUserInterface::RunMainDialog(const std::u16string& strHostId)
{
    const std::string strText = InteractiveText(ReadComputerName(), strHostId);
    // Interactive mode ends with 0 whatever happens to standard output, as closing the dialog does.
    std::fwrite(strText.data(), 1, strText.size(), stdout);
    std::fflush(stdout);
}

std::vector<std::u16string> ArgumentsFromArgv(int argc, const char* const* argv)
{
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv[i]; ++i)
        arguments.push_back(FileNameToUtf16(argv[i]));
    return arguments;
}
