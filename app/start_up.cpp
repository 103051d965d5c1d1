#include "app/start_up.h"

#include <algorithm>
#include <new>

#include "app/command_line.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"

namespace {

// The output buffer holds 50 bytes: up to 49 characters and the zero byte that always follows them.
constexpr size_t kOutputBufferSize = 50;

}  // namespace

std::u16string DetermineHostIdText(CBaseHostId& hostId, bool& bNoMemory)
{
    bNoMemory = false;
    const CHidDevNet* pSelected = hostId.GetSelectedAdapter();
    if (hostId.RanOutOfMemory()) {
        bNoMemory = true;
        return std::u16string();
    }
    if (!pSelected || pSelected->m_strAddress.empty())
        return std::u16string();
    const CReleaseHostId value(*pSelected);
    if (value.RanOutOfMemory()) {
        bNoMemory = true;
        return std::u16string();
    }
    return value.GetHostIdText();
}

std::u16string DetermineHostIdText(CBaseHostId& hostId)
{
    bool bNoMemory = false;
    return DetermineHostIdText(hostId, bNoMemory);
}

CHostIdOutcome DetermineHostId(const CInventorySources& sources)
{
    CHostIdOutcome outcome;
    try {
        CBaseHostId hostId(sources);
        outcome.m_strHostId = DetermineHostIdText(hostId, outcome.m_bNoMemory);
    } catch (const std::bad_alloc&) {
        outcome.m_bNoMemory = true;
    }
    if (outcome.m_bNoMemory)
        outcome.m_strHostId.clear();
    return outcome;
}

std::vector<uint8_t> OutputFileBytes(const std::u16string& strHostId)
{
    std::vector<uint8_t> bytes;
    const size_t nCount = std::min(strHostId.size(), kOutputBufferSize - 1);
    bytes.reserve(nCount + 1);
    for (size_t i = 0; i < nCount; ++i) {
        // The text holds only hexadecimal digits and hyphens; each becomes its ASCII code.
        const char16_t unit = strHostId[i];
        if (unit == 0 || unit > 0xFF)
            break;
        bytes.push_back(static_cast<uint8_t>(unit));
    }
    bytes.push_back(0);
    return bytes;
}

int32_t RunStartUp(const std::vector<std::u16string>& arguments, IOutputFileSystem& fileSystem,
                   IUserInterface& userInterface, const CInventorySources* pSources)
{
    userInterface.SetUp();

    CConfigurationData configuration(fileSystem);
    ParseCommandLine(arguments, configuration);

    CHostIdOutcome outcome;
    if (pSources)
        outcome = DetermineHostId(*pSources);
    else
        outcome.m_bNoMemory = true;

    if (configuration.m_bExit) {
        // A file that cannot be created, and equally one whose write fails or falls short, is reported through the
        // exit code: the caller must never take a missing or partial host ID for a good one. Memory that ran out
        // leaves the file empty, without even the zero byte of an empty host ID, so that neither an old ID nor the
        // answer "no adapter" can be read from it.
        EWriteResult eResult = EWriteResult::CannotCreate;
        try {
            std::vector<uint8_t> bytes;
            if (!outcome.m_bNoMemory) {
                try {
                    bytes = OutputFileBytes(outcome.m_strHostId);
                } catch (const std::bad_alloc&) {
                    outcome.m_bNoMemory = true;
                }
            }
            eResult = fileSystem.WriteNewFile(configuration.GetExitPath(), bytes);
        } catch (const std::bad_alloc&) {
            outcome.m_bNoMemory = true;
            // The file's name could not be had. The determination's memory is given back by now, so the file is
            // emptied once more, rather than left holding an old ID.
            try {
                fileSystem.WriteNewFile(configuration.GetExitPath(), std::vector<uint8_t>());
            } catch (const std::bad_alloc&) {
            }
        }
        if (outcome.m_bNoMemory)
            return kExitNoMemory;
        return eResult == EWriteResult::Written ? kExitOk : kExitOutputFileFailed;
    }
    userInterface.RunMainDialog(outcome.m_strHostId);
    return outcome.m_bNoMemory ? kExitNoMemory : kExitOk;
}

int32_t RunStartUp(const std::vector<std::u16string>& arguments, IOutputFileSystem& fileSystem,
                   IUserInterface& userInterface, const CInventorySources& sources)
{
    return RunStartUp(arguments, fileSystem, userInterface, &sources);
}
