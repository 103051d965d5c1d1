#pragma once

// The network interfaces as one netlink dump (RTM_GETLINK on NETLINK_ROUTE) reports them: name, index, link type,
// address and parent device of every interface at once, where reading sysfs would take several files each.
//
// The fetch (DumpLinks) only moves bytes between the kernel and a buffer; ParseLinkDumpDatagram turns each datagram
// into plain values and decides what is well formed. Every loop over the bytes is bounded by the bytes themselves.
// A link message that cannot be used (no name or one the kernel would not give, an attribute whose length runs
// outside its message) is passed over and the others kept. Only a datagram whose messages cannot be told apart
// (a message length that is too short or runs past the datagram) fails the parse, so a malformed answer can
// neither crash nor hang it, and the caller then reads sysfs instead.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One interface of the dump.
struct CNetlinkLink {
    uint32_t m_nIfIndex = 0;                       // ifi_index, never 0
    uint16_t m_nType = 0;                          // ifi_type, ARPHRD_*
    std::string m_strName;                         // IFLA_IFNAME, a valid interface name
    std::vector<uint8_t> m_address;                // IFLA_ADDRESS; empty when the interface has none
    std::optional<std::string> m_strParentDevice;  // IFLA_PARENT_DEV_NAME; none when not sent
};

enum class ENetlinkParse {
    More,    // every message was a link, or was passed over; more datagrams follow
    Done,    // NLMSG_DONE: the dump is complete
    Failed,  // malformed, an error answer, or a dump interrupted by a change (NLM_F_DUMP_INTR)
};

// Parses one datagram of the answer to the dump request with sequence number nSequence, appending its links.
// Messages of another sequence number are skipped.
ENetlinkParse ParseLinkDumpDatagram(const uint8_t* pData, size_t nBytes, uint32_t nSequence,
                                    std::vector<CNetlinkLink>& links);

// Whether a text is a name the kernel accepts for an interface (dev_valid_name): 1 to 15 bytes, not "." or "..",
// without "/", ":" or white space. Other control characters are allowed, as the kernel allows them. Only such a
// name is ever joined into a sysfs path: it is always one component of it.
bool IsValidInterfaceName(const std::string& strName);

// The interfaces of the dump.
class ILinkSource {
public:
    virtual ~ILinkSource() = default;

    // Every interface, in the kernel's order; none when the dump cannot be had or is not well formed.
    virtual std::optional<std::vector<CNetlinkLink>> DumpLinks() = 0;
};

// The running kernel's dump. It needs no privilege.
class CNetlinkLinkSource : public ILinkSource {
public:
    std::optional<std::vector<CNetlinkLink>> DumpLinks() override;
};
