#pragma once

// A file descriptor owned by one object, and a write that goes on until everything is written.

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

private:
    int m_fd;
};

// Writes all nBytes, going on after short writes and after a bounded number of interruptions by signals. False
// when the write fails or makes no progress; nError then holds the reason (errno), or 0 when there was none.
bool WriteAll(int fd, const void* pData, size_t nBytes, int& nError);
