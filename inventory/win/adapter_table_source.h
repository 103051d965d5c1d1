#pragma once

// The operating system's adapter table (GetAdaptersAddresses), as the adapter choice reads it.

#include "inventory/sources.h"

// The buffer the first call is made with. The choice declares a size of 0 on that call, so nothing is written to
// it; the call still needs a real buffer to answer with the size it wants.
constexpr uint32_t kAdapterTableFirstBufferSize = 448;

class CAdapterTableSource : public IAdapterTableSource {
public:
    uint32_t GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries) override;
};
