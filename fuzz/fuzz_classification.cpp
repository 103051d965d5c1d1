// Both bus classifications, on any identifier text.

#include "fuzz_input.h"
#include "inventory/classification.h"
#include "inventory/hid_dev_net.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = UnitsFromBytes(data, size);
    const std::u16string strEnumerator = text.substr(0, text.find(u'\\'));
    constexpr uint32_t kBusBits =
        HID_BUS_PCI | HID_BUS_VMBUS | HID_BUS_XENVIF | HID_BUS_PCI_ALT | HID_BUS_OTHER | HID_BUS_USB;

    std::u16string strInstance = text;
    const uint32_t dwInstance = BusFlagsFromInstanceId(strInstance);
    FUZZ_CHECK(strInstance == strEnumerator);
    FUZZ_CHECK((dwInstance & (dwInstance - 1)) == 0);
    FUZZ_CHECK((dwInstance & ~kBusBits) == 0);
    FUZZ_CHECK((dwInstance & (HID_BUS_OTHER | HID_BUS_USB)) == 0);

    std::u16string strComponent = text;
    const uint32_t dwComponent = BusFlagsFromComponentId(strComponent);
    FUZZ_CHECK(strComponent == strEnumerator);
    FUZZ_CHECK((dwComponent & (dwComponent - 1)) == 0);
    FUZZ_CHECK((dwComponent & ~kBusBits) == 0);
    FUZZ_CHECK((dwComponent == 0) == text.empty());

    // The three common words classify alike in both routines.
    constexpr uint32_t kCommon = HID_BUS_PCI | HID_BUS_VMBUS | HID_BUS_XENVIF;
    FUZZ_CHECK((dwInstance & kCommon) == (dwComponent & kCommon));
    return 0;
}
