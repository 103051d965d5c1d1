#pragma once

// The Linux side of start-up: files and directories through POSIX calls, and the main dialog's two fields printed
// on standard output.

#include <cstdint>
#include <string>
#include <vector>

#include "app/start_up.h"

// Output files and their directories. Paths are UTF-8 on disk; "/" separates directories, and a backslash is an
// ordinary character of a file name.
class CLinuxFileSystem : public IOutputFileSystem {
public:
    char16_t GetDirectorySeparator() const override { return u'/'; }

    // Whether anything of that name exists (a file, a directory, or a link to one).
    bool PathExists(const std::u16string& strPath) override;

    // Creates every missing level of the directory, as SHCreateDirectoryExW does; relative paths start from the
    // working directory. A level that cannot be made ends the work silently: it shows when the file is created.
    void CreateDirectoryTree(const std::u16string& strDirectory) override;

    // Creates or empties the file (O_CREAT | O_TRUNC) and writes every byte. A write that fails or falls short,
    // and a close that reports a lost write, is WriteFailed.
    EWriteResult WriteNewFile(const std::u16string& strPath, const std::vector<uint8_t>& bytes) override;
};

// The text of interactive mode: the main dialog's two fields, one per line.
std::string InteractiveText(const std::string& strComputerName, const std::u16string& strHostId);

// Interactive mode without a window system: the main dialog's fields go to standard output.
class CConsoleUserInterface : public IUserInterface {
public:
    void SetUp() override {}
    void RunMainDialog(const std::u16string& strHostId) override;
};

// The argument list of start-up from main's argv, program name first; each argument is taken as UTF-8.
std::vector<std::u16string> ArgumentsFromArgv(int argc, const char* const* argv);
