// lumohostid: the host ID of this machine, on standard output or, with /exit:<path>, in a file.

#include <memory>
#include <new>
#include <optional>

#include "app/linux/linux_platform.h"
#include "app/start_up.h"
#include "common/linux/file_descriptor.h"
#include "inventory/sources.h"

int main(int argc, char** argv)
{
    // A closed pipe or a file-size limit fails the write, which the exit code reports, rather than ending the process.
    IgnoreWriteSignals();
    // No exception may end the process with a signal: whatever escapes start-up becomes exit code 1.
    try {
        CLinuxFileSystem fileSystem;
        CConsoleUserInterface userInterface;
        const std::vector<std::u16string> arguments = ArgumentsFromArgv(argc, argv);
        // Sources that cannot be set up for lack of memory make a determination that ran out of memory, so that
        // the output file is still emptied.
        std::unique_ptr<CLiveSources> pSources;
        std::optional<CInventorySources> sources;
        try {
            pSources = std::make_unique<CLiveSources>();
            sources.emplace(pSources->Get());
        } catch (const std::bad_alloc&) {
        }
        return RunStartUp(arguments, fileSystem, userInterface, sources ? &*sources : nullptr);
    } catch (const std::bad_alloc&) {
        return kExitNoMemory;
    } catch (...) {
        return kExitInternalError;
    }
}
