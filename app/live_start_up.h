#pragma once

// The whole run of the program on the machine it runs on, shared by the entry points of both systems. A template,
// so that only the programs, which link the live sources, instantiate it.

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "inventory/sources.h"

// Runs start-up over the live sources and returns the exit code; getArguments gives the command line, program name
// first. No exception leaves it, where it would end the process: whatever escapes start-up becomes exit code 1.
template <class GetArguments>
int32_t RunLiveStartUp(GetArguments getArguments, IOutputFileSystem& fileSystem, IUserInterface& userInterface)
{
    try {
        const std::vector<std::u16string> arguments = getArguments();
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
    } catch (...) {
        return kExitInternalError;
    }
    // Memory ran out before the command line was read, or while the output was made. What was taken is given back
    // by now: start-up runs once more without a determination, so that an output file is still emptied rather than
    // left holding an old ID.
    try {
        RunStartUp(getArguments(), fileSystem, userInterface, nullptr);
    } catch (...) {
    }
    return kExitNoMemory;
}
