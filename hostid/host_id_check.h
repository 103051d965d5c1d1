#pragma once

// Whether a host ID that a person typed (into an e-mail, a web form, a support ticket) is one this program could
// have printed: five pairs of hexadecimal digits joined by hyphens, the fifth pair the XOR of the first four, and
// the type code of an adapter address in the low four bits of the fourth. The check byte catches every
// single-character typo: a changed digit changes one byte, so the XOR of all five bytes is no longer zero, and a
// character added, dropped or replaced by anything but a hex digit breaks the form.

#include <cstdint>
#include <string>
#include <string_view>

enum class EHostIdCheck {
    kValid = 0,
    kEmpty,       // nothing but white space
    kMalformed,   // not five pairs of hex digits joined by hyphens
    kCheckByte,   // well formed, but the fifth pair is not the XOR of the first four
    kTypeCode,    // well formed with a matching check byte, but another type code than an adapter address's
};

struct SHostIdCheck {
    EHostIdCheck m_eResult = EHostIdCheck::kEmpty;
    // The five pairs in upper case joined by "-" whenever the text has that form (also when the check byte or the
    // type code is wrong); empty otherwise.
    std::string m_strNormalized;
    // One sentence on what is wrong; empty for a valid host ID.
    std::string m_strReason;
    // The value the first four pairs spell, when the text has the form.
    uint32_t m_dwValue = 0;

    bool IsValid() const { return m_eResult == EHostIdCheck::kValid; }
};

// Checks a typed host ID. White space (space, tab, line ends) around the whole text, and spaces or tabs around each
// hyphen, are forgiven, as are lower-case digits; nothing else is.
SHostIdCheck CheckHostIdText(std::string_view text);
