#pragma once

// The version resource of a file, read with GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW.

#include "ui/file_version_info.h"

class CWinVersionResourceReader : public IVersionResourceReader {
public:
    uint32_t GetSize(const std::u16string& strFile, uint32_t& dwLastError) override;
    bool Read(const std::u16string& strFile, std::vector<uint8_t>& buffer, uint32_t& dwLastError) override;
    std::optional<std::pair<uint16_t, uint16_t>> QueryFirstTranslation(const std::vector<uint8_t>& buffer) override;
    std::optional<std::u16string> QueryString(const std::vector<uint8_t>& buffer,
                                              const std::u16string& strSubBlock) override;
};
