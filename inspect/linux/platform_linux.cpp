#include <algorithm>
#include "inspect/platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/linux/computer_name.h"
#include "common/linux/file_descriptor.h"
#include "common/text.h"

namespace {

// A call interrupted by a signal is repeated, but not forever.
constexpr int kMaxInterruptions = 100;

std::string Reason(int nError)
{
    return std::strerror(nError);
}

}  // namespace

std::u16string GetLocalComputerName()
{
    return Utf8ToUtf16(ReadComputerName());
}

bool ReadWholeFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes, std::string& strReason)
{
    // Opened without waiting: opening a FIFO for reading would otherwise wait for a writer, for ever if none
    // comes, and opening a device node can have effects of its own before it is refused below.
    CFileDescriptor file(::open(Utf16ToFileName(strPath).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.IsValid()) {
        strReason = Reason(errno);
        return false;
    }
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0) {
        strReason = Reason(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        strReason = Reason(EISDIR);
        return false;
    }
    // A snapshot is a regular file, or a FIFO or pipe that one is written into (... | lumohostid-inspect --replay
    // /dev/stdin). A device or a socket is not read at all.
    const bool bPipe = S_ISFIFO(status.st_mode);
    if (!S_ISREG(status.st_mode) && !bPipe) {
        strReason = "not a regular file, a FIFO or a pipe";
        return false;
    }
    // The reads wait for a writer's data as before. A FIFO without a writer reads as the end at once: read answers 0
    // when no one has it open for writing.
    if (bPipe) {
        const int nFlags = ::fcntl(file.Get(), F_GETFL);
        if (nFlags < 0 || ::fcntl(file.Get(), F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
            strReason = Reason(errno);
            return false;
        }
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
            strReason = Reason(errno);
            return false;
        }
        if (nRead == 0) {
            if (bPipe && bytes.empty()) {
                strReason = "no data";
                return false;
            }
            return true;
        }
        bytes.append(chunk, static_cast<size_t>(nRead));
        if (bytes.size() > nMaxBytes) {
            strReason = "larger than " + std::to_string(nMaxBytes) + " bytes";
            return false;
        }
    }
}

bool WriteWholeFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason)
{
    CFileDescriptor file(OpenOutputFile(Utf16ToFileName(strPath).c_str()));
    if (!file.IsValid()) {
        strReason = Reason(errno);
        return false;
    }
    int nError = 0;
    if (!WriteAll(file.Get(), bytes.data(), bytes.size(), nError)) {
        strReason = Reason(nError);
        return false;
    }
    if (!file.Close()) {
        strReason = Reason(errno);
        return false;
    }
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
