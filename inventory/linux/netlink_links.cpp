#include "inventory/linux/netlink_links.h"

#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/linux/file_descriptor.h"
#include "inventory/linux/sysfs_net.h"

namespace {

constexpr size_t kHeaderSize = NLMSG_ALIGN(sizeof(nlmsghdr));
constexpr size_t kInfoSize = NLMSG_ALIGN(sizeof(ifinfomsg));
constexpr size_t kInterfaceNameSize = 16;  // IFNAMSIZ, the terminating null included

// The kernel fills each datagram of a dump up to about 32 KiB; one of 64 KiB holds any of them whole.
constexpr size_t kReceiveBufferSize = 64 * 1024;
// A dump that a change interrupted is asked for again, a few times.
constexpr int kMaxDumpAttempts = 3;
// A kernel that answers nothing within this time has no answer; the caller reads sysfs.
constexpr int kReceiveTimeoutMs = 2000;
// A call interrupted by a signal is repeated, but not forever.
constexpr int kMaxInterruptions = 100;

// The text of a string attribute: up to its first null, or none when it holds none (the kernel always ends them).
std::optional<std::string> AttributeText(const uint8_t* pPayload, size_t nLength)
{
    const void* pNull = std::memchr(pPayload, 0, nLength);
    if (!pNull)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(pPayload), static_cast<const uint8_t*>(pNull) - pPayload);
}

// One RTM_NEWLINK message (without its header); false when the link cannot be used: the message is too short for
// its link header or an attribute's length runs outside it, the index is 0, the name is missing or is none the
// kernel would give, the address is longer than any link-layer address, or the parent device's name is not ended.
// Its header still frames the message, so the caller passes over it and reads the next one.
bool ParseLinkMessage(const uint8_t* pMessage, size_t nLength, CNetlinkLink& link)
{
    if (nLength < kInfoSize)
        return false;
    ifinfomsg info {};
    std::memcpy(&info, pMessage, sizeof(info));
    if (info.ifi_index <= 0)
        return false;
    link.m_nIfIndex = static_cast<uint32_t>(info.ifi_index);
    link.m_nType = info.ifi_type;

    bool bNamed = false;
    size_t nOffset = kInfoSize;
    // Each attribute is at least its four-byte header long, so the walk ends after at most nLength / 4 steps.
    while (nLength - nOffset >= sizeof(rtattr)) {
        rtattr attribute {};
        std::memcpy(&attribute, pMessage + nOffset, sizeof(attribute));
        if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > nLength - nOffset)
            return false;
        const uint8_t* pPayload = pMessage + nOffset + RTA_LENGTH(0);
        const size_t nPayload = attribute.rta_len - RTA_LENGTH(0);
        switch (attribute.rta_type & NLA_TYPE_MASK) {
        case IFLA_IFNAME: {
            std::optional<std::string> name = AttributeText(pPayload, nPayload);
            if (!name || !IsValidInterfaceName(*name))
                return false;
            link.m_strName = std::move(*name);
            bNamed = true;
            break;
        }
        case IFLA_ADDRESS:
            if (nPayload > kMaxLinkLayerAddress)
                return false;
            link.m_address.assign(pPayload, pPayload + nPayload);
            break;
        case IFLA_PARENT_DEV_NAME: {
            std::optional<std::string> parent = AttributeText(pPayload, nPayload);
            if (!parent)
                return false;
            link.m_strParentDevice = std::move(*parent);
            break;
        }
        default:
            break;
        }
        // The last attribute need not be padded to the alignment.
        nOffset += std::min<size_t>(RTA_ALIGN(attribute.rta_len), nLength - nOffset);
    }
    return bNamed;
}

}  // namespace

bool IsValidInterfaceName(const std::string& strName)
{
    if (strName.empty() || strName.size() >= kInterfaceNameSize || strName == "." || strName == "..")
        return false;
    for (const char ch : strName) {
        // The kernel's test is isspace() in the C locale: the space and the controls from tab to carriage return.
        // Other controls and DEL are allowed ("ip link add $'odd\x01x' ..."), and sysfs lists such interfaces.
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '/' || ch == ':' || byte == 0x20 || (byte >= 0x09 && byte <= 0x0D))
            return false;
    }
    return true;
}

