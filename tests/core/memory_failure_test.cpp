// Memory that runs out at any one allocation of a whole determination and its digest gives either the machine's
// host ID or the failure, never another ID: an ID taken from a partial inventory may be another adapter's, and the
// digest of nothing is the well-formed ID 00-00-00-02-02 of no machine.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/start_up.h"
#include "hostid/digest.h"
#include "hostid/release_host_id.h"
#include "fake_sources.h"
#include "random_machine.h"
#include "refused_allocations.h"

namespace {

const std::u16string kGuid = u"{6B7D3F10-1111-2222-3333-444455556666}";
const std::u16string kUsbGuid = u"{0f0e0d0c-0b0a-0908-0706-050403020100}";
const std::vector<uint8_t> kMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const std::vector<uint8_t> kUsbMac = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

// A wired PCI adapter and a USB adapter: the PCI one is chosen, and losing it would choose the USB one.
CFakeSources TwoAdapterMachine()
{
    CFakeSources machine;
    machine.components = {Component(NCF_PHYSICAL, kUsbGuid, u"USB\\VID_0B95&PID_1790\\1"),
                          Component(NCF_PHYSICAL, kGuid, u"PCI\\VEN_8086&DEV_100E\\3&1")};
    machine.devices = {Device({1, 2, 4}, u"PCI\\VEN_8086&DEV_100E\\3&1", kGuid),
                       Device({}, u"USB\\VID_0B95&PID_1790\\1", kUsbGuid)};
    machine.drivers[kGuid] = {kMac, kMac, std::nullopt};
    machine.drivers[kUsbGuid] = {kUsbMac, kUsbMac, std::nullopt};
    machine.adapters = {Adapter(kUsbGuid, u"USB Ethernet", kUsbMac), Adapter(kGuid, u"Intel(R) Ethernet", kMac)};
    return machine;
}

struct CRefusalCount {
    size_t nRuns = 0;
    size_t nFailures = 0;
};

// Refuses each allocation of the determination in turn, either from then on or that one alone, and checks every
// outcome against the machine's host ID.
CRefusalCount RefuseEachAllocation(const CFakeSources& machine, ERefusal eRefusal)
{
    CFakeSources copy = machine;
    const CHostIdOutcome expected = DetermineHostId(copy.Get());
    EXPECT_FALSE(expected.m_bNoMemory);

    CRefusalCount count;
    // A determination of these machines makes well under this many allocations; the loop ends at the first run
    // that none was refused in.
    constexpr size_t kMaxAllocations = 100000;
    for (size_t nAllowed = 0; nAllowed < kMaxAllocations; ++nAllowed) {
        CFakeSources fresh = machine;
        CHostIdOutcome outcome;
        size_t nRefused = 0;
        {
            CRefuseAllocations refuse(nAllowed, eRefusal);
            outcome = DetermineHostId(fresh.Get());
            nRefused = refuse.GetRefused();
        }
        if (nRefused == 0) {
            EXPECT_EQ(outcome.m_strHostId, expected.m_strHostId);
            EXPECT_FALSE(outcome.m_bNoMemory);
            return count;
        }
        ++count.nRuns;
        if (outcome.m_bNoMemory) {
            ++count.nFailures;
            EXPECT_EQ(outcome.m_strHostId, u"") << "allocation " << nAllowed;
        } else {
            EXPECT_EQ(outcome.m_strHostId, expected.m_strHostId) << "allocation " << nAllowed << " refused";
        }
    }
    ADD_FAILURE() << "the determination never ran without a refusal";
    return count;
}

TEST(MemoryFailureTest, EveryRefusedAllocationGivesTheIdOrTheFailure)
{
    struct CMachineCase {
        const char* name;
        CFakeSources machine;
    };
    std::vector<CMachineCase> machines = {{"a PCI and a USB adapter", TwoAdapterMachine()}};
    std::mt19937 rng(18);
    for (int i = 0; i < 24; ++i)
        machines.push_back({"a random machine", RandomMachine(rng)});
    for (const ERefusal eRefusal : {ERefusal::OnlyThatOne, ERefusal::FromThenOn}) {
        SCOPED_TRACE(eRefusal == ERefusal::OnlyThatOne ? "one allocation refused" : "memory exhausted from then on");
        size_t nMachine = 0;
        for (const CMachineCase& c : machines) {
            SCOPED_TRACE(std::string(c.name) + " #" + std::to_string(nMachine++));
            const CRefusalCount count = RefuseEachAllocation(c.machine, eRefusal);
            // Every refusal in a determination that holds anything is a failure of it: the passes, the choice and
            // the digest keep nothing they could spare.
            if (count.nRuns > 0) {
                EXPECT_GT(count.nFailures, 0u);
            }
        }
    }
}

// The digest's own buffer: the one allocation after everything else.
TEST(MemoryFailureTest, DigestWithoutMemoryIsNoId)
{
    // The copy of the text is had; the buffer of its single bytes is refused.
    const std::u16string strInput = u"001A2B3C4D5E";
    std::optional<uint32_t> digest;
    {
        CRefuseAllocations refuse(1);
        digest = DigestText(strInput);
        EXPECT_EQ(refuse.GetRefused(), 1u);
    }
    EXPECT_FALSE(digest);
    EXPECT_EQ(DigestText(u"001A2B3C4D5E"), 0x449D957Eu);

    CHidDevNet record;
    record.m_strAddress = u"001A2B3C4D5E";
    record.m_dwFlags = HID_BUS_PCI;
    CReleaseHostId hostId(record);
    EXPECT_EQ(hostId.GetHostIdText(), u"44-9D-95-72-3E");
    {
        CRefuseAllocations refuse(1);
        EXPECT_EQ(hostId.CalculateHostId(strInput), 0u);
    }
    EXPECT_TRUE(hostId.RanOutOfMemory());
    EXPECT_FALSE(hostId.IsValid());
    EXPECT_EQ(hostId.GetHostIdText(), u"");
}

}  // namespace
