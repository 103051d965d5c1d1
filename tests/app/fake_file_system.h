#pragma once

// An in-memory file system with Windows path rules: drives, backslash separators, and files that can only be
// created in a directory that exists.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/start_up.h"

class CFakeFileSystem : public IOutputFileSystem {
public:
    std::set<std::u16string> directories = {u"C:"};
    std::map<std::u16string, std::vector<uint8_t>> files;
    std::vector<std::u16string> created;    // directories created, in order
    std::vector<std::u16string> tested;     // names tested for existence, in order
    bool failWrites = false;                // the file opens, but the write fails
    size_t shortWriteBy = 0;                // the write stops this many bytes short

    char16_t GetDirectorySeparator() const override { return u'\\'; }

    bool PathExists(const std::u16string& path) override
    {
        tested.push_back(path);
        return directories.count(path) != 0 || files.count(path) != 0;
    }

    void CreateDirectoryTree(const std::u16string& directory) override
    {
        // Like SHCreateDirectoryExW: every missing level is made, but only on a drive that exists.
        const size_t colon = directory.find(u':');
        if (colon == std::u16string::npos || directories.count(directory.substr(0, colon + 1)) == 0)
            return;
        for (size_t at = directory.find(u'\\'); ; at = directory.find(u'\\', at + 1)) {
            const std::u16string level = directory.substr(0, at);
            if (directories.insert(level).second)
                created.push_back(level);
            if (at == std::u16string::npos)
                break;
        }
    }

    EWriteResult WriteNewFile(const std::u16string& path, const std::vector<uint8_t>& bytes) override
    {
        const size_t slash = path.rfind(u'\\');
        const std::u16string parent = slash == std::u16string::npos ? u"C:" : path.substr(0, slash);
        if (path.empty() || path.back() == u'\\' || directories.count(parent) == 0 || directories.count(path) != 0)
            return EWriteResult::CannotCreate;
        std::vector<uint8_t>& content = files[path];
        content.clear();  // created or emptied
        if (failWrites)
            return EWriteResult::WriteFailed;
        content.assign(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(std::min(shortWriteBy, bytes.size())));
        return shortWriteBy ? EWriteResult::WriteFailed : EWriteResult::Written;
    }
};