ENetlinkParse ParseLinkDumpDatagram(const uint8_t* pData, size_t nBytes, uint32_t nSequence,
                                    std::vector<CNetlinkLink>& links)
{
    size_t nOffset = 0;
    // Each message is at least its sixteen-byte header long, so the walk ends after at most nBytes / 16 steps.
    while (nBytes - nOffset >= sizeof(nlmsghdr)) {
        nlmsghdr header {};
        std::memcpy(&header, pData + nOffset, sizeof(header));
        if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > nBytes - nOffset)
            return ENetlinkParse::Failed;
        if (header.nlmsg_seq == nSequence) {
            if (header.nlmsg_flags & NLM_F_DUMP_INTR)
                return ENetlinkParse::Failed;
            if (header.nlmsg_type == NLMSG_DONE)
                return ENetlinkParse::Done;
            if (header.nlmsg_type == NLMSG_ERROR)
                return ENetlinkParse::Failed;
            if (header.nlmsg_type == RTM_NEWLINK) {
                if (header.nlmsg_len < kHeaderSize)
                    return ENetlinkParse::Failed;
                // A link that cannot be used is passed over and the rest of the dump kept: one odd interface
                // must not send the whole inventory to sysfs, which costs several files per interface.
                CNetlinkLink link;
                if (ParseLinkMessage(pData + nOffset + kHeaderSize, header.nlmsg_len - kHeaderSize, link))
                    links.push_back(std::move(link));
            }
        }
        nOffset += std::min<size_t>(NLMSG_ALIGN(header.nlmsg_len), nBytes - nOffset);
    }
    // Bytes too few for a header are left over only in a broken datagram.
    return nOffset == nBytes ? ENetlinkParse::More : ENetlinkParse::Failed;
}

std::optional<std::vector<CNetlinkLink>> CNetlinkLinkSource::DumpLinks()
{
    std::vector<uint8_t> buffer(kReceiveBufferSize);
    for (int nAttempt = 1; nAttempt <= kMaxDumpAttempts; ++nAttempt) {
        // A fresh socket for every attempt: the kernel refuses a second dump on a socket whose first one is still
        // running, and the rest of an abandoned dump goes away with its socket.
        const CFileDescriptor sock(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
        if (!sock.IsValid())
            return std::nullopt;
        const timeval timeout = {kReceiveTimeoutMs / 1000, (kReceiveTimeoutMs % 1000) * 1000};
        if (setsockopt(sock.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout)) != 0)
            return std::nullopt;
        constexpr uint32_t nSequence = 1;
        struct {
            nlmsghdr header;
            ifinfomsg info;
        } request {};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
        request.header.nlmsg_type = RTM_GETLINK;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = nSequence;
        request.info.ifi_family = AF_UNSPEC;
        sockaddr_nl kernel {};
        kernel.nl_family = AF_NETLINK;
        if (sendto(sock.Get(), &request, request.header.nlmsg_len, 0, reinterpret_cast<const sockaddr*>(&kernel),
                   sizeof(kernel)) != static_cast<ssize_t>(request.header.nlmsg_len))
            return std::nullopt;

        std::vector<CNetlinkLink> links;
        ENetlinkParse state = ENetlinkParse::More;
        int nInterruptions = 0;
        // Every datagram either brings the dump nearer its end or fails it; the receive timeout bounds the wait
        // for each, and the kernel's table of interfaces bounds their number.
        while (state == ENetlinkParse::More) {
            sockaddr_nl sender {};
            iovec vector = {buffer.data(), buffer.size()};
            msghdr message {};
            message.msg_name = &sender;
            message.msg_namelen = sizeof(sender);
            message.msg_iov = &vector;
            message.msg_iovlen = 1;
            const ssize_t nReceived = recvmsg(sock.Get(), &message, 0);
            if (nReceived < 0 && errno == EINTR && ++nInterruptions <= kMaxInterruptions)
                continue;
            // A datagram cut to the buffer, or one from anything but the kernel, is no answer to trust.
            if (nReceived <= 0 || (message.msg_flags & MSG_TRUNC) || sender.nl_pid != 0)
                return std::nullopt;
            state = ParseLinkDumpDatagram(buffer.data(), static_cast<size_t>(nReceived), nSequence, links);
        }
        if (state == ENetlinkParse::Done)
            return links;
        // A failed parse is most often a dump that a change interrupted; anything else fails again, and after a
        // few attempts the caller reads sysfs.
    }
    return std::nullopt;
}
