#pragma once

// The inspect tool's host on the machine it runs on: the live sources and the platform's services.

#include <memory>

#include "inspect/command.h"

class CLiveInspectHost : public IInspectHost {
public:
    CLiveInspectHost();
    ~CLiveInspectHost() override;

    // The live sources are set up on first use, so that a replay never touches the machine's sources.
    CInventorySources GetLiveSources() override;
    std::u16string GetComputerName() override;
    bool ReadFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes,
                  std::string& strReason) override;
    bool WriteFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason) override;
    bool WriteOut(std::string_view bytes) override;
    bool WriteErr(std::string_view bytes) override;

private:
    std::unique_ptr<CLiveSources> m_pLiveSources;
};
