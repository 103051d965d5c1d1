#include "common/linux/file_descriptor.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A call interrupted by a signal is repeated, but not forever: a storm of signals ends it as a failure.
constexpr int kMaxInterruptions = 100;

}  // namespace

CFileDescriptor::~CFileDescriptor()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool CFileDescriptor::Close()
{
    const int fd = m_fd;
    m_fd = -1;
    // Linux releases the descriptor even when close is interrupted, so EINTR is no failure of the close itself.
    return fd < 0 || close(fd) == 0 || errno == EINTR;
}

bool WriteAll(int fd, const void* pData, size_t nBytes, int& nError)
{
    const auto* pBytes = static_cast<const unsigned char*>(pData);
    size_t nWritten = 0;
    int nInterruptions = 0;
    nError = 0;
    while (nWritten < nBytes) {
        const ssize_t nResult = write(fd, pBytes + nWritten, nBytes - nWritten);
        if (nResult < 0) {
            if (errno == EINTR && ++nInterruptions <= kMaxInterruptions)
                continue;
            nError = errno;
            return false;
        }
        if (nResult == 0)
            return false;  // no progress: the file takes nothing more
        nInterruptions = 0;
        nWritten += static_cast<size_t>(nResult);
    }
    return true;
}

int OpenOutputFile(const char* pszPath)
{
    // Without O_NONBLOCK, opening a FIFO for writing waits until some process opens it for reading. With it, the
    // open fails with ENXIO when there is none; on a regular file it changes nothing.
    CFileDescriptor file(open(pszPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    if (!file.IsValid())
        return -1;
    // Writes block again, as on any output: a reader that takes its time still gets every byte, and a full pipe is
    // no error.
    const int nFlags = fcntl(file.Get(), F_GETFL);
    if (nFlags < 0 || fcntl(file.Get(), F_SETFL, nFlags & ~O_NONBLOCK) != 0)
        return -1;
    return file.Release();
}

void IgnoreWriteSignals()
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}
