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

std::u16string DetermineHostIdText(CBaseHostId& hostId)
{
    const CHidDevNet* pSelected = hostId.GetSelectedAdapter();
    if (!pSelected || pSelected->m_strAddress.empty())
        return std::u16string();
    return CReleaseHostId(*pSelected).GetHostIdText();
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
                   IUserInterface& userInterface, const CInventorySources& sources)
{
    userInterface.SetUp();
    int32_t nExitCode = kExitOk;

    CConfigurationData configuration(fileSystem);
    ParseCommandLine(arguments, configuration);

    std::u16string strHostId;
    try {
        CBaseHostId hostId(sources);
        strHostId = DetermineHostIdText(hostId);
    } catch (const std::bad_alloc&) {
        // The passes and the choice leave out what they cannot store, and the choice gives up when the adapter
        // table's buffer cannot be had; memory that runs out anywhere else in the determination likewise means that
        // no adapter was chosen, so the output file is still written and the process ends as it always does.
        strHostId.clear();
    }

    if (configuration.m_bExit) {
        // A file that cannot be created, and equally one whose write fails or falls short, is reported through the
        // exit code: the caller must never take a missing or partial host ID for a good one.
        if (fileSystem.WriteNewFile(configuration.GetExitPath(), OutputFileBytes(strHostId)) != EWriteResult::Written)
            nExitCode = kExitOutputFileFailed;
    } else {
        userInterface.RunMainDialog(strHostId);
    }
    return nExitCode;
}
