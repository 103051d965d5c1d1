// The netlink dump's parser on made-up datagrams, well formed and malformed, and the scan that joins the dump with
// sysfs on fake trees.

#include "inventory/linux/netlink_links.h"

#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fake_sysfs.h"
#include "inventory/linux/name_guid.h"
#include "inventory/linux/sysfs_net.h"
#include "machine_trees.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Pad(Bytes& bytes)
{
    while (bytes.size() % 4 != 0)
        bytes.push_back(0);
}

template <class T>
void Append(Bytes& bytes, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof(value));
}

// An attribute; nLength overrides the length field (for malformed ones), bPad pads it to four bytes.
Bytes Attribute(uint16_t nType, const Bytes& payload, std::optional<uint16_t> nLength = std::nullopt, bool bPad = true)
{
    Bytes bytes;
    rtattr header {};
    header.rta_type = nType;
    header.rta_len = nLength.value_or(static_cast<uint16_t>(RTA_LENGTH(payload.size())));
    Append(bytes, header);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    if (bPad)
        Pad(bytes);
    return bytes;
}

Bytes Text(const std::string& text, bool bNull = true)
{
    Bytes bytes(text.begin(), text.end());
    if (bNull)
        bytes.push_back(0);
    return bytes;
}

Bytes LinkPayload(int nIndex, uint16_t nType, const std::vector<Bytes>& attributes)
{
    Bytes bytes;
    ifinfomsg info {};
    info.ifi_index = nIndex;
    info.ifi_type = nType;
    Append(bytes, info);
    for (const Bytes& attribute : attributes)
        bytes.insert(bytes.end(), attribute.begin(), attribute.end());
    return bytes;
}

// A message; nLength overrides its length field.
Bytes Message(uint16_t nType, const Bytes& payload, uint32_t nSequence = 7, uint16_t nFlags = NLM_F_MULTI,
              std::optional<uint32_t> nLength = std::nullopt)
{
    Bytes bytes;
    nlmsghdr header {};
    header.nlmsg_len = nLength.value_or(static_cast<uint32_t>(NLMSG_LENGTH(payload.size())));
    header.nlmsg_type = nType;
    header.nlmsg_flags = nFlags;
    header.nlmsg_seq = nSequence;
    Append(bytes, header);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    Pad(bytes);
    return bytes;
}

Bytes Join(const std::vector<Bytes>& parts)
{
    Bytes bytes;
    for (const Bytes& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

const Bytes kMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

Bytes Eth0(const std::vector<Bytes>& extra = {})
{
    std::vector<Bytes> attributes = {Attribute(IFLA_IFNAME, Text("eth0")), Attribute(IFLA_ADDRESS, kMac),
                                     Attribute(IFLA_PARENT_DEV_NAME, Text("0000:00:1f.6"))};
    attributes.insert(attributes.end(), extra.begin(), extra.end());
    return Message(RTM_NEWLINK, LinkPayload(2, 1, attributes));
}

Bytes Lo()
{
    return Message(RTM_NEWLINK, LinkPayload(1, 772, {Attribute(IFLA_IFNAME, Text("lo")),
                                                      Attribute(IFLA_ADDRESS, Bytes(6, 0))}));
}

Bytes Done()
{
    return Message(NLMSG_DONE, Bytes(4, 0));
}

// A message between two good links, lo and eth0.
Bytes Among(const Bytes& message)
{
    return Join({Lo(), message, Eth0()});
}

TEST(NetlinkParseTest, WellFormedDump)
{
    std::vector<CNetlinkLink> links;
    ASSERT_EQ(ParseLinkDumpDatagram(Join({Lo(), Eth0()}).data(), Join({Lo(), Eth0()}).size(), 7, links),
              ENetlinkParse::More);
    const Bytes last = Join({Message(RTM_NEWLINK, LinkPayload(5, 65534, {Attribute(IFLA_IFNAME, Text("tun0"))})),
                             Done()});
    ASSERT_EQ(ParseLinkDumpDatagram(last.data(), last.size(), 7, links), ENetlinkParse::Done);
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].m_strName, "lo");
    EXPECT_EQ(links[0].m_nIfIndex, 1u);
    EXPECT_EQ(links[0].m_nType, 772u);
    EXPECT_FALSE(links[0].m_strParentDevice);
    EXPECT_EQ(links[1].m_strName, "eth0");
    EXPECT_EQ(links[1].m_address, kMac);
    EXPECT_EQ(links[1].m_strParentDevice, std::optional<std::string>("0000:00:1f.6"));
    EXPECT_EQ(links[2].m_strName, "tun0");
    EXPECT_TRUE(links[2].m_address.empty());  // no IFLA_ADDRESS: no link-layer address
}

