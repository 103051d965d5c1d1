// The netlink link-dump parser, on any datagram the kernel (or something posing as it) might send.

#include <string>
#include <vector>

#include "fuzz_input.h"
#include "inventory/linux/netlink_links.h"

namespace {

// The dump's sequence number; the seeds use it, so that their messages are taken as answers to the request.
constexpr uint32_t kSequence = 7;
// MAX_ADDR_LEN in the kernel: no link-layer address is longer.
constexpr size_t kMaxAddressBytes = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Links already found in earlier datagrams are kept whatever this one holds.
    std::vector<CNetlinkLink> links(1);
    links[0].m_nIfIndex = 1;
    links[0].m_strName = "lo";
    const ENetlinkParse result = ParseLinkDumpDatagram(data, size, kSequence, links);
    FUZZ_CHECK(result == ENetlinkParse::More || result == ENetlinkParse::Done || result == ENetlinkParse::Failed);
    FUZZ_CHECK(!links.empty() && links[0].m_strName == "lo" && links[0].m_nIfIndex == 1);

    // Every link kept is one the rest of the program can use: an index, a name the kernel would give, an address
    // no longer than a link-layer address can be. A datagram of n bytes holds at most n / 32 link messages.
    FUZZ_CHECK(links.size() - 1 <= size / 32);
    for (size_t i = 1; i < links.size(); ++i) {
        FUZZ_CHECK(links[i].m_nIfIndex != 0);
        FUZZ_CHECK(IsValidInterfaceName(links[i].m_strName));
        FUZZ_CHECK(links[i].m_address.size() <= kMaxAddressBytes);
        if (links[i].m_strParentDevice)
            FUZZ_CHECK(links[i].m_strParentDevice->find('\0') == std::string::npos);
    }

    // The parse is a function of the bytes alone.
    std::vector<CNetlinkLink> again;
    FUZZ_CHECK(ParseLinkDumpDatagram(data, size, kSequence, again) == result);
    FUZZ_CHECK(again.size() == links.size() - 1);
    for (size_t i = 0; i < again.size(); ++i)
        FUZZ_CHECK(again[i].m_strName == links[i + 1].m_strName && again[i].m_address == links[i + 1].m_address);
    return 0;
}
