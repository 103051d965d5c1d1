#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "common/linux/file_descriptor.h"
#include "inventory/linux/linux_sources.h"
#include "inventory/linux/sysfs_net.h"

namespace {

// Any socket carries the ethtool ioctl; a system without IPv4 still has local and netlink sockets.
int OpenAnySocket()
{
    for (const int nFamily : {AF_INET, AF_UNIX, AF_NETLINK}) {
        const int fd = socket(nFamily, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

// ethtool_perm_addr ends in a flexible array: the request is its header followed by room for the longest address.
constexpr size_t kHeaderSize = offsetof(ethtool_perm_addr, data);

}  // namespace

std::optional<std::vector<uint8_t>> CEthtoolPermanentAddressReader::ReadPermanentAddress(
    const std::string& strInterface)
{
    ifreq request {};
    if (strInterface.empty() || strInterface.size() >= sizeof(request.ifr_name) ||
        strInterface.find('\0') != std::string::npos)
        return std::nullopt;
    const CFileDescriptor sock(OpenAnySocket());
    if (!sock.IsValid())
        return std::nullopt;

    alignas(ethtool_perm_addr) uint8_t buffer[kHeaderSize + kMaxLinkLayerAddress] = {};
    ethtool_perm_addr header {};
    header.cmd = ETHTOOL_GPERMADDR;
    header.size = kMaxLinkLayerAddress;
    std::memcpy(buffer, &header, kHeaderSize);
    std::memcpy(request.ifr_name, strInterface.data(), strInterface.size());
    request.ifr_data = reinterpret_cast<char*>(buffer);
    if (ioctl(sock.Get(), SIOCETHTOOL, &request) != 0)
        return std::nullopt;
    // The kernel writes back the address length; one beyond the room given would be a broken answer.
    std::memcpy(&header, buffer, kHeaderSize);
    if (header.size > kMaxLinkLayerAddress)
        return std::nullopt;
    return std::vector<uint8_t>(buffer + kHeaderSize, buffer + kHeaderSize + header.size);
}
