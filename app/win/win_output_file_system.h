#pragma once

// The output file of start-up on Windows: the directory test and creation, and the file creation and write.

#include "app/start_up.h"

class CWinOutputFileSystem : public IOutputFileSystem {
public:
    char16_t GetDirectorySeparator() const override { return u'\\'; }

    // Whether GetFileAttributesW finds a file or directory of that name.
    bool PathExists(const std::u16string& strPath) override;

    // SHCreateDirectoryExW with no owner window and no security attributes, given the directory made absolute (a
    // relative one is taken from the working directory); its result is not used.
    void CreateDirectoryTree(const std::u16string& strDirectory) override;

    // CreateFileW for writing with CREATE_ALWAYS, then one WriteFile of all the bytes.
    EWriteResult WriteNewFile(const std::u16string& strPath, const std::vector<uint8_t>& bytes) override;
};
