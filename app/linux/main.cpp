// lumohostid: the host ID of this machine, on standard output or, with /exit:<path>, in a file.

#include <memory>
#include <new>
#include <optional>

#include "app/linux/linux_platform.h"
#include "app/start_up.h"
#include "common/linux/file_descriptor.h"
#include "common/memory_reserve.h"
#include "inventory/sources.h"

namespace {

// Enough for the exceptions and the emptied output file after memory ran out.
constexpr size_t kMemoryReserveBytes = 64 * 1024;

int32_t RunWithLiveSources(int argc, char** argv, CLinuxFileSystem& fileSystem, CConsoleUserInterface& userInterface)
{
    const std::vector<std::u16string> arguments = ArgumentsFromArgv(argc, argv);
    // Sources that cannot be set up for lack of memory make a determination that ran out of memory, so that the
    // output file is still emptied.
    std::unique_ptr<CLiveSources> pSources;
    std::optional<CInventorySources> sources;
    try {
        pSources = std::make_unique<CLiveSources>();
        sources.emplace(pSources->Get());
    } catch (const std::bad_alloc&) {
    }
    return RunStartUp(arguments, fileSystem, userInterface, sources ? &*sources : nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    // A closed pipe or a file-size limit fails the write, which the exit code reports, rather than ending the process.
    IgnoreWriteSignals();
    InstallMemoryReserve(kMemoryReserveBytes, kExitNoMemory);
    CLinuxFileSystem fileSystem;
    CConsoleUserInterface userInterface;
    // No exception may end the process with a signal: whatever escapes start-up becomes exit code 1.
    try {
        return RunWithLiveSources(argc, argv, fileSystem, userInterface);
    } catch (const std::bad_alloc&) {
    } catch (...) {
        return kExitInternalError;
    }
    // Memory ran out before the command line was read, or while the output was made. What was taken is given back
    // by now: start-up runs once more without a determination, so that an output file is still emptied rather than
    // left holding an old ID.
    try {
        RunStartUp(ArgumentsFromArgv(argc, argv), fileSystem, userInterface, nullptr);
    } catch (...) {
    }
    return kExitNoMemory;
}
