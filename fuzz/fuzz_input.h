#pragma once

// Turning a fuzzer's bytes into the program's inputs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every two bytes make one UTF-16 unit, low byte first; an odd last byte is dropped.
inline std::u16string UnitsFromBytes(const uint8_t* data, size_t size)
{
    std::u16string text;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

// Abort with a message: libFuzzer reports it as a crash with the input that caused it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            __builtin_printf("check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);        \
            __builtin_abort();                                                                     \
        }                                                                                          \
    } while (0)
