#pragma once

#include <string>

#include "common/text.h"

// UTF-16 text from a UTF-8 literal, for table-driven tests.
inline std::u16string U16(const std::string& utf8)
{
    return Utf8ToUtf16(utf8);
}
