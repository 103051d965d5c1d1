#pragma once

// A block of memory a program sets aside at its start and gives back the first time memory runs out, so that the
// failure can still be reported: throwing std::bad_alloc itself needs memory for the exception, and a process whose
// heap is full would otherwise end in std::terminate.

#include <cstddef>

// Sets the block aside and has operator new give it back, then throw std::bad_alloc, when memory runs out; and has
// std::terminate, should it still be reached, end the process with nExitCode instead of a signal. Call once, first
// thing in main.
void InstallMemoryReserve(size_t nBytes, int nExitCode);

// Gives the block back, if it is still held. For code that learns of memory running out from the C library
// (ENOMEM) and is about to throw std::bad_alloc.
void ReleaseMemoryReserve() noexcept;
