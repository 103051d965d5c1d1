#include "common/memory_reserve.h"

#include <cstdlib>
#include <exception>
#include <new>

namespace {

void* g_pReserve = nullptr;
int g_nTerminateExitCode = 1;

void OnOutOfMemory()
{
    // operator new calls this when malloc fails. With the block given back there is memory for the exception and
    // for the unwinding that follows; the allocation itself still fails, so that the caller learns of it.
    ReleaseMemoryReserve();
    throw std::bad_alloc();
}

[[noreturn]] void OnTerminate()
{
    std::_Exit(g_nTerminateExitCode);
}

}  // namespace

void InstallMemoryReserve(size_t nBytes, int nExitCode)
{
    g_nTerminateExitCode = nExitCode;
    std::set_terminate(OnTerminate);
    g_pReserve = std::malloc(nBytes);
    std::set_new_handler(OnOutOfMemory);
}

void ReleaseMemoryReserve() noexcept
{
    std::free(g_pReserve);
    g_pReserve = nullptr;
}
