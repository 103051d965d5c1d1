#pragma once

#include <string>

// The NetBIOS name of this computer, as GetComputerNameW gives it; empty when it cannot be had.
std::u16string ReadComputerName();
