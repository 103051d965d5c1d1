#pragma once

// The network configuration (INetCfg) as the network configuration pass reads it.

#include "inventory/sources.h"

class CNetCfgSource : public INetCfgSource {
public:
    bool EnumComponents(std::vector<CNetCfgComponentInfo>& components) override;
};
