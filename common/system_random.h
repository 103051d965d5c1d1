#pragma once

// The system's source of random bytes, for seeds that a file must not be able to guess.

#include <cstddef>

// Fills the buffer with random bytes from the operating system; false when no source answered, and the caller then
// makes do with what it has. Never blocks for long and never ends the process.
bool FillSystemRandom(void* pBuffer, size_t nBytes);
