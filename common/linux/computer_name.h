#pragma once

#include <string>

// The host name, as the computer name of this system: the bytes the kernel holds, usually but not always UTF-8;
// empty when it cannot be had.
std::string ReadComputerName();
