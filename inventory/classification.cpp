#include "inventory/classification.h"

#include "common/text.h"
#include "inventory/hid_dev_net.h"

namespace {

void CutToEnumerator(std::u16string& strId)
{
    const size_t nBackslash = strId.find(u'\\');
    if (nBackslash != std::u16string::npos)
        strId.resize(nBackslash);
}

// The three words both routines know, in the order they are tested.
uint32_t CommonBusWord(const std::u16string& strEnumerator)
{
    if (EqualsNoCase(strEnumerator, u"pci"))
        return HID_BUS_PCI;
    if (EqualsNoCase(strEnumerator, u"vmbus"))
        return HID_BUS_VMBUS;
    if (EqualsNoCase(strEnumerator, u"xenvif"))
        return HID_BUS_XENVIF;
    return 0;
}

bool ContainsPciUnderscore(const std::u16string& text)
{
    return AsciiLowerCopy(text).find(u"pci_") != std::u16string::npos;
}

}  // namespace

uint32_t BusFlagsFromInstanceId(std::u16string& strId)
{
    const std::u16string strWhole = strId;
    CutToEnumerator(strId);
    if (const uint32_t dwBus = CommonBusWord(strId))
        return dwBus;
    return ContainsPciUnderscore(strWhole) ? HID_BUS_PCI_ALT : 0;
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
