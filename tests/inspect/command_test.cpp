// The command line of lumohostid-inspect: options, usage errors, the live report, and the snapshot of this machine.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "inspect/snapshot.h"
#include "support.h"

namespace {

struct UsageCase {
    const char* name;
    std::vector<std::u16string> arguments;
    const char* message;
};

TEST(InspectTest, UsageErrorsExitTwoWithTheUsageText)
{
    const UsageCase cases[] = {
        {"unknown option", {u"--verbose"}, "unknown argument: --verbose"},
        {"a bare word", {u"snapshot.json"}, "unknown argument: snapshot.json"},
        {"the main program's switch", {u"/exit:C:\\ids\\host.txt"}, "unknown argument: /exit:C:\\ids\\host.txt"},
        {"--snapshot without a file", {u"--snapshot"}, "--snapshot needs a file name"},
        {"--replay without a file", {u"--json", u"--replay"}, "--replay needs a file name"},
        {"--replay with an empty file name", {u"--replay", u""}, "--replay needs a file name"},
        {"--replay twice", {u"--replay", u"a", u"--replay", u"b"}, "--replay is given twice"},
        {"--json twice", {u"--json", u"--json"}, "--json is given twice"},
        {"--snapshot with --replay", {u"--snapshot", u"-", u"--replay", u"a"}, "--snapshot and --replay exclude"},
        {"--snapshot with --json", {u"--json", u"--snapshot", u"-"}, "--snapshot writes no report"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host;
        host.live = TypicalMachine();
        EXPECT_EQ(host.Run(c.arguments), 2);
        EXPECT_EQ(host.out, "");
        const std::string first = host.err.substr(0, host.err.find('\n'));
        EXPECT_EQ(first.rfind("lumohostid-inspect: ", 0), 0u) << host.err;
        EXPECT_NE(first.find(c.message), std::string::npos) << host.err;
        EXPECT_NE(host.err.find("Usage: lumohostid-inspect"), std::string::npos);
        EXPECT_EQ(host.liveSourceRequests, 0) << "nothing is determined after a usage error";
        EXPECT_TRUE(host.written.empty());
    }
}

TEST(InspectTest, HelpGoesToStandardOutput)
{
    CFakeInspectHost host;
    EXPECT_EQ(host.Run({u"--help"}), 0);
    EXPECT_EQ(host.out, InspectUsage());
    EXPECT_EQ(host.err, "");
    EXPECT_EQ(host.liveSourceRequests, 0);
}

TEST(InspectTest, LiveReportInTextAndJson)
{
    CFakeInspectHost host;
    host.live = TypicalMachine();
    EXPECT_EQ(host.Run({}), 0);
    EXPECT_EQ(host.err, "");
    EXPECT_EQ(host.out.rfind("Computer name: WS-0042\n", 0), 0u) << host.out;
    EXPECT_NE(host.out.find("Host ID: 44-9D-95-72-3E\n"), std::string::npos);

    CFakeInspectHost json;
    json.live = TypicalMachine();
    EXPECT_EQ(json.Run({u"--json"}), 0);
    const nlohmann::json report = nlohmann::json::parse(json.out);
    EXPECT_EQ(report["host_id"], "44-9D-95-72-3E");
    EXPECT_EQ(report["how"], "primary");
}

TEST(InspectTest, NothingChosenIsStillSuccess)
{
    CFakeInspectHost host;
    host.live.components.reset();
    host.live.devices.reset();
    EXPECT_EQ(host.Run({u"--json"}), 0);
    const nlohmann::json report = nlohmann::json::parse(host.out);
    EXPECT_EQ(report["host_id"], "");
    EXPECT_TRUE(report["selected"].is_null());
    EXPECT_EQ(report["how"], "none");
}

// --snapshot - writes the snapshot to standard output; replayed, it gives the live host ID.
TEST(InspectTest, SnapshotToStandardOutputReplaysToTheLiveHostId)
{
    CFakeInspectHost host;
    host.live = TypicalMachine();
    host.computerName = u"WS-0042";
    ASSERT_EQ(host.Run({u"--snapshot", u"-"}), 0) << host.err;
    EXPECT_EQ(host.err, "");
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(host.out, snapshot, error)) << error.m_strPath << ": " << error.m_strMessage;
    EXPECT_EQ(snapshot.m_strComputerName, u"WS-0042");

    CFakeInspectHost replay;
    replay.files[u"machine.json"] = host.out;
    ASSERT_EQ(replay.Run({u"--replay", u"machine.json", u"--json"}), 0) << replay.err;
    EXPECT_EQ(nlohmann::json::parse(replay.out)["host_id"], "44-9D-95-72-3E");
    EXPECT_EQ(replay.liveSourceRequests, 0);

    // The text report of the replay is the live one, computer name included.
    CFakeInspectHost live;
    live.live = TypicalMachine();
    ASSERT_EQ(live.Run({}), 0);
    CFakeInspectHost replayText;
    replayText.files[u"machine.json"] = host.out;
    ASSERT_EQ(replayText.Run({u"--replay", u"machine.json"}), 0);
    EXPECT_EQ(replayText.out, live.out);
}

TEST(InspectTest, SnapshotToAFile)
{
    CFakeInspectHost host;
    host.live = TypicalMachine();
    ASSERT_EQ(host.Run({u"--snapshot", u"C:\\snapshots\\ws-0042.json"}), 0) << host.err;
    EXPECT_EQ(host.out, "");
    EXPECT_EQ(host.err, "");
    ASSERT_EQ(host.written.count(u"C:\\snapshots\\ws-0042.json"), 1u);
    CSnapshot snapshot;
    CSnapshotError error;
    EXPECT_TRUE(ParseSnapshot(host.written[u"C:\\snapshots\\ws-0042.json"], snapshot, error));
}

TEST(InspectTest, OutputThatCannotBeWrittenIsAnError)
{
    CFakeInspectHost file;
    file.live = TypicalMachine();
    file.writeFails = true;
    EXPECT_EQ(file.Run({u"--snapshot", u"/proc/x.json"}), 2);
    EXPECT_EQ(file.out, "");
    EXPECT_EQ(file.err, "/proc/x.json: cannot be written: Permission denied\n");

    for (const std::vector<std::u16string>& arguments :
         {std::vector<std::u16string>{}, {u"--json"}, {u"--snapshot", u"-"}}) {
        CFakeInspectHost out;
        out.live = TypicalMachine();
        out.outFails = true;
        EXPECT_EQ(out.Run(arguments), 2);
        EXPECT_EQ(out.err, "lumohostid-inspect: cannot write to standard output\n");
    }
}

TEST(InspectTest, OversizedSnapshotIsRefusedBeforeParsing)
{
    CFakeInspectHost host;
    host.files[u"big.json"] = std::string(kMaxSnapshotBytes + 1, ' ');
    EXPECT_EQ(host.Run({u"--replay", u"big.json"}), 2);
    EXPECT_EQ(host.out, "");
    EXPECT_EQ(host.err, "big.json: cannot be read: larger than 16777216 bytes\n");
}

}  // namespace
