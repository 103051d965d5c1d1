// lumohostid: the host ID of this machine, on standard output or, with /exit:<path>, in a file.

#include <cstddef>

#include "app/linux/linux_platform.h"
#include "app/live_start_up.h"
#include "common/linux/file_descriptor.h"
#include "common/memory_reserve.h"

namespace {

// Enough for the exceptions and the emptied output file after memory ran out.
constexpr size_t kMemoryReserveBytes = 64 * 1024;

}  // namespace

int main(int argc, char** argv)
{
    // A closed pipe or a file-size limit fails the write, which the exit code reports, rather than ending the process.
    IgnoreWriteSignals();
    InstallMemoryReserve(kMemoryReserveBytes, kExitNoMemory);
    CLinuxFileSystem fileSystem;
    CConsoleUserInterface userInterface;
    return RunLiveStartUp([argc, argv] { return ArgumentsFromArgv(argc, argv); }, fileSystem, userInterface);
}
