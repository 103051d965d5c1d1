#include "inventory/linux/sysfs_values.h"

#include "common/text.h"

namespace {

bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f'; }

// A number of a fixed-width field; a value that does not fit the field is as good as unreadable.
uint64_t FieldValue(const std::optional<uint64_t>& value, uint64_t nMaximum)
{
    return value && *value <= nMaximum ? *value : 0;
}

std::string UpperAscii(std::string text)
{
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 32);
    }
    return text;
}

}  // namespace

std::string_view TrimSysfsText(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<uint64_t> ParseSysfsNumber(std::string_view text, int nBase)
{
    text = TrimSysfsText(text);
    if (nBase == 16 && text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || (nBase != 10 && nBase != 16))
        return std::nullopt;
    uint64_t value = 0;
    for (const char ch : text) {
        const int nDigit = HexDigitValue(ch);
        if (nDigit < 0 || nDigit >= nBase)
            return std::nullopt;
        const auto base = static_cast<uint64_t>(nBase);
        if (value > (UINT64_MAX - static_cast<uint64_t>(nDigit)) / base)
            return std::nullopt;
        value = value * base + static_cast<uint64_t>(nDigit);
    }
    return value;
}

std::optional<uint32_t> ResourceTypeFromLine(std::string_view line)
{
    uint64_t fields[3] = {};
    for (uint64_t& field : fields) {
        line = TrimSysfsText(line);
        size_t nEnd = 0;
        while (nEnd < line.size() && !IsSpace(line[nEnd]))
            ++nEnd;
        const std::optional<uint64_t> value = ParseSysfsNumber(line.substr(0, nEnd), 16);
        if (!value)
            return std::nullopt;
        field = *value;
        line.remove_prefix(nEnd);
    }
    if (!TrimSysfsText(line).empty())
        return std::nullopt;

    const uint64_t nStart = fields[0];
    const uint64_t nEnd = fields[1];
    const uint64_t dwFlags = fields[2];
    if (nStart == 0 && nEnd == 0)
        return std::nullopt;  // an unused slot
    if (nEnd < nStart || (dwFlags & (IORESOURCE_DISABLED | IORESOURCE_UNSET)) != 0)
        return std::nullopt;  // never assigned, so not part of the allocated configuration
    switch (dwFlags & IORESOURCE_TYPE_BITS) {
    case IORESOURCE_IO:
        return 2u;
    case IORESOURCE_MEM:
        return (dwFlags & IORESOURCE_MEM_64) ? 7u : 1u;
    case IORESOURCE_IRQ:
        return 4u;
    case IORESOURCE_DMA:
        return 3u;
    case IORESOURCE_BUS:
        return 6u;
    default:
        return std::nullopt;
    }
}

std::vector<uint32_t> PciResourceTypes(std::optional<std::string_view> resourceFile, std::optional<uint64_t> irq,
                                       bool bHasMsiIrqs)
{
    std::vector<uint32_t> types;
    if (resourceFile) {
        std::string_view rest = *resourceFile;
        for (size_t nLine = 0; nLine < kMaxResourceLines && !rest.empty(); ++nLine) {
            const size_t nBreak = rest.find('\n');
            const std::string_view line = rest.substr(0, nBreak);
            rest = nBreak == std::string_view::npos ? std::string_view() : rest.substr(nBreak + 1);
            if (const std::optional<uint32_t> type = ResourceTypeFromLine(line))
                types.push_back(*type);
        }
    }
    if ((irq && *irq != 0) || bHasMsiIrqs)
        types.push_back(4u);
    return types;
}

std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key)
{
    while (!uevent.empty()) {
        const size_t nBreak = uevent.find('\n');
        const std::string_view line = uevent.substr(0, nBreak);
        uevent = nBreak == std::string_view::npos ? std::string_view() : uevent.substr(nBreak + 1);
        const size_t nEquals = line.find('=');
        if (nEquals != std::string_view::npos && line.substr(0, nEquals) == key)
            return std::string(TrimSysfsText(line.substr(nEquals + 1)));
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ParseLinkLayerAddress(std::string_view text, size_t nLength)
{
    text = TrimSysfsText(text);
    // "aa:bb:cc": two digits per byte and a colon between bytes.
    if (nLength == 0 || text.size() != 3 * nLength - 1)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(nLength);
    for (size_t i = 0; i < nLength; ++i) {
        const int nHigh = HexDigitValue(text[3 * i]);
        const int nLow = HexDigitValue(text[3 * i + 1]);
        if (nHigh < 0 || nLow < 0 || (i + 1 < nLength && text[3 * i + 2] != ':'))
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(nHigh << 4 | nLow));
    }
    return bytes;
}

EBusKind BusKindFromSubsystem(std::string_view subsystem)
{
    if (subsystem == "pci")
        return EBusKind::Pci;
    if (subsystem == "usb")
        return EBusKind::Usb;
    if (subsystem == "vmbus")
        return EBusKind::Vmbus;
    if (subsystem == "xen")
        return EBusKind::Xen;
    return EBusKind::Other;
}

std::string IdentifierPart(std::string_view text)
{
    std::string part;
    for (const char ch : text.substr(0, kMaxIdentifierPart)) {
        const auto byte = static_cast<unsigned char>(ch);
        part.push_back(byte > 0x20 && byte < 0x7F && ch != '\\' ? ch : '_');
    }
    return part.empty() ? std::string("0") : part;
}

std::string PciComponentId(const CPciIdentity& identity)
{
    std::string text = "PCI\\VEN_";
    AppendHex(text, FieldValue(identity.m_nVendor, 0xFFFF), 4);
    text += "&DEV_";
    AppendHex(text, FieldValue(identity.m_nDevice, 0xFFFF), 4);
    text += "&SUBSYS_";
    AppendHex(text, FieldValue(identity.m_nSubDevice, 0xFFFF), 4);
    AppendHex(text, FieldValue(identity.m_nSubVendor, 0xFFFF), 4);
    text += "&REV_";
    AppendHex(text, FieldValue(identity.m_nRevision, 0xFF), 2);
    text += '\\';
    text += IdentifierPart(identity.m_strSlot);
    return text;
}

std::string UsbComponentId(std::optional<uint64_t> nVendor, std::optional<uint64_t> nProduct,
                           std::string_view instance)
{
    std::string text = "USB\\VID_";
    AppendHex(text, FieldValue(nVendor, 0xFFFF), 4);
    text += "&PID_";
    AppendHex(text, FieldValue(nProduct, 0xFFFF), 4);
    text += '\\';
    text += IdentifierPart(instance);
    return text;
}

std::string VmbusComponentId(std::string_view classId, std::string_view deviceId)
{
    return "VMBUS\\" + IdentifierPart(TrimSysfsText(classId)) + '\\' + IdentifierPart(TrimSysfsText(deviceId));
}

std::string XenComponentId(std::string_view deviceName)
{
    return "XENVIF\\" + IdentifierPart(deviceName);
}

std::string OtherComponentId(std::string_view subsystem, std::string_view deviceName)
{
    const std::string strBus = subsystem.empty() ? std::string("ROOT") : UpperAscii(IdentifierPart(subsystem));
    return strBus + '\\' + IdentifierPart(deviceName);
}
