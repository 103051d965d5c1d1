#include "inspect/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/linux/computer_name.h"
#include "common/linux/file_descriptor.h"
#include "common/text.h"

// A call interrupted by a signal is repeated, but not forever.
constexpr int kMaxInterruptions = 100;

std::u16string GetLocalComputerName()
{
    return Utf8ToUtf16(ReadComputerName());
}

bool ReadWholeFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes, std::string& strReason)
{
    // Opened without waiting: opening a FIFO for reading would otherwise wait for a writer, for ever if none
    // comes, and opening a device node can have effects of its own before it is refused below.
    CFileDescriptor file(::open(Utf16ToFileName(strPath).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.IsValid())
        return FileCallFailed(strReason, std::strerror(errno));
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        return FileCallFailed(strReason, std::strerror(errno));
    if (S_ISDIR(status.st_mode))
        return FileCallFailed(strReason, std::strerror(EISDIR));
    // A snapshot is a regular file, or a FIFO or pipe that one is written into (... | lumohostid-inspect --replay
    // /dev/stdin). A device or a socket is not read at all.
    const bool bPipe = S_ISFIFO(status.st_mode);
    if (!S_ISREG(status.st_mode) && !bPipe)
        return FileCallFailed(strReason, "not a regular file, a FIFO or a pipe");
    // The reads wait for a writer's data as before. A FIFO without a writer reads as the end at once: read answers 0
    // when no one has it open for writing.
    if (bPipe) {
        const int nFlags = ::fcntl(file.Get(), F_GETFL);
        if (nFlags < 0 || ::fcntl(file.Get(), F_SETFL, nFlags & ~O_NONBLOCK) != 0)
            return FileCallFailed(strReason, std::strerror(errno));
    }

    // Reads until the end of the file, but never more than one chunk beyond the limit. The size the file says it
    // has is room taken at once, so that a large file is not copied again and again as the text grows; the file
    // may still turn out shorter or longer.
    bytes.clear();
    if (S_ISREG(status.st_mode) && status.st_size > 0)
        bytes.reserve(std::min<size_t>(static_cast<size_t>(status.st_size), nMaxBytes) + 1);
    char chunk[65536];
    int nInterruptions = 0;
    for (;;) {
        const ssize_t nRead = ::read(file.Get(), chunk, sizeof(chunk));
        if (nRead < 0) {
            if (errno == EINTR && ++nInterruptions <= kMaxInterruptions)
                continue;
            return FileCallFailed(strReason, std::strerror(errno));
        }
        if (nRead == 0) {
            if (bPipe && bytes.empty())
                return FileCallFailed(strReason, "no data");
            return true;
        }
        bytes.append(chunk, static_cast<size_t>(nRead));
        if (bytes.size() > nMaxBytes)
            return FileCallFailed(strReason, "larger than " + std::to_string(nMaxBytes) + " bytes");
    }
}

bool WriteWholeFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason)
{
    CFileDescriptor file(OpenOutputFile(Utf16ToFileName(strPath).c_str()));
    if (!file.IsValid())
        return FileCallFailed(strReason, std::strerror(errno));
    int nError = 0;
    if (!WriteAll(file.Get(), bytes.data(), bytes.size(), nError))
        return FileCallFailed(strReason, std::strerror(nError));
    if (!file.Close())
        return FileCallFailed(strReason, std::strerror(errno));
    return true;
}

bool WriteStandardOutput(std::string_view bytes)
{
    int nError = 0;
    return WriteAll(STDOUT_FILENO, bytes.data(), bytes.size(), nError);
}

bool WriteStandardError(std::string_view bytes)
{
    int nError = 0;
    return WriteAll(STDERR_FILENO, bytes.data(), bytes.size(), nError);
}