struct ParseCase {
    const char* name;
    Bytes datagram;
    ENetlinkParse state;
    size_t nLinks;
};

TEST(NetlinkParseTest, EveryDatagramGivesAnAnswer)
{
    const Bytes unpaddedLast = Message(
        RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_ADDRESS, kMac), Attribute(IFLA_IFNAME, Text("e"), {}, false)}));
    const ParseCase cases[] = {
        {"the end alone", Done(), ENetlinkParse::Done, 0},
        {"an empty datagram", {}, ENetlinkParse::More, 0},
        {"messages of another request are skipped", Join({Message(RTM_NEWLINK, LinkPayload(2, 1, {Attribute(IFLA_IFNAME, Text("x"))}), 8), Lo()}),
         ENetlinkParse::More, 1},
        {"unknown attributes and messages are skipped",
         Join({Eth0({Attribute(IFLA_MTU, Bytes(4, 1)), Attribute(NLA_F_NESTED | IFLA_LINKINFO, Bytes(8, 0))}),
               Message(RTM_NEWADDR, Bytes(8, 0))}),
         ENetlinkParse::More, 1},
        {"the last attribute unpadded", unpaddedLast, ENetlinkParse::More, 1},
        {"an address of no bytes", Message(RTM_NEWLINK, LinkPayload(4, 1, {Attribute(IFLA_IFNAME, Text("x")),
                                                                            Attribute(IFLA_ADDRESS, {})})),
         ENetlinkParse::More, 1},
        {"an error answer", Join({Lo(), Message(NLMSG_ERROR, Bytes(20, 0xFF))}), ENetlinkParse::Failed, 1},
        {"a dump interrupted by a change", Join({Lo(), Message(RTM_NEWLINK, LinkPayload(2, 1, {Attribute(IFLA_IFNAME, Text("x"))}), 7, NLM_F_DUMP_INTR)}),
         ENetlinkParse::Failed, 1},
        {"message length 0", Message(RTM_NEWLINK, Bytes(32, 0), 7, NLM_F_MULTI, 0), ENetlinkParse::Failed, 0},
        {"message length below its header", Message(RTM_NEWLINK, Bytes(32, 0), 7, NLM_F_MULTI, 15),
         ENetlinkParse::Failed, 0},
        {"message length beyond the datagram", Message(RTM_NEWLINK, Bytes(32, 0), 7, NLM_F_MULTI, 4096),
         ENetlinkParse::Failed, 0},
        {"bytes left over, too few for a header", Join({Lo(), Bytes(8, 0)}), ENetlinkParse::Failed, 1},
        // A link that cannot be used is passed over; the links around it are kept.
        {"a link message shorter than its header", Among(Message(RTM_NEWLINK, Bytes(8, 0))), ENetlinkParse::More, 2},
        {"attribute length 0", Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("e"), 0)}))),
         ENetlinkParse::More, 2},
        {"attribute length below its header",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("e"), 3)}))), ENetlinkParse::More,
         2},
        {"attribute length beyond its message",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("e"), 200)}))),
         ENetlinkParse::More, 2},
        {"no name", Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_ADDRESS, kMac)}))),
         ENetlinkParse::More, 2},
        {"index 0", Among(Message(RTM_NEWLINK, LinkPayload(0, 1, {Attribute(IFLA_IFNAME, Text("e"))}))),
         ENetlinkParse::More, 2},
        {"a name without its null",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("eth9", false))}))),
         ENetlinkParse::More, 2},
        {"a name of sixteen bytes",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("0123456789abcdef"))}))),
         ENetlinkParse::More, 2},
        {"a name that leaves its directory",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("../../etc"))}))),
         ENetlinkParse::More, 2},
        {"the name ..", Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text(".."))}))),
         ENetlinkParse::More, 2},
        {"an empty name", Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text(""))}))),
         ENetlinkParse::More, 2},
        {"a name with a line break",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("a\nb"))}))),
         ENetlinkParse::More, 2},
        {"an address of 33 bytes",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("e")),
                                                       Attribute(IFLA_ADDRESS, Bytes(33, 1))}))),
         ENetlinkParse::More, 2},
        {"a parent name without its null",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("e")),
                                                       Attribute(IFLA_PARENT_DEV_NAME, Text("p", false))}))),
         ENetlinkParse::More, 2},
        // Names the kernel allows, with controls other than white space, are links like any other.
        {"a name with a control character",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("odd\x01x"))}))),
         ENetlinkParse::More, 3},
        {"a name with DEL", Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("d\x7F"))}))),
         ENetlinkParse::More, 3},
        {"an unknown attribute that is cut short",
         Among(Message(RTM_NEWLINK, LinkPayload(3, 1, {Attribute(IFLA_IFNAME, Text("e")),
                                                       Attribute(IFLA_MTU, Bytes(1, 1), {}, false)}))),
         ENetlinkParse::More, 3},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CNetlinkLink> links;
        EXPECT_EQ(ParseLinkDumpDatagram(c.datagram.data(), c.datagram.size(), 7, links), c.state);
        EXPECT_EQ(links.size(), c.nLinks);
    }
}

