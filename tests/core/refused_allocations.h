#pragma once

// Memory that runs out on request, for the core tests: this test program replaces the global operator new, and
// while a CRefuseAllocations lives every allocation fails with std::bad_alloc, after as many as it was told to let
// through. The tests run on one thread.

#include <cstddef>

class CRefuseAllocations {
public:
    explicit CRefuseAllocations(size_t nFirstAllowed = 0);
    ~CRefuseAllocations();
    CRefuseAllocations(const CRefuseAllocations&) = delete;
    CRefuseAllocations& operator=(const CRefuseAllocations&) = delete;

    // How many allocations were refused since construction.
    size_t GetRefused() const;

private:
    size_t m_nRefusedBefore;
};
