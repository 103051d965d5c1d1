#pragma once

// Decimal numbers in text, read the way the C library's wide-text to long conversion (wcstol with base 10) reads
// them, with a 32-bit long as on Windows.

#include <cstdint>
#include <string_view>

// Skips leading white space, takes an optional sign and then the digits up to the first other character. Text
// without digits gives 0. A value beyond the 32-bit range gives the nearest limit, as wcstol does: the result is
// always defined, however many digits the text holds.
int32_t ParseDecimalLong(std::u16string_view text);
