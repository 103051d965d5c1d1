#pragma once

// Random made-up machines for the property tests of the determination and of the inspect tool's what-if.

#include <random>

#include "fake_sources.h"

// A random machine with few distinct GUIDs and addresses, so that merges, duplicate matches, shared addresses and
// letter-case differences happen often. One machine in ten is larger, with enough GUID texts that the index has to
// grow while the passes fill it.
inline CFakeSources RandomMachine(std::mt19937& rng)
{
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto guid = [&](int n) {
        std::u16string text = u"{0000000a-bbbb-cccc-dddd-0000000000";
        AppendHex(text, static_cast<uint64_t>(n), 2, EHexCase::kLower);
        text += u"}";
        for (char16_t& ch : text) {
            if (pick(2))
                ch = AsciiToUpper(ch);
        }
        return text;
    };
    auto mac = [&](int n) { return std::vector<uint8_t>{0, 0, 0, 0, 0, static_cast<uint8_t>(n)}; };
    static const char16_t* kIds[] = {u"PCI\\VEN_1\\1", u"USB\\VID_2\\2", u"ROOT\\NET\\0", u"VMBUS\\{x}\\1",
                                     u"XENVIF\\0", u"pci_bus\\1", u""};

    CFakeSources machine;
    const int scale = pick(10) == 0 ? 8 : 1;
    const int guids = 1 + pick(6 * scale);
    if (pick(8) == 0) {
        machine.components = std::nullopt;
    } else {
        for (int i = pick(5 * scale); i > 0; --i) {
            std::optional<std::u16string> id = kIds[pick(7)];
            if (pick(6) == 0)
                id = std::nullopt;
            machine.components->push_back(Component(pick(5) ? NCF_PHYSICAL : 0, guid(pick(guids)), id));
        }
    }
    if (pick(8) == 0) {
        machine.devices = std::nullopt;
    } else {
        for (int i = pick(6 * scale); i > 0; --i) {
            std::vector<uint32_t> resources;
            for (int r = pick(4); r > 0; --r)
                resources.push_back(static_cast<uint32_t>(pick(9)));
            std::optional<std::u16string> netCfg = guid(pick(guids));
            if (pick(5) == 0)
                netCfg = std::nullopt;
            machine.devices->push_back(Device(resources, std::u16string(kIds[pick(7)]), netCfg));
        }
    }
    for (int n = 0; n < guids; ++n) {
        if (pick(3) == 0)
            continue;
        FakeDriver driver;
        if (pick(4))
            driver.permanent = mac(pick(4));
        if (pick(2))
            driver.current = mac(pick(4));
        machine.drivers[guid(n)] = driver;
    }
    if (pick(8) == 0) {
        machine.adapters = std::nullopt;
    } else {
        for (int i = pick(6 * scale); i > 0; --i) {
            std::optional<std::u16string> name = guid(pick(guids));
            if (pick(8) == 0)
                name = std::nullopt;
            std::vector<uint8_t> address = mac(pick(4));
            if (pick(8) == 0)
                address.resize(static_cast<size_t>(pick(9)));
            machine.adapters->push_back(Adapter(name, pick(3) ? u"Ethernet" : u"Wireless WLAN", address));
        }
    }
    machine.tableGrowsBetweenCalls = pick(10) == 0;
    return machine;
}
