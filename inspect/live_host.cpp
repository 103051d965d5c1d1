#include "inspect/live_host.h"

#include "inspect/platform.h"

CLiveInspectHost::CLiveInspectHost() = default;

CLiveInspectHost::~CLiveInspectHost() = default;

CInventorySources CLiveInspectHost::GetLiveSources()
{
    if (!m_pLiveSources)
        m_pLiveSources = std::make_unique<CLiveSources>();
    return m_pLiveSources->Get();
}

std::u16string CLiveInspectHost::GetComputerName()
{
    return GetLocalComputerName();
}

bool CLiveInspectHost::ReadFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes,
                                std::string& strReason)
{
    return ReadWholeFile(strPath, nMaxBytes, bytes, strReason);
}

bool CLiveInspectHost::WriteFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason)
{
    return WriteWholeFile(strPath, bytes, strReason);
}

bool CLiveInspectHost::WriteOut(std::string_view bytes)
{
    return WriteStandardOutput(bytes);
}

bool CLiveInspectHost::WriteErr(std::string_view bytes)
{
    return WriteStandardError(bytes);
}
