// The replay sources answer as the Windows calls would, and the recording sources write down what the passes ask,
// so that a recorded machine replays to the same determination.

#include <gtest/gtest.h>

#include <new>

#include "inspect/recording_sources.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"
#include "core/refused_allocations.h"
#include "support.h"
#include "support/snapshot_round_trip.h"
#include "inventory/passes.h"

namespace {

CSnapshot Replayable()
{
    CSnapshot snapshot;
    snapshot.m_components.emplace();
    snapshot.m_components->push_back(Component(NCF_PHYSICAL, u"{6B7D3F10-1111-2222-3333-444455556666}", u"PCI\\X"));
    snapshot.m_devices.emplace();
    snapshot.m_devices->push_back(
        CSnapshotDevice{{1, 2}, u"PCI\\X\\1", RegistryString(u"{6B7D3F10-1111-2222-3333-444455556666}")});
    snapshot.m_devices->push_back(CSnapshotDevice{{}, std::nullopt, std::nullopt});
    snapshot.m_drivers.push_back(CSnapshotDriver{u"{6b7d3f10-1111-2222-3333-444455556666}",
                                                 Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), std::nullopt});
    snapshot.m_adapters.emplace();
    snapshot.m_adapters->push_back(Adapter(u"{6B7D3F10-1111-2222-3333-444455556666}", u"Ethernet",
                                           {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    snapshot.m_adapters->push_back(Adapter(std::nullopt, std::nullopt, {}));
    return snapshot;
}

TEST(ReplayTest, NullSourcesFailAsTheirCallsWould)
{
    CReplaySources replay{CSnapshot()};
    std::vector<CNetCfgComponentInfo> components;
    EXPECT_FALSE(replay.EnumComponents(components));
    EXPECT_FALSE(replay.OpenDeviceSet());
    EXPECT_FALSE(replay.Open(u"\\\\.\\{a}"));

    // The size query learns a size; the read with that size fails, and not for want of memory, so the choice
    // still takes its fallbacks.
    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    EXPECT_EQ(replay.GetAdaptersAddresses(nSize, entries), kAdapterTableBufferOverflow);
    EXPECT_GT(nSize, 0u);
    const uint32_t dwRead = replay.GetAdaptersAddresses(nSize, entries);
    EXPECT_NE(dwRead, kAdapterTableNoError);
    EXPECT_NE(dwRead, kAdapterTableNoMemory);
    EXPECT_NE(dwRead, kAdapterTableBufferOverflow);
    EXPECT_TRUE(entries.empty());
}

TEST(ReplayTest, DevicesInOrderWithTheirAnswers)
{
    CReplaySources replay(Replayable());
    ASSERT_TRUE(replay.OpenDeviceSet());
    ASSERT_TRUE(replay.SelectDevice(0));
    EXPECT_EQ(replay.GetResourceTypes(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(replay.GetInstanceId(), std::u16string(u"PCI\\X\\1"));
    EXPECT_EQ(replay.GetNetCfgInstanceIdData(), RegistryString(u"{6B7D3F10-1111-2222-3333-444455556666}"));
    ASSERT_TRUE(replay.SelectDevice(1));
    EXPECT_TRUE(replay.GetResourceTypes().empty());
    EXPECT_FALSE(replay.GetInstanceId());
    EXPECT_FALSE(replay.GetNetCfgInstanceIdData());
    EXPECT_FALSE(replay.SelectDevice(2));
    replay.CloseDeviceSet();
}

TEST(ReplayTest, DriversOpenByNameWithoutRegardToLetterCase)
{
    CReplaySources replay(Replayable());
    EXPECT_TRUE(replay.Open(u"\\\\.\\{6B7D3F10-1111-2222-3333-444455556666}"));
    EXPECT_FALSE(replay.Open(u"{6b7d3f10-1111-2222-3333-444455556666}"));       // not a device path
    EXPECT_FALSE(replay.Open(u"\\\\.\\{6b7d3f10-1111-2222-3333-444455556667}"));  // no such key
    EXPECT_FALSE(replay.Open(u"\\\\.\\"));

    std::unique_ptr<IDriverDevice> pDevice = replay.Open(u"\\\\.\\{6b7d3f10-1111-2222-3333-444455556666}");
    ASSERT_TRUE(pDevice);
    uint8_t buffer[kDriverQueryBufferSize] = {};
    uint32_t nBytes = 0;
    ASSERT_TRUE(pDevice->QueryOid(OID_802_3_PERMANENT_ADDRESS, buffer, nBytes));
    EXPECT_EQ(FormatAddressText(buffer, nBytes), u"001A2B3C4D5E");
    EXPECT_FALSE(pDevice->QueryOid(OID_802_3_CURRENT_ADDRESS, buffer, nBytes));  // null: the query fails
    EXPECT_FALSE(pDevice->QueryOid(0x01010103, buffer, nBytes));
}

TEST(ReplayTest, AdapterTableAnswersItsSizeUntilGivenThatMuch)
{
    CReplaySources replay(Replayable());
    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    ASSERT_EQ(replay.GetAdaptersAddresses(nSize, entries), kAdapterTableBufferOverflow);
    const uint32_t nNeeded = nSize;
    EXPECT_EQ(nNeeded, ReplayTableSize(*Replayable().m_adapters));
    EXPECT_GE(nNeeded, 2u * 448u);

    nSize = nNeeded - 1;
    EXPECT_EQ(replay.GetAdaptersAddresses(nSize, entries), kAdapterTableBufferOverflow);
    EXPECT_EQ(nSize, nNeeded);
    ASSERT_EQ(replay.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].m_strDescription, std::u16string(u"Ethernet"));
    EXPECT_FALSE(entries[1].m_strName);
    EXPECT_EQ(entries[1].m_nAddressLength, 0u);

    // An empty table needs no buffer at all.
    CSnapshot empty;
    empty.m_adapters.emplace();
    CReplaySources emptyReplay(empty);
    nSize = 0;
    EXPECT_EQ(emptyReplay.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);
    EXPECT_TRUE(entries.empty());
}

// The pass applies its 256-byte registry buffer to the replayed value: 127 characters and the null fit, 128 do not.
TEST(ReplayTest, NetCfgInstanceIdMeetsTheRegistryBufferRule)
{
    for (const size_t nLength : {size_t(127), size_t(128)}) {
        SCOPED_TRACE(nLength);
        CSnapshot snapshot;
        snapshot.m_components.emplace();
        snapshot.m_devices.emplace();
        snapshot.m_devices->push_back(
            CSnapshotDevice{{1}, u"PCI\\X\\1", RegistryString(std::u16string(nLength, u'g'))});
        snapshot.m_adapters.emplace();
        CReplaySources replay(snapshot);
        const CInspectReport report = BuildReport(replay.Get(), u"");
        ASSERT_EQ(report.m_records.size(), 1u);
        EXPECT_EQ(report.m_records[0].m_strGuid, nLength == 127 ? std::u16string(127, u'g') : std::u16string());
    }
}

// A machine for the recorder: some answers are asked for, some are not.
CFakeSources RecordedMachine()
{
    CFakeSources machine = TypicalMachine();
    machine.components->push_back(Component(0x29, u"{00000000-0000-0000-0000-0000000000AA}", u"ms_ndiswanip"));
    // Dropped by the pass (no flags): its NetCfgInstanceId is never asked for.
    machine.devices->push_back(Device({}, u"SWD\\MSRRAS\\MS_NDISWANIP", u"{00000000-0000-0000-0000-0000000000AA}"));
    // Kept; its driver cannot be opened.
    machine.devices->push_back(Device({1, 4}, u"PCI\\VEN_10EC&DEV_8168\\4&1", u"{11111111-2222-3333-4444-555555555555}"));
    return machine;
}

TEST(RecordingTest, RecordsWhatThePassesAsk)
{
    CFakeSources live = RecordedMachine();
    CRecordingSources recorder(live.Get());
    CBaseHostId hostId(recorder.Get());
    hostId.DetermineAdapter();
    const CSnapshot& snapshot = recorder.GetSnapshot();

    ASSERT_TRUE(snapshot.m_components);
    EXPECT_EQ(snapshot.m_components->size(), 2u);

    ASSERT_TRUE(snapshot.m_devices);
    ASSERT_EQ(snapshot.m_devices->size(), 3u);
    EXPECT_EQ((*snapshot.m_devices)[0].m_netCfgInstanceIdData,
              RegistryString(u"{6B7D3F10-1111-2222-3333-444455556666}"));
    EXPECT_EQ((*snapshot.m_devices)[1].m_strInstanceId, std::u16string(u"SWD\\MSRRAS\\MS_NDISWANIP"));
    EXPECT_FALSE((*snapshot.m_devices)[1].m_netCfgInstanceIdData) << "a dropped device is not asked";
    EXPECT_EQ((*snapshot.m_devices)[2].m_netCfgInstanceIdData,
              RegistryString(u"{11111111-2222-3333-4444-555555555555}"));
    EXPECT_EQ(live.netCfgReads, 2);

    // Only the driver that opened is listed, under the name the pass asked for.
    ASSERT_EQ(snapshot.m_drivers.size(), 1u);
    EXPECT_EQ(snapshot.m_drivers[0].m_strName, u"{6b7d3f10-1111-2222-3333-444455556666}");
    EXPECT_EQ(snapshot.m_drivers[0].m_permanent, Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));

    ASSERT_TRUE(snapshot.m_adapters);
    EXPECT_EQ(snapshot.m_adapters->size(), 2u);
}

struct FailingAnswersCase {
    const char* name;
    void (*change)(CFakeSources&);
    void (*check)(const CSnapshot&);
};

// Memory refused at each allocation of a recording in turn, that one alone: a recording that says it is whole is the
// one made with all the memory it asked for, and one that is not whole says so (or the copy of it runs out).
TEST(RecordingTest, ARecordingThatRanOutOfMemorySaysSo)
{
    CFakeSources whole = TypicalMachine();
    CSnapshot expected;
    ASSERT_TRUE(RecordSnapshot(whole.Get(), expected));
    const std::string strExpected = SerializeSnapshot(expected);
    size_t nIncomplete = 0;
    size_t nRefused = 1;
    for (size_t n = 0; nRefused > 0 && n < 100000; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n));
        CFakeSources machine = TypicalMachine();
        CSnapshot snapshot;
        bool bWhole = false;
        bool bThrown = false;
        {
            CRefuseAllocations refuse(n, ERefusal::OnlyThatOne);
            try {
                bWhole = RecordSnapshot(machine.Get(), snapshot);
            } catch (const std::bad_alloc&) {
                bThrown = true;
            }
            nRefused = refuse.GetRefused();
        }
        if (bThrown)
            continue;
        if (bWhole)
            EXPECT_EQ(SerializeSnapshot(snapshot), strExpected);
        else
            ++nIncomplete;
    }
    EXPECT_EQ(nRefused, 0u) << "the recording did not come to an end of its allocations";
    EXPECT_GT(nIncomplete, 0u);  // some refusals cut the determination short, or this proves nothing
}

TEST(RecordingTest, FailuresAreRecordedAsNull)
{
    const FailingAnswersCase cases[] = {
        {"no configuration object", [](CFakeSources& m) { m.components.reset(); },
         [](const CSnapshot& s) { EXPECT_FALSE(s.m_components); }},
        {"no device set: the drivers are never opened", [](CFakeSources& m) { m.devices.reset(); },
         [](const CSnapshot& s) {
             EXPECT_FALSE(s.m_devices);
             EXPECT_TRUE(s.m_drivers.empty());
         }},
        {"adapter table read fails, with the machine's own answer",
         [](CFakeSources& m) {
             m.adapters.reset();
             m.tableReadAnswer = 1232;
         },
         [](const CSnapshot& s) {
             EXPECT_FALSE(s.m_adapters);
             EXPECT_EQ(s.m_dwTableSizeAnswer, kAdapterTableBufferOverflow);
             EXPECT_EQ(s.m_dwTableReadAnswer, 1232u);
         }},
        {"adapter table grows between the calls", [](CFakeSources& m) { m.tableGrowsBetweenCalls = true; },
         [](const CSnapshot& s) {
             EXPECT_FALSE(s.m_adapters);
             EXPECT_EQ(s.m_dwTableReadAnswer, kAdapterTableBufferOverflow);
         }},
        {"permanent-address query fails",
         [](CFakeSources& m) { m.drivers.begin()->second.permanent.reset(); },
         [](const CSnapshot& s) {
             ASSERT_EQ(s.m_drivers.size(), 1u);
             EXPECT_FALSE(s.m_drivers[0].m_permanent);
             EXPECT_TRUE(s.m_drivers[0].m_current);
         }},
        {"a driver reporting more than the buffer holds is kept at the buffer's size",
         [](CFakeSources& m) { m.drivers.begin()->second.reportedCount = 300; },
         [](const CSnapshot& s) {
             ASSERT_EQ(s.m_drivers.size(), 1u);
             EXPECT_EQ(s.m_drivers[0].m_permanent->size(), kDriverQueryBufferSize);
         }},
    };
    for (const FailingAnswersCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources live = TypicalMachine();
        c.change(live);
        CRecordingSources recorder(live.Get());
        CBaseHostId hostId(recorder.Get());
        hostId.DetermineAdapter();
        c.check(recorder.GetSnapshot());
    }
}

// Made-up machines for the round trip: each is recorded, written, read back and replayed.
struct RoundTripCase {
    const char* name;
    CFakeSources (*machine)();
};

CFakeSources LaptopWithDock()
{
    CFakeSources m;
    m.components->push_back(Component(0x84, u"{A1B2C3D4-0001-4000-8000-00AABBCCDD01}", u"pci\\ven_14e4&dev_4727"));
    m.components->push_back(Component(0x84, u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", u"usb\\vid_0bda&pid_8153"));
    m.devices->push_back(Device({1, 4}, u"PCI\\VEN_14E4&DEV_4727\\4&1", u"{A1B2C3D4-0001-4000-8000-00AABBCCDD01}"));
    m.devices->push_back(Device({}, u"USB\\VID_0BDA&PID_8153\\0001", u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}"));
    m.drivers[u"{a1b2c3d4-0001-4000-8000-00aabbccdd01}"] = {Bytes({0x3C, 0x6A, 0xA7, 1, 2, 3}), Bytes({0x3C, 0x6A, 0xA7, 1, 2, 3}), std::nullopt};
    m.drivers[u"{12345678-9abc-def0-1234-56789abcdef0}"] = {Bytes({0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), Bytes({0xF8, 0xCA, 0xB8, 0x11, 0x22, 0x33}), std::nullopt};
    m.adapters->push_back(Adapter(u"{A1B2C3D4-0001-4000-8000-00AABBCCDD01}", u"Dell Wireless 1520 Wireless-N WLAN Mini-Card", {0x3C, 0x6A, 0xA7, 1, 2, 3}));
    m.adapters->push_back(Adapter(u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", u"Realtek USB GbE Family Controller", {0xF8, 0xCA, 0xB8, 0x11, 0x22, 0x33}));
    return m;
}

// Registry values that are not plain strings, drivers that report odd counts, a table that cannot be read.
CFakeSources OddAnswers()
{
    CFakeSources m = TypicalMachine();
    m.adapters.reset();
    m.tableReadAnswer = 1232;  // ERROR_NETWORK_UNREACHABLE, say
    FakeDevice noNull = Device({2}, u"PCI\\A\\1", std::nullopt);
    noNull.netCfg = RegistryString(u"{22222222-0000-0000-0000-000000000001}", false);
    FakeDevice embedded = Device({4}, u"pci_x\\B\\2", std::nullopt);
    embedded.netCfg = RegistryString(std::u16string(u"{33333333-0000-0000-0000-000000000001}\0tail", 43));
    FakeDevice oddLength = Device({7}, u"XENVIF\\C\\3", std::nullopt);
    oddLength.netCfg = RegistryString(u"{44444444-0000-0000-0000-000000000001}");
    oddLength.netCfg->push_back(0x41);
    FakeDevice tooLong = Device({6}, u"VMBUS\\D\\4", std::nullopt);
    tooLong.netCfg = RegistryString(std::u16string(140, u'x'));
    // 128 characters without a terminating null fill the 256-byte buffer exactly, and are read.
    FakeDevice fullBuffer = Device({0xFFFFFFFF, 1}, u"ROOT\\E\\5", std::nullopt);
    fullBuffer.netCfg = RegistryString(std::u16string(128, u'h'), false);
    m.devices->push_back(fullBuffer);
    m.devices->push_back(noNull);
    m.devices->push_back(embedded);
    m.devices->push_back(oddLength);
    m.devices->push_back(tooLong);
    m.drivers[u"{22222222-0000-0000-0000-000000000001}"] = {std::vector<uint8_t>(), std::nullopt, std::nullopt};
    m.drivers[u"{33333333-0000-0000-0000-000000000001}"] = {Bytes({1, 2, 3, 4, 5, 6, 7, 8}), Bytes({9}), 300};
    m.drivers[u"{44444444-0000-0000-0000-000000000001}"] = {std::nullopt, Bytes({0, 0, 0, 0, 0, 1}), std::nullopt};
    return m;
}

CFakeSources NothingAtAll()
{
    CFakeSources m;
    m.components.reset();
    m.devices.reset();
    m.adapters.reset();
    return m;
}

TEST(RecordingTest, RecordedMachinesReplayToTheSameReport)
{
    const RoundTripCase cases[] = {
        {"typical run", TypicalMachine},
        {"recorded machine with dropped and unopened devices", RecordedMachine},
        {"laptop with Wi-Fi and a docked USB NIC", LaptopWithDock},
        {"odd registry values and driver answers, no adapter table", OddAnswers},
        {"nothing at all", NothingAtAll},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources live = c.machine();
        CFakeSources liveAgain = c.machine();
        const CInspectReport liveReport = BuildReport(liveAgain.Get(), u"WS-0042");

        CSnapshotRoundTrip trip;
        ASSERT_TRUE(RoundTripSnapshot(live.Get(), u"WS-0042", trip));
        EXPECT_EQ(FormatJsonReport(trip.m_report), FormatJsonReport(liveReport));
        EXPECT_EQ(FormatTextReport(trip.m_report), FormatTextReport(liveReport));

        // Recording the replay gives the same snapshot again: the replay asked the same questions.
        CReplaySources replayAgain(trip.m_back);
        CSnapshot rerecorded;
        ASSERT_TRUE(RecordSnapshot(replayAgain.Get(), rerecorded));
        rerecorded.m_strComputerName = u"WS-0042";
        EXPECT_EQ(SerializeSnapshot(rerecorded), trip.m_strText);
    }
}

// A machine whose adapter table answers as told, for the answers a format-1 snapshot could not keep.
class CTableAnswersMachine : public CFakeSources {
public:
    CTableAnswersMachine(uint32_t dwSizeQuery, uint32_t dwRead) : m_dwSizeQuery(dwSizeQuery), m_dwRead(dwRead)
    {
        static_cast<CFakeSources&>(*this) = TypicalMachine();
    }

    uint32_t GetAdaptersAddresses(uint32_t& size, std::vector<CAdapterEntry>& out) override
    {
        if (m_nCalls++ % 2 == 0) {
            if (m_dwSizeQuery == kAdapterTableBufferOverflow)
                size = 4096;
            return m_dwSizeQuery;
        }
        if (m_dwRead == kAdapterTableNoError)
            out = *adapters;
        return m_dwRead;
    }

private:
    uint32_t m_dwSizeQuery;
    uint32_t m_dwRead;
    int m_nCalls = 0;
};

struct TableAnswersCase {
    const char* name;
    uint32_t sizeQuery;
    uint32_t read;
};

TEST(RecordingTest, TheAdapterTableAnswersReplayAsTheMachineGaveThem)
{
    const TableAnswersCase cases[] = {
        {"read as usual", kAdapterTableBufferOverflow, kAdapterTableNoError},
        {"no memory for the size query", kAdapterTableNoMemory, kAdapterTableNoMemory},
        {"no memory for the table", kAdapterTableBufferOverflow, kAdapterTableNoMemory},
        {"no adapters at all (ERROR_NO_DATA)", 232, 232},
        {"the table grew between the calls", kAdapterTableBufferOverflow, kAdapterTableBufferOverflow},
        {"the read fails with ERROR_NOT_ENOUGH_MEMORY", kAdapterTableBufferOverflow, 8},
        {"a size query that answers the table", kAdapterTableNoError, kAdapterTableNoError},
    };
    for (const TableAnswersCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTableAnswersMachine liveAgain(c.sizeQuery, c.read);
        const CInspectReport liveReport = BuildReport(liveAgain.Get(), u"WS-0042");

        CTableAnswersMachine live(c.sizeQuery, c.read);
        CSnapshotRoundTrip trip;
        ASSERT_TRUE(RoundTripSnapshot(live.Get(), u"WS-0042", trip));
        EXPECT_EQ(FormatTextReport(trip.m_report), FormatTextReport(liveReport));
        EXPECT_EQ(trip.m_report.m_trace.m_dwFirstAnswer, c.sizeQuery);
        if (c.sizeQuery != kAdapterTableNoMemory) {
            EXPECT_EQ(trip.m_report.m_trace.m_dwSecondAnswer, c.read);
        }
    }
}

}  // namespace
