#include "inventory/choice_rules.h"

#include "inventory/hid_dev_net.h"

bool IsPrimaryBus(uint32_t dwFlags)
{
    // The two top bits are the highest bits ever set, so every flag word without them is below the lower one.
    return dwFlags < HID_BUS_OTHER;
}

bool IsOtherBus(uint32_t dwFlags)
{
    return (dwFlags & HID_BUS_OTHER) != 0;
}

bool IsUsbBus(uint32_t dwFlags)
{
    return (dwFlags & HID_BUS_USB) != 0;
}

EChoiceRule SlotRuleOfFlags(uint32_t dwFlags)
{
    if (dwFlags == 0)
        return EChoiceRule::None;
    if (IsPrimaryBus(dwFlags))
        return EChoiceRule::Primary;
    if (IsOtherBus(dwFlags))
        return EChoiceRule::OtherBus;
    if (IsUsbBus(dwFlags))
        return EChoiceRule::Usb;
    return EChoiceRule::None;
}

std::string BusName(uint32_t dwFlags)
{
    if (IsUsbBus(dwFlags))
        return "USB";
    if (IsOtherBus(dwFlags))
        return "another bus";
    if (dwFlags & (HID_BUS_PCI | HID_BUS_PCI_ALT))
        return "PCI";
    if (dwFlags & HID_BUS_VMBUS)
        return "VMBus";
    if (dwFlags & HID_BUS_XENVIF)
        return "Xen";
    return std::string();
}
