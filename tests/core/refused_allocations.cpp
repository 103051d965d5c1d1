#include "refused_allocations.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

int g_nRefusing = 0;
size_t g_nRefused = 0;
size_t g_nAllowedLeft = 0;
bool g_bOnlyOne = false;

}  // namespace

CRefuseAllocations::CRefuseAllocations(size_t nFirstAllowed, ERefusal eRefusal) : m_nRefusedBefore(g_nRefused)
{
    ++g_nRefusing;
    g_nAllowedLeft = nFirstAllowed;
    g_bOnlyOne = eRefusal == ERefusal::OnlyThatOne;
}

CRefuseAllocations::~CRefuseAllocations()
{
    --g_nRefusing;
}

size_t CRefuseAllocations::GetRefused() const
{
    return g_nRefused - m_nRefusedBefore;
}

void* operator new(std::size_t nSize)
{
    if (g_nRefusing > 0 && g_nAllowedLeft-- == 0) {
        g_nAllowedLeft = g_bOnlyOne ? SIZE_MAX : 0;
        ++g_nRefused;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(nSize == 0 ? 1 : nSize))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t nSize)
{
    return ::operator new(nSize);
}

// The non-throwing forms are replaced too, so that code asking for memory with std::nothrow is refused in the same
// order, and so that every block these functions hand out is released by the free() below: left to the runtime, a
// sanitizer's own nothrow allocation would be released here through the wrong allocator.
void* operator new(std::size_t nSize, const std::nothrow_t&) noexcept
{
    try {
        return ::operator new(nSize);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t nSize, const std::nothrow_t&) noexcept
{
    return ::operator new(nSize, std::nothrow);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
