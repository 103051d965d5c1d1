// lumohostid-inspect.exe: a console program with a wide-character entry point (linked with -municode), so that
// file names reach it in UTF-16 whatever the ANSI code page.

#include <string>
#include <vector>

#include "common/memory_reserve.h"
#include "common/win/system_module.h"
#include "common/win/wide.h"
#include "inspect/command.h"
#include "inspect/live_host.h"

extern "C" int wmain(int argc, wchar_t** argv)
{
    // Before anything can load a DLL by name, as in LumoHostID.exe: only the system directory is searched.
    RestrictDllSearchToSystemDirectory();
    // Enough for the exceptions and the one-line message after memory ran out.
    InstallMemoryReserve(256 * 1024, kInspectExitError);
    return RunLiveInspect([argc, argv] {
        std::vector<std::u16string> arguments;
        for (int i = 0; i < argc; ++i)
            arguments.push_back(FromWide(argv[i]));
        return arguments;
    });
}
