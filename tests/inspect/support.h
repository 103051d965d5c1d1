#pragma once

// A host for RunInspect that keeps everything in memory, and the made-up machines the inspect tests share.

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "core/fake_sources.h"
#include "inspect/command.h"

class CFakeInspectHost : public IInspectHost {
public:
    CFakeSources live;                            // the machine's sources
    std::u16string computerName = u"WS-0042";
    std::map<std::u16string, std::string> files;  // what ReadFile finds; a missing name cannot be read
    bool readRealFiles = false;                   // read names not in files from the disk instead
    bool writeFails = false;
    bool outFails = false;

    std::map<std::u16string, std::string> written;  // what WriteFile wrote
    std::string out;
    std::string err;
    int liveSourceRequests = 0;

    CInventorySources GetLiveSources() override
    {
        ++liveSourceRequests;
        return live.Get();
    }
    std::u16string GetComputerName() override { return computerName; }

    bool ReadFile(const std::u16string& path, size_t maxBytes, std::string& bytes, std::string& reason) override
    {
        const auto it = files.find(path);
        if (it != files.end()) {
            bytes = it->second;
        } else if (readRealFiles) {
            std::ifstream file(Utf16ToUtf8(path), std::ios::binary);
            if (!file) {
                reason = "No such file or directory";
                return false;
            }
            std::ostringstream content;
            content << file.rdbuf();
            bytes = content.str();
        } else {
            reason = "No such file or directory";
            return false;
        }
        if (bytes.size() > maxBytes) {
            reason = "larger than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
        return true;
    }

    bool WriteFile(const std::u16string& path, std::string_view bytes, std::string& reason) override
    {
        if (writeFails) {
            reason = "Permission denied";
            return false;
        }
        written[path] = std::string(bytes);
        return true;
    }

    bool WriteOut(std::string_view bytes) override
    {
        if (outFails)
            return false;
        out += bytes;
        return true;
    }
    bool WriteErr(std::string_view bytes) override
    {
        err += bytes;
        return true;
    }

    int Run(const std::vector<std::u16string>& options)
    {
        std::vector<std::u16string> arguments{u"lumohostid-inspect"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return RunInspect(arguments, *this);
    }
};

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (const int value : values)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

// The typical run: one wired PCI Ethernet adapter, memory, I/O and interrupt resources, NetCfgInstanceId in upper
// case, permanent address 001A2B3C4D5E, listed in the adapter table under the same GUID.
inline CFakeSources TypicalMachine()
{
    CFakeSources machine;
    machine.components->push_back(Component(NCF_PHYSICAL, u"{6B7D3F10-1111-2222-3333-444455556666}",
                                            u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086"));
    machine.devices->push_back(Device({1, 4, 2}, u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&267A616A&0&18",
                                      u"{6B7D3F10-1111-2222-3333-444455556666}"));
    machine.drivers[u"{6b7d3f10-1111-2222-3333-444455556666}"] =
        FakeDriver{Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
                   std::nullopt};
    machine.adapters->push_back(Adapter(u"{6B7D3F10-1111-2222-3333-444455556666}", u"Intel(R) PRO/1000 MT Network",
                                        {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    machine.adapters->push_back(Adapter(u"{0F3C2B1A-0000-0000-0000-000000000001}", u"Software Loopback Interface 1",
                                        {}));
    return machine;
}
