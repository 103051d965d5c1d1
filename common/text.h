#pragma once

// Text helpers shared by every part of the program.
//
// All text is UTF-16 held in std::u16string, on Windows and on Linux alike: a unit is 16 bits everywhere, so a
// surrogate pair is two units on both systems and every length, comparison and conversion gives the same answer on
// both. (wchar_t would be 32 bits wide on Linux.) The Windows layer hands these strings to the wide Win32 calls
// through AsWide() in common/win/wide.h.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Letter-case folding covers the letters A to Z only. Every text the program compares or searches without regard to
// case (GUID texts, bus names, "WLAN") is ASCII, and folding nothing else keeps the result the same on every system.
constexpr char16_t AsciiToLower(char16_t ch) { return (ch >= u'A' && ch <= u'Z') ? char16_t(ch + 32) : ch; }
constexpr char16_t AsciiToUpper(char16_t ch) { return (ch >= u'a' && ch <= u'z') ? char16_t(ch - 32) : ch; }

std::u16string AsciiLowerCopy(std::u16string_view text);
std::u16string AsciiUpperCopy(std::u16string_view text);

// Whole-text comparison without regard to the case of A to Z.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);  // UTF-8: no other byte changes

// Conversions between UTF-8 and UTF-16. Malformed input is never an error: each broken sequence or lone surrogate
// becomes U+FFFD, so every input converts to something.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The length of the well-formed UTF-8 sequence at the start of text (no overlong forms, no surrogates, nothing
// beyond U+10FFFF), or 0 when there is none (and for empty text).
size_t Utf8SequenceLength(std::string_view text);

// File names and arguments on Linux are byte strings, usually but not always UTF-8. These two convert them without
// loss: a byte that is not part of valid UTF-8 becomes the lone surrogate U+DC80 + byte, and turns back into that
// byte, so every name the system hands over comes back out unchanged.
std::u16string FileNameToUtf16(std::string_view bytes);
std::string Utf16ToFileName(std::u16string_view text);

// Text for one line of a report or a console: each control character (below U+0020, and U+007F) becomes "?", so
// that a name holding a line break or an escape sequence can neither start a line of its own nor drive the
// terminal; the result is UTF-8.
std::string PrintableUtf8(std::u16string_view text);

// ASCII text to UTF-16, unit for unit (for literals and formatted numbers).
std::u16string AsciiToUtf16(std::string_view text);

// The value of a hexadecimal digit in either letter case, or -1 for any other character.
int HexDigitValue(char16_t ch);

// The letter case of the digits A to F in hexadecimal text: upper case for addresses, host IDs and digests, lower case
// for GUID texts, as Windows writes them.
enum class EHexCase { kUpper, kLower };

// The hexadecimal digit for the low four bits of a value. Inline, because address and GUID formatting call it for
// every digit of every adapter.
constexpr char HexDigit(uint64_t nValue, EHexCase eCase = EHexCase::kUpper)
{
    return (eCase == EHexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef")[nValue & 0xF];
}

// Appends the nDigits lowest hexadecimal digits of a value, most significant first ("%0*llX" for a value that fits).
void AppendHex(std::string& text, uint64_t nValue, int nDigits, EHexCase eCase = EHexCase::kUpper);
void AppendHex(std::u16string& text, uint64_t nValue, int nDigits, EHexCase eCase = EHexCase::kUpper);

// Appends two upper-case hexadecimal digits for one byte ("%02X").
void AppendHexByte(std::u16string& text, uint8_t byte);
void AppendHexByte(std::string& text, uint8_t byte);