// Every cut and every single damaged byte of a good datagram gives an answer: no crash (the sanitizer build runs
// this), no hang, and never more links than the datagram holds.
TEST(NetlinkParseTest, CutAndDamagedDatagramsNeverCrashOrHang)
{
    const Bytes good = Join({Lo(), Eth0(), Done()});
    for (size_t nCut = 0; nCut <= good.size(); ++nCut) {
        std::vector<CNetlinkLink> links;
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(nCut));
        const ENetlinkParse state = ParseLinkDumpDatagram(cut.data(), cut.size(), 7, links);
        EXPECT_LE(links.size(), 2u);
        if (nCut < good.size()) {
            EXPECT_NE(state, ENetlinkParse::Done) << "cut at " << nCut;
        }
    }
    for (size_t i = 0; i < good.size(); ++i) {
        for (const int value : {0x00, 0x01, 0x03, 0x7F, 0x80, 0xFF}) {
            Bytes damaged = good;
            damaged[i] = static_cast<uint8_t>(value);
            std::vector<CNetlinkLink> links;
            ParseLinkDumpDatagram(damaged.data(), damaged.size(), 7, links);
            EXPECT_LE(links.size(), 2u);
            for (const CNetlinkLink& link : links)
                EXPECT_TRUE(IsValidInterfaceName(link.m_strName)) << link.m_strName;
        }
    }
}

CNetlinkLink Link(uint32_t nIndex, const std::string& strName, const Bytes& address,
                  std::optional<std::string> parent = std::nullopt, uint16_t nType = 1)
{
    CNetlinkLink link;
    link.m_nIfIndex = nIndex;
    link.m_strName = strName;
    link.m_address = address;
    link.m_strParentDevice = std::move(parent);
    link.m_nType = nType;
    return link;
}

struct ScanCase {
    const char* name;
    std::vector<CNetlinkLink> links;
    bool bDeviceBacked;  // enp0s31f6's
};

