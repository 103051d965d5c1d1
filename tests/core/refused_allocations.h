#pragma once

// Memory that runs out on request, for the core tests: this test program replaces the global operator new, and
// while a CRefuseAllocations lives every allocation fails with std::bad_alloc, after as many as it was told to let
// through; or only the one after them. The tests run on one thread.

#include <cstddef>

// Whether memory stays exhausted after the first refusal, or only that one allocation fails.
enum class ERefusal { FromThenOn, OnlyThatOne };

class CRefuseAllocations {
public:
    explicit CRefuseAllocations(size_t nFirstAllowed = 0, ERefusal eRefusal = ERefusal::FromThenOn);
    ~CRefuseAllocations();
    CRefuseAllocations(const CRefuseAllocations&) = delete;
    CRefuseAllocations& operator=(const CRefuseAllocations&) = delete;

    // How many allocations were refused since construction.
    size_t GetRefused() const;

private:
    size_t m_nRefusedBefore;
};
