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

// Fills the buffer from a source that may answer in pieces or be interrupted by a signal, a bounded number of times.
template <class Read>
bool FillInPieces(uint8_t* pBuffer, size_t nBytes, Read read)
{
    size_t nDone = 0;
    int nInterruptions = 0;
    while (nDone < nBytes) {
        const ssize_t n = read(pBuffer + nDone, nBytes - nDone);
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

// getrandom(2) without waiting: early in boot, before the kernel's pool is ready, it answers EAGAIN instead of
// blocking, and /dev/urandom, which never blocks, is asked instead.
bool FillFromGetrandom(uint8_t* pBuffer, size_t nBytes)
{
    return FillInPieces(pBuffer, nBytes,
                        [](uint8_t* p, size_t n) { return getrandom(p, n, GRND_NONBLOCK); });
}

bool FillFromDevice(uint8_t* pBuffer, size_t nBytes)
{
    const CFileDescriptor file(open("/dev/urandom", O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.IsValid())
        return false;
    return FillInPieces(pBuffer, nBytes, [&file](uint8_t* p, size_t n) { return read(file.Get(), p, n); });
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