// The dump gives the list; sysfs the device, when the dump names it as the parent or names no parents at all.
TEST(NetlinkScanTest, DeviceFromSysfsOnlyWhereTheDumpAgrees)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Desktop(tree, permanent);
    const std::optional<std::vector<CNetInterface>> fromSysfs = ScanNetInterfaces(tree.Root());
    ASSERT_TRUE(fromSysfs && fromSysfs->size() == 3);
    const CNetInterface& nic = (*fromSysfs)[1];
    ASSERT_TRUE(nic.m_bDeviceBacked);

    const Bytes lo(6, 0);
    const Bytes docker = {0x02, 0x42, 0xAC, 0x11, 0x00, 0x01};
    const ScanCase cases[] = {
        {"the dump names the parent", {Link(1, "lo", lo, {}, 772), Link(2, "enp0s31f6", kMac, "0000:00:1f.6"),
                                       Link(3, "docker0", docker)}, true},
        {"a kernel that names no parents", {Link(1, "lo", lo, {}, 772), Link(2, "enp0s31f6", kMac),
                                            Link(3, "docker0", docker)}, true},
        {"another parent than sysfs shows", {Link(1, "lo", lo, {}, 772), Link(2, "enp0s31f6", kMac, "0000:03:00.0"),
                                             Link(3, "docker0", docker)}, false},
        {"no parent while others have one", {Link(1, "lo", lo, {}, 772), Link(2, "enp0s31f6", kMac),
                                             Link(3, "docker0", docker, "0000:00:1f.6")}, false},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CNetInterface> interfaces = ScanNetInterfaces(tree.Root(), c.links);
        ASSERT_EQ(interfaces.size(), 3u);
        const CNetInterface& scanned = interfaces[1];
        EXPECT_EQ(scanned.m_strName, "enp0s31f6");
        EXPECT_EQ(scanned.m_address, nic.m_address);
        EXPECT_EQ(scanned.m_nLinkType, nic.m_nLinkType);
        EXPECT_EQ(scanned.m_bDeviceBacked, c.bDeviceBacked);
        if (c.bDeviceBacked) {
            EXPECT_EQ(scanned.m_strComponentId, nic.m_strComponentId);
            EXPECT_EQ(scanned.m_resourceTypes, nic.m_resourceTypes);
            EXPECT_EQ(GuidBytes(scanned.m_guid), GuidBytes(nic.m_guid));
        } else {
            EXPECT_TRUE(scanned.m_strComponentId.empty());
        }
        EXPECT_FALSE(interfaces[2].m_bDeviceBacked);
    }

    // Without a readable sysfs the dump still lists every interface, none with a device.
    const std::vector<CNetInterface> noSysfs = ScanNetInterfaces(tree.Path("missing"), cases[0].links);
    ASSERT_EQ(noSysfs.size(), 3u);
    EXPECT_FALSE(noSysfs[1].m_bDeviceBacked);
}

// The determination over the dump gives the machine the host ID it gets over sysfs alone, wireless included.
class CFixedLinks : public ILinkSource {
public:
    std::optional<std::vector<CNetlinkLink>> links;
    int nDumps = 0;
    std::optional<std::vector<CNetlinkLink>> DumpLinks() override
    {
        ++nDumps;
        return links;
    }
};

TEST(NetlinkScanTest, SameHostIdThroughTheDump)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Laptop(tree, permanent, false, true);
    CFixedLinks dump;
    dump.links = std::vector<CNetlinkLink>{Link(1, "lo", Bytes(6, 0), {}, 772),
                                           Link(3, "wlp2s0", {0x7C, 0xB2, 0x7D, 0x00, 0x00, 0x01}, "0000:02:00.0")};
    for (const bool bDumpWorks : {true, false}) {
        SCOPED_TRACE(bDumpWorks ? "through the dump" : "the dump fails: sysfs");
        if (!bDumpWorks)
            dump.links.reset();
        CLinuxSources sources(tree.Root(), permanent, &dump);
        uint32_t nSize = 1u << 20;
        std::vector<CNetCfgComponentInfo> components;
        ASSERT_TRUE(sources.EnumComponents(components));
        EXPECT_EQ(components.size(), 1u);
        std::vector<CAdapterEntry> entries;
        ASSERT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[1].m_strName, std::optional<std::u16string>(u"{BABBFBF7-C0D5-5393-BF0C-5A579609F0D2}"));
        EXPECT_EQ(entries[1].m_strDescription, std::optional<std::u16string>(u"802.11 wireless LAN (WLAN)"));
    }
    EXPECT_EQ(dump.nDumps, 2);  // one dump per determination, not one per question
}

}  // namespace

namespace {

// The names the kernel gives interfaces, and the ones it never gives, which could leave their sysfs directory.
TEST(NetlinkParseTest, InterfaceNamesAsTheKernelAllowsThem)
{
    const struct {
        const char* pszName;
        bool bValid;
    } cases[] = {
        {"eth0", true},     {"odd\x01x", true},    {"d\x7F", true},  {"\xC3\xA9th0", true}, {"012345678901234", true},
        {"", false},        {"0123456789012345", false},          {".", false},           {"..", false},
        {"a/b", false},     {"a:b", false},        {"a b", false},   {"a\tb", false},       {"a\nb", false},
        {"a\rb", false},    {"a\vb", false},       {"a\fb", false},  {"...", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidInterfaceName(c.pszName), c.bValid) << c.pszName;
}

}  // namespace
