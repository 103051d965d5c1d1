#include "common/system_random.h"

#include <windows.h>

#include <cstdint>

#include "common/win/system_module.h"

namespace {

// BCryptGenRandom's signature; its NTSTATUS is a LONG, negative on failure.
using BCryptGenRandomFn = LONG(WINAPI*)(void*, PUCHAR, ULONG, ULONG);
constexpr ULONG kUseSystemPreferredRng = 0x00000002;  // BCRYPT_USE_SYSTEM_PREFERRED_RNG
// RtlGenRandom, exported by advapi32 as SystemFunction036 since Windows XP.
using RtlGenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);

// Asks in pieces that a ULONG can count, though a seed is far smaller.
template <class Fill>
bool FillInPieces(uint8_t* pBytes, size_t nBytes, Fill fill)
{
    while (nBytes > 0) {
        const ULONG nPiece = nBytes > 0x10000000 ? 0x10000000 : static_cast<ULONG>(nBytes);
        if (!fill(pBytes, nPiece))
            return false;
        pBytes += nPiece;
        nBytes -= nPiece;
    }
    return true;
}

}  // namespace

bool FillSystemRandom(void* pBuffer, size_t nBytes)
{
    auto* pBytes = static_cast<uint8_t*>(pBuffer);
    // Both DLLs come from the system directory only, never from beside the program; Wine and old systems may lack
    // either function, so each is looked up and checked.
    static const auto pGenRandom = SystemFunction<BCryptGenRandomFn>(L"bcrypt.dll", "BCryptGenRandom");
    if (pGenRandom && FillInPieces(pBytes, nBytes, [](uint8_t* p, ULONG n) {
            return pGenRandom(nullptr, p, n, kUseSystemPreferredRng) >= 0;
        }))
        return true;
    static const auto pRtlGenRandom = SystemFunction<RtlGenRandomFn>(L"advapi32.dll", "SystemFunction036");
    return pRtlGenRandom &&
           FillInPieces(pBytes, nBytes, [](uint8_t* p, ULONG n) { return pRtlGenRandom(p, n) != FALSE; });
}
