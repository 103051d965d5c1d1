#include "inventory/linux/linux_sources.h"
#include "inventory/sources.h"

// The machine's own sources: the real sysfs and the real ethtool query.
class CLiveSources::CImpl {
public:
    CEthtoolPermanentAddressReader m_permanentAddresses;
    CLinuxSources m_sources{"/sys", m_permanentAddresses};
};

CLiveSources::CLiveSources() : m_pImpl(std::make_unique<CImpl>()) {}

CLiveSources::~CLiveSources() = default;

CInventorySources CLiveSources::Get()
{
    return m_pImpl->m_sources.Get();
}
