// Snapshots of the Linux fake machines replay to the report the machine itself gives, record for record.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "inspect/recording_sources.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"
#include "inventory/linux/linux_sources.h"
#include "machine_trees.h"
#include "support/record_match.h"
#include "support/snapshot_round_trip.h"

namespace {

struct TreeCase {
    const char* name;
    std::function<void(CFakeSysfs&, CFakePermanentAddresses&)> build;
};

void ExpectSameRecords(const CInspectReport& replayed, const CInspectReport& live)
{
    ASSERT_EQ(replayed.m_records.size(), live.m_records.size());
    for (size_t i = 0; i < live.m_records.size(); ++i)
        EXPECT_TRUE(SameRecord(replayed.m_records[i], live.m_records[i])) << "record " << i;
    EXPECT_EQ(replayed.m_trace.m_dwFirstAnswer, live.m_trace.m_dwFirstAnswer);
    EXPECT_EQ(replayed.m_trace.m_dwSecondAnswer, live.m_trace.m_dwSecondAnswer);
    EXPECT_EQ(replayed.m_trace.m_nSelected, live.m_trace.m_nSelected);
    EXPECT_EQ(replayed.m_trace.m_rule, live.m_trace.m_rule);
    EXPECT_EQ(replayed.m_strHostId, live.m_strHostId);
    EXPECT_EQ(FormatTextReport(replayed), FormatTextReport(live));
    EXPECT_EQ(FormatJsonReport(replayed), FormatJsonReport(live));
}

TEST(SnapshotReplayTest, LinuxMachinesReplayToTheirLiveReport)
{
    using namespace machines;
    const TreeCase cases[] = {
        {"loopback only", Loopback},
        {"desktop", Desktop},
        {"laptop with Wi-Fi", [](CFakeSysfs& t, CFakePermanentAddresses& p) { Laptop(t, p, false, true); }},
        {"laptop with Wi-Fi and a USB NIC",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) { Laptop(t, p, true, true); }},
        {"laptop without a phy80211 link",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) { Laptop(t, p, true, false); }},
        {"Hyper-V guest", VmbusGuest},
        {"Xen guest", XenGuest},
        {"virtio guest", VirtioGuest},
        {"bonded pair", [](CFakeSysfs& t, CFakePermanentAddresses& p) { BondedPair(t, p, false); }},
        {"bonded pair, second first", [](CFakeSysfs& t, CFakePermanentAddresses& p) { BondedPair(t, p, true); }},
        {"virtual interfaces only", VirtualOnly},
        {"one function, two ports", DualPort},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        c.build(tree, permanent);

        CLinuxSources liveSources(tree.Root(), permanent);
        const CInspectReport live = BuildReport(liveSources.Get(), u"host");

        CLinuxSources recordedSources(tree.Root(), permanent);
        CSnapshotRoundTrip trip;
        ASSERT_TRUE(RoundTripSnapshot(recordedSources.Get(), u"host", trip));
        EXPECT_EQ(SerializeSnapshot(trip.m_back), trip.m_strText);
        ExpectSameRecords(trip.m_report, live);
    }
}

}  // namespace
