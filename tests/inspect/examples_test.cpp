// The example snapshots replay to the host IDs worked out for them by hand (examples/README.md gives the reasoning).
// Where a digest input is one of the known digest values also checked in tests/core (001A2B3C4D5E, its paired form,
// the address followed by {12345678-9abc-def0-1234-56789abcdef0}), the expected host ID is that one; the others were
// calculated with a separate implementation of the digest and checked against those known values first.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "support.h"

namespace {

struct ExampleCase {
    const char* file;
    const char* hostId;
    const char* digestInput;
    const char* how;
    int selected;
    size_t records;
};

const ExampleCase kExamples[] = {
    {"wired_pci_desktop.json", "44-9D-95-72-3E", "001A2B3C4D5E", "primary", 0, 1},
    {"laptop_wifi_usb_dock.json", "C2-4D-F5-82-F8", "001A2B3C4D5E{12345678-9abc-def0-1234-56789abcdef0}", "usb", 1, 2},
    {"two_wifi_adapters.json", "BF-C5-7C-E2-E4", "00-1A-2B-3C-4D-5E", "primary", 1, 2},
    {"hyperv_guest.json", "7E-5B-D0-A2-57", "00155D01A2B3", "primary", 0, 1},
    {"xen_guest.json", "21-5D-9A-22-C4", "00163E5A2B1C", "primary", 0, 2},
    {"usb_only_nic.json", "69-CD-DB-62-1D", "7CC2C6123456{e1f2a3b4-5c6d-4e7f-8091-a2b3c4d5e6f7}", "usb", 0, 1},
    {"adapter_table_unreadable.json", "44-9D-95-72-3E", "001A2B3C4D5E", "first-addressed", 1, 2},
    {"wifi_only_laptop.json", "C4-9C-A4-62-9E", "A4-C3-F0-11-22-33", "address-match", 0, 1},
    {"wifi_and_bluetooth.json", "A1-96-31-62-64", "5CF37012AB34{9f8e7d6c-5b4a-4c3d-8e2f-1a0b9c8d7e6f}", "other-bus", 1,
     2},
};

std::u16string ExamplePath(const char* file)
{
    return Utf8ToUtf16(std::string(LUMO_EXAMPLES_DIR) + "/" + file);
}

TEST(ExamplesTest, EachExampleReplaysToItsHostId)
{
    for (const ExampleCase& c : kExamples) {
        SCOPED_TRACE(c.file);
        CFakeInspectHost host;
        host.readRealFiles = true;
        ASSERT_EQ(host.Run({u"--replay", ExamplePath(c.file), u"--json"}), 0) << host.err;
        EXPECT_EQ(host.err, "");
        EXPECT_EQ(host.liveSourceRequests, 0);
        const nlohmann::json report = nlohmann::json::parse(host.out);
        EXPECT_EQ(report["host_id"], c.hostId);
        EXPECT_EQ(report["digest_input"], c.digestInput);
        EXPECT_EQ(report["how"], c.how);
        EXPECT_EQ(report["selected"], c.selected);
        EXPECT_EQ(report["records"].size(), c.records);

        // The readable report says the same.
        CFakeInspectHost text;
        text.readRealFiles = true;
        ASSERT_EQ(text.Run({u"--replay", ExamplePath(c.file)}), 0) << text.err;
        EXPECT_NE(text.out.find(std::string("Host ID: ") + c.hostId + "\n"), std::string::npos) << text.out;
        EXPECT_NE(text.out.find(std::string("by the rule ") + c.how + " ("), std::string::npos) << text.out;
    }
}

// Every snapshot in examples/ has its expectation here, so that none goes unchecked.
TEST(ExamplesTest, EveryExampleIsChecked)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(LUMO_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".json")
            files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> checked;
    for (const ExampleCase& c : kExamples)
        checked.push_back(c.file);
    std::sort(checked.begin(), checked.end());
    EXPECT_EQ(files, checked);
}

}  // namespace
