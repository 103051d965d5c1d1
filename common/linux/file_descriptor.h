#pragma once

// A file descriptor owned by one object, the opening of an output file, and a write that goes on until everything
// is written.

#include <cstddef>

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd = -1) : m_fd(fd) {}
    ~CFileDescriptor();
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }

    // Closes now and tells whether the kernel reported the close as clean: on some file systems a lost write only
    // shows here. The descriptor is gone afterwards whatever the answer.
    bool Close();

    // Gives the descriptor up to the caller, who closes it.
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Writes all nBytes, going on after short writes and after a bounded number of interruptions by signals. False
// when the write fails or makes no progress; nError then holds the reason (errno), or 0 when there was none.
bool WriteAll(int fd, const void* pData, size_t nBytes, int& nError);

// Opens a file for writing, created when missing (mode 0666 less the umask) and emptied when present. A FIFO that no
// process reads fails at once (ENXIO) instead of waiting for a reader that may never come; one with a reader, a
// pipe or a terminal is written as usual, blocking. Returns the descriptor, or -1 with errno set.
int OpenOutputFile(const char* pszPath);

// Makes the signals that a write can raise harmless for the whole process, so that the write fails with an error
// the caller turns into its exit code: SIGPIPE (the reader of a pipe has gone: EPIPE) and SIGXFSZ (the file-size
// limit is reached: EFBIG). Both would otherwise end the process with 141 or 153.
void IgnoreWriteSignals();
