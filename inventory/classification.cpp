#include "inventory/classification.h"

#include "common/text.h"
#include "inventory/hid_dev_net.h"

namespace {

// The enumerator text: the part before the first backslash, or the whole text.
std::u16string_view EnumeratorOf(const std::u16string& strId)
{
    return std::u16string_view(strId).substr(0, strId.find(u'\\'));
}

void CutToEnumerator(std::u16string& strId)
{
    strId.resize(EnumeratorOf(strId).size());
}

// The three words both routines know, in the order they are tested.
uint32_t CommonBusWord(std::u16string_view strEnumerator)
{
    if (EqualsNoCase(strEnumerator, u"pci"))
        return HID_BUS_PCI;
    if (EqualsNoCase(strEnumerator, u"vmbus"))
        return HID_BUS_VMBUS;
    if (EqualsNoCase(strEnumerator, u"xenvif"))
        return HID_BUS_XENVIF;
    return 0;
}

// Whether "pci_" occurs in the text in any letter case.
bool ContainsPciUnderscore(std::u16string_view text)
{
    static constexpr std::u16string_view kNeedle = u"pci_";
    for (size_t i = 0; i + kNeedle.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, kNeedle.size()), kNeedle))
            return true;
    }
    return false;
}

}  // namespace

uint32_t BusFlagsFromInstanceId(std::u16string& strId)
{
    uint32_t dwBus = CommonBusWord(EnumeratorOf(strId));
    // Without a bus word, "pci_" is looked for in the whole text, before it is cut.
    if (dwBus == 0 && ContainsPciUnderscore(strId))
        dwBus = HID_BUS_PCI_ALT;
    CutToEnumerator(strId);
    return dwBus;
}

uint32_t BusFlagsFromComponentId(std::u16string& strId)
{
    if (strId.empty())
        return 0;
    CutToEnumerator(strId);
    if (const uint32_t dwBus = CommonBusWord(strId))
        return dwBus;
    if (EqualsNoCase(strId, u"usb"))
        return HID_BUS_USB;
    return ContainsPciUnderscore(strId) ? HID_BUS_PCI_ALT : HID_BUS_OTHER;
}
