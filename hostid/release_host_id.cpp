#include "hostid/release_host_id.h"

#include "common/text.h"
#include "hostid/digest.h"
#include "inventory/hid_dev_net.h"

std::u16string PairAddressText(const std::u16string& strAddress)
{
    std::u16string text;
    text.reserve(strAddress.size() * 3 / 2);
    for (size_t i = 0; i < strAddress.size(); i += 2) {
        if (i > 0)
            text.push_back(u'-');
        text.append(strAddress, i, 2);
    }
    return text;
}

std::u16string FormatHostIdText(uint32_t dwHostId)
{
    const auto a = static_cast<uint8_t>(dwHostId >> 24);
    const auto b = static_cast<uint8_t>(dwHostId >> 16);
    const auto c = static_cast<uint8_t>(dwHostId >> 8);
    const auto d = static_cast<uint8_t>(dwHostId);
    std::u16string text;
    text.reserve(14);
    for (const uint8_t byte : {a, b, c, d, static_cast<uint8_t>(a ^ b ^ c ^ d)}) {
        if (!text.empty())
            text.push_back(u'-');
        AppendHexByte(text, byte);
    }
    return text;
}

uint32_t DigestFlagBits(uint32_t dwFlags)
{
    return dwFlags & HID_BUS_OTHER_OR_USB;
}

bool GuidEntersDigestInput(const CHidDevNet& record)
{
    return !record.m_bWireless && DigestFlagBits(record.m_dwFlags) != 0;
}

std::u16string CReleaseHostId::DigestInput(const CHidDevNet& record)
{
    if (record.m_strAddress.empty())
        return std::u16string();
    // The wireless rule comes first: a wireless adapter on USB or another bus gets the paired form without its GUID.
    if (record.m_bWireless)
        return PairAddressText(record.m_strAddress);
    // The GUID text enters exactly as held, letter case included.
    if (GuidEntersDigestInput(record))
        return record.m_strAddress + record.m_strGuid;
    return record.m_strAddress;
}

CReleaseHostId::CReleaseHostId(const CHidDevNet& record)
{
    if (record.m_strAddress.empty())
        return;
    m_nIdType = kHostIdTypeAdapterAddress;
    m_dwHostId = CalculateHostId(DigestInput(record));
    m_bValid = !m_bNoMemory;
}

uint32_t CReleaseHostId::CalculateHostId(const std::u16string& strText)
{
    uint32_t dwResult = 0;
    m_bNoMemory = false;
    if (!strText.empty()) {
        const std::optional<uint32_t> dwDigest = DigestText(strText);
        if (!dwDigest) {
            // Without its digest the text has no host ID. The bare type code that the empty state would give
            // (00-00-00-02-02) is a well-formed ID of no machine, and must never be reported as this one's.
            m_bNoMemory = true;
            m_bValid = false;
            return 0;
        }
        dwResult = (*dwDigest & 0xFFFFFFF0u) | static_cast<uint32_t>(m_nIdType);
    }
    m_strSource = strText;
    return dwResult;
}

std::u16string CReleaseHostId::GetHostIdText() const
{
    if (m_dwHostId == 0 || !m_bValid)
        return std::u16string();
    return FormatHostIdText(m_dwHostId);
}
