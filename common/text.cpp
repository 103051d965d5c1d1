#include "common/text.h"

std::u16string AsciiLowerCopy(std::u16string_view text)
{
    std::u16string result(text);
    for (char16_t& ch : result)
        ch = AsciiToLower(ch);
    return result;
}

std::u16string AsciiUpperCopy(std::u16string_view text)
{
    std::u16string result(text);
    for (char16_t& ch : result)
        ch = AsciiToUpper(ch);
    return result;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiToLower(a[i]) != AsciiToLower(b[i]))
            return false;
    }
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiToLower(static_cast<unsigned char>(a[i])) != AsciiToLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

namespace {

// Decodes UTF-8. A broken sequence becomes U+FFFD, or, when bEscape is set, each of its bytes becomes U+DC80 + byte.
std::u16string DecodeUtf8(std::string_view text, bool bEscape)
{
    std::u16string result;
    result.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const auto lead = static_cast<uint8_t>(text[i]);
        uint32_t cp = 0xFFFD;
        size_t length = 1;
        uint32_t minimum = 0;
        bool bBroken = false;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, cp = lead & 0x1Fu, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, cp = lead & 0x0Fu, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, cp = lead & 0x07u, minimum = 0x10000;
        } else {
            bBroken = true;  // a continuation byte or a byte that never starts a sequence
        }
        if (length > 1) {
            size_t k = 1;
            for (; k < length && i + k < n; ++k) {
                const auto next = static_cast<uint8_t>(text[i + k]);
                if ((next & 0xC0) != 0x80)
                    break;
                cp = (cp << 6) | (next & 0x3Fu);
            }
            if (k < length || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                // A broken sequence: replace what was consumed of it and go on after it.
                cp = 0xFFFD;
                length = k;
                bBroken = true;
            }
        }
        if (bBroken && bEscape) {
            for (size_t k = 0; k < length; ++k)
                result.push_back(static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(text[i + k])));
            i += length;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return result;
}

// Encodes UTF-16 as UTF-8. A lone surrogate becomes U+FFFD, or, when bEscape is set and it is U+DC80 to U+DCFF,
// the byte it stands for.
std::string EncodeUtf8(std::u16string_view text, bool bEscape)
{
    std::string result;
    result.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (bEscape && cp >= 0xDC80 && cp <= 0xDCFF) {
            result.push_back(static_cast<char>(cp - 0xDC00));
            continue;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            result.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            result.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return result;
}

}  // namespace

namespace {

// The lead bytes of the well-formed UTF-8 sequences longer than one byte, as the Unicode standard tables them: how
// long the sequence is and what range its second byte must fall in. The narrower second-byte ranges refuse overlong
// forms (after E0 and F0), surrogates (after ED) and code points past U+10FFFF (after F4); every later byte is a
// plain continuation byte.
struct CUtf8Lead {
    unsigned char nFirst;
    unsigned char nLast;
    size_t nLength;
    unsigned char nSecondLow;
    unsigned char nSecondHigh;
};

constexpr CUtf8Lead kUtf8Leads[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
};

}  // namespace

size_t Utf8SequenceLength(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (b0 < 0x80)
        return 1;
    for (const CUtf8Lead& lead : kUtf8Leads) {
        if (b0 < lead.nFirst || b0 > lead.nLast)
            continue;
        if (text.size() < lead.nLength)
            return 0;
        for (size_t i = 1; i < lead.nLength; ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            if (b < (i == 1 ? lead.nSecondLow : 0x80) || b > (i == 1 ? lead.nSecondHigh : 0xBF))
                return 0;
        }
        return lead.nLength;
    }
    return 0;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    return DecodeUtf8(text, false);
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    return EncodeUtf8(text, false);
}

std::u16string FileNameToUtf16(std::string_view bytes)
{
    return DecodeUtf8(bytes, true);
}

std::string Utf16ToFileName(std::u16string_view text)
{
    return EncodeUtf8(text, true);
}

std::u16string AsciiToUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (char ch : text)
        result.push_back(static_cast<char16_t>(static_cast<uint8_t>(ch)));
    return result;
}

int HexDigitValue(char16_t ch)
{
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (ch >= u'a' && ch <= u'f')
        return ch - u'a' + 10;
    if (ch >= u'A' && ch <= u'F')
        return ch - u'A' + 10;
    return -1;
}

void AppendHex(std::string& text, uint64_t nValue, int nDigits, EHexCase eCase)
{
    for (int shift = 4 * (nDigits - 1); shift >= 0; shift -= 4)
        text.push_back(HexDigit(nValue >> shift, eCase));
}

void AppendHex(std::u16string& text, uint64_t nValue, int nDigits, EHexCase eCase)
{
    for (int shift = 4 * (nDigits - 1); shift >= 0; shift -= 4)
        text.push_back(static_cast<char16_t>(HexDigit(nValue >> shift, eCase)));
}

void AppendHexByte(std::u16string& text, uint8_t byte) { AppendHex(text, byte, 2); }

void AppendHexByte(std::string& text, uint8_t byte) { AppendHex(text, byte, 2); }

std::string PrintableUtf8(std::u16string_view text)
{
    std::u16string copy(text);
    for (char16_t& unit : copy) {
        if (unit < 0x20 || unit == 0x7F)
            unit = u'?';
    }
    return Utf16ToUtf8(copy);
}
