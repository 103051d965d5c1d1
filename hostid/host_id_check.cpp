#include "hostid/host_id_check.h"

#include "common/text.h"
#include "hostid/release_host_id.h"

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool IsOuterSpace(char ch)
{
    return IsBlank(ch) || ch == '\r' || ch == '\n';
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

// How a character is named in a reason: printable ASCII as itself in quotes, anything else by its byte value, so
// that a reason never carries a control character or a broken UTF-8 sequence into a terminal or a JSON string.
std::string DescribeChar(char ch)
{
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("\"") + ch + "\"";
    return std::string("byte 0x") + HexDigit(byte >> 4) + HexDigit(byte);
}

const char kForm[] = "five pairs of hex digits joined by hyphens, such as 44-9D-95-72-3E";

SHostIdCheck Fail(EHostIdCheck eResult, std::string strReason)
{
    SHostIdCheck result;
    result.m_eResult = eResult;
    result.m_strReason = std::move(strReason);
    return result;
}

}  // namespace

SHostIdCheck CheckHostIdText(std::string_view text)
{
    while (!text.empty() && IsOuterSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsOuterSpace(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return Fail(EHostIdCheck::kEmpty, std::string("empty: a host ID is ") + kForm);

    uint8_t bytes[5] = {};
    size_t nPairs = 0;
    size_t pos = 0;
    while (true) {
        // One pair: exactly two hex digits.
        size_t nDigits = 0;
        unsigned value = 0;
        while (pos < text.size() && HexValue(text[pos]) >= 0) {
            value = (value << 4) | static_cast<unsigned>(HexValue(text[pos]));
            ++nDigits;
            ++pos;
        }
        if (nDigits < 2 && pos < text.size() && text[pos] != '-' && !IsBlank(text[pos])) {
            return Fail(EHostIdCheck::kMalformed, "character " + std::to_string(pos + 1) + " is " +
                                                      DescribeChar(text[pos]) + ", not a hex digit: a host ID is " +
                                                      kForm);
        }
        if (nDigits == 0) {
            const std::string where = pos < text.size() ? "character " + std::to_string(pos + 1) + " is " +
                                                              DescribeChar(text[pos]) + ", not a hex digit"
                                                        : "it ends after a hyphen";
            return Fail(EHostIdCheck::kMalformed, where + ": a host ID is " + kForm);
        }
        if (nDigits != 2 || nPairs == 5) {
            return Fail(EHostIdCheck::kMalformed,
                        nPairs == 5 ? std::string("more than five pairs: a host ID is ") + kForm
                                    : "pair " + std::to_string(nPairs + 1) + " has " + std::to_string(nDigits) +
                                          (nDigits == 1 ? " digit" : " digits") + ", not 2: a host ID is " + kForm);
        }
        bytes[nPairs++] = static_cast<uint8_t>(value);
        if (pos == text.size())
            break;
        // A hyphen, with spaces or tabs forgiven on either side.
        size_t next = pos;
        while (next < text.size() && IsBlank(text[next]))
            ++next;
        if (next == text.size() || text[next] != '-') {
            const size_t bad = next < text.size() ? next : pos;
            return Fail(EHostIdCheck::kMalformed, "character " + std::to_string(bad + 1) + " is " +
                                                      DescribeChar(text[bad]) + " where a hyphen belongs: a host ID is " +
                                                      kForm);
        }
        pos = next + 1;
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
    }
    if (nPairs != 5) {
        return Fail(EHostIdCheck::kMalformed,
                    std::to_string(nPairs) + (nPairs == 1 ? " pair" : " pairs") + ", not 5: a host ID is " + kForm);
    }

    SHostIdCheck result;
    result.m_dwValue = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
    const std::u16string normalized = FormatHostIdText(result.m_dwValue);
    result.m_strNormalized.assign(normalized.begin(), normalized.end());
    // The printed check byte, not the one FormatHostIdText works out: the normalized text shows what was typed.
    result.m_strNormalized[12] = HexDigit(bytes[4] >> 4);
    result.m_strNormalized[13] = HexDigit(bytes[4]);

    const uint8_t check = static_cast<uint8_t>(bytes[0] ^ bytes[1] ^ bytes[2] ^ bytes[3]);
    if (check != bytes[4]) {
        result.m_eResult = EHostIdCheck::kCheckByte;
        result.m_strReason = std::string("the check byte should be ") + HexDigit(check >> 4) + HexDigit(check) +
                             ": one of the pairs was mistyped";
        return result;
    }
    const unsigned typeCode = bytes[3] & 0xF;
    if (typeCode != static_cast<unsigned>(kHostIdTypeAdapterAddress)) {
        result.m_eResult = EHostIdCheck::kTypeCode;
        result.m_strReason = "not a host ID of this program: type code " + std::to_string(typeCode);
        return result;
    }
    result.m_eResult = EHostIdCheck::kValid;
    return result;
}
