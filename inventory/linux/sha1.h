#pragma once

// SHA-1 (FIPS 180-4), used only to derive name-based GUIDs for network devices; nothing here is a security measure.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

class CSha1 {
public:
    using Digest = std::array<uint8_t, 20>;

    CSha1();

    void Update(const uint8_t* pData, size_t nBytes);
    void Update(std::string_view text) { Update(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

    // Pads the message and returns its digest. The object must not be updated afterwards.
    Digest Finish();

    // The digest of one whole message.
    static Digest Of(std::string_view text);

private:
    void ProcessBlock(const uint8_t* pBlock);

    uint32_t m_state[5];
    uint8_t m_block[64];
    size_t m_nBlockUsed = 0;
    uint64_t m_nTotalBytes = 0;
};
