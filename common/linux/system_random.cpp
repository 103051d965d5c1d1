#include "common/system_random.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "common/linux/file_descriptor.h"

namespace {

// A call interrupted by a signal is repeated, but not forever.
constexpr int kMaxInterruptions = 100;

// getrandom(2) without waiting: early in boot, before the kernel's pool is ready, it answers EAGAIN instead of
// blocking, and /dev/urandom, which never blocks, is asked instead.
bool FillFromGetrandom(uint8_t* pBuffer, size_t nBytes)
{
    size_t nDone = 0;
    int nInterruptions = 0;
    while (nDone < nBytes) {
        const ssize_t n = getrandom(pBuffer + nDone, nBytes - nDone, GRND_NONBLOCK);
        if (n > 0) {
            nDone += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR && ++nInterruptions <= kMaxInterruptions)
            continue;
        return false;
    }
    return true;
}

bool FillFromDevice(uint8_t* pBuffer, size_t nBytes)
{
    const CFileDescriptor file(open("/dev/urandom", O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.IsValid())
        return false;
    size_t nDone = 0;
    int nInterruptions = 0;
    while (nDone < nBytes) {
        const ssize_t n = read(file.Get(), pBuffer + nDone, nBytes - nDone);
        if (n > 0) {
            nDone += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR && ++nInterruptions <= kMaxInterruptions)
            continue;
        return false;
    }
    return true;
}

}  // namespace

bool FillSystemRandom(void* pBuffer, size_t nBytes)
{
    auto* pBytes = static_cast<uint8_t*>(pBuffer);
    // errno is left as the caller had it: a failed source here is no error of the caller's.
    const int nSavedError = errno;
    const bool bFilled = FillFromGetrandom(pBytes, nBytes) || FillFromDevice(pBytes, nBytes);
    errno = nSavedError;
    return bFilled;
}
