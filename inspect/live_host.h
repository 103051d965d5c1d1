#pragma once

// The inspect tool's host on the machine it runs on: the live sources and the platform's services.

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "inspect/command.h"
#include "inspect/platform.h"

class CLiveInspectHost : public IInspectHost {
public:
    // The live sources are set up on first use, so that a replay never touches the machine's sources.
    CInventorySources GetLiveSources() override
    {
        if (!m_pLiveSources)
            m_pLiveSources = std::make_unique<CLiveSources>();
        return m_pLiveSources->Get();
    }
    std::u16string GetComputerName() override { return GetLocalComputerName(); }
    bool ReadFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes, std::string& strReason) override
    {
        return ReadWholeFile(strPath, nMaxBytes, bytes, strReason);
    }
    bool WriteFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason) override
    {
        return WriteWholeFile(strPath, bytes, strReason);
    }
    bool WriteOut(std::string_view bytes) override { return WriteStandardOutput(bytes); }
    bool WriteErr(std::string_view bytes) override { return WriteStandardError(bytes); }

private:
    std::unique_ptr<CLiveSources> m_pLiveSources;
};

// The whole run of the tool on this machine, for both systems' main functions: makeArguments turns the command line
// into the tool's arguments, program name first. No exception may end the process with a signal: RunInspect reports
// its own, and memory that runs out before it starts ends the run with exit code 2 and a line that needs none.
template <class MakeArguments>
int RunLiveInspect(MakeArguments makeArguments)
{
    try {
        const std::vector<std::u16string> arguments = makeArguments();
        CLiveInspectHost host;
        return RunInspect(arguments, host);
    } catch (const std::bad_alloc&) {
        WriteStandardError("lumohostid-inspect: memory ran out\n");
        return kInspectExitError;
    } catch (...) {
        WriteStandardError("lumohostid-inspect: internal error\n");
        return kInspectExitError;
    }
}
