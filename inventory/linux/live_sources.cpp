#include "inventory/linux/linux_sources.h"
#include "inventory/sources.h"

// The machine's own sources: the kernel's netlink dump of the interfaces, the real sysfs and the real ethtool
// query.
class CLiveSources::CImpl {
public:
    CEthtoolPermanentAddressReader m_permanentAddresses;
    CNetlinkLinkSource m_links;
    CLinuxSources m_sources{"/sys", m_permanentAddresses, &m_links};
};

CLiveSources::CLiveSources() : m_pImpl(std::make_unique<CImpl>()) {}

CLiveSources::~CLiveSources() = default;

CInventorySources CLiveSources::Get()
{
    return m_pImpl->m_sources.Get();
}
