// The walk over the arguments and the exit: switch, on any argument vector.

#include <set>

#include "app/command_line.h"
#include "app/start_up.h"
#include "common/text.h"
#include "fuzz_input.h"

namespace {

// Remembers what exists and what start-up created; never touches the disk.
class CMemoryFileSystem : public IOutputFileSystem {
public:
    std::set<std::u16string> m_directories;

    char16_t GetDirectorySeparator() const override { return u'\\'; }
    bool PathExists(const std::u16string& strPath) override { return m_directories.count(strPath) != 0; }
    void CreateDirectoryTree(const std::u16string& strDirectory) override
    {
        FUZZ_CHECK(!strDirectory.empty());
        FUZZ_CHECK(m_directories.insert(strDirectory).second);
    }
    EWriteResult WriteNewFile(const std::u16string&, const std::vector<uint8_t>&) override
    {
        return EWriteResult::CannotCreate;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input is UTF-8 arguments separated by zero bytes, the program name first.
    std::vector<std::u16string> arguments(1, u"LumoHostID.exe");
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (size_t start = 0; start <= input.size();) {
        const size_t end = std::min(input.find('\0', start), input.size());
        arguments.push_back(Utf8ToUtf16(input.substr(start, end - start)));
        start = end + 1;
    }

    CMemoryFileSystem fileSystem;
    CConfigurationData configuration(fileSystem);
    ParseCommandLine(arguments, configuration);

    // The outcome follows from the last switch that begins with exit: exactly.
    std::optional<std::u16string> strExpected;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& a = arguments[i];
        if (a.size() >= 6 && (a[0] == u'/' || a[0] == u'-') && a.compare(1, 5, u"exit:") == 0)
            strExpected = a.substr(6);
    }
    FUZZ_CHECK(configuration.m_bExit == strExpected.has_value());
    FUZZ_CHECK(configuration.GetExitPath() == strExpected.value_or(u""));
    return 0;
}
