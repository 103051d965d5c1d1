// Reading snapshots: nlohmann/json's SAX parser hands each value to a reader of our own, which fills the snapshot
// as the values come, with nothing in between. The reader refuses nesting deeper than the format as soon as it
// opens, finds duplicate keys and driver keys that name one device through hash sets, and keeps the first fault in
// the order the format is checked in (the format number first, then each member in the order the format lists
// them), so that a message names the same field whatever order the document gives its members in.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <unordered_set>
#include <utility>

#include <nlohmann/json.hpp>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inspect/snapshot.h"
#include "inventory/passes.h"

namespace {

// A number's text as a message quotes it.
constexpr size_t kMaxTokenChars = 40;

constexpr size_t kNoEnd = std::string_view::npos;

bool IsWhiteSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r'; }

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// What a byte is, for a message: "character 'x'" for printable ASCII, "byte 0x1F" otherwise.
std::string ShowByte(char ch)
{
    if (ch >= 0x21 && ch <= 0x7E)
        return std::string("character '") + ch + "'";
    if (ch == 0)
        return "zero byte";
    char szText[16];
    std::snprintf(szText, sizeof(szText), "byte 0x%02X", static_cast<unsigned>(static_cast<unsigned char>(ch)));
    return szText;
}

// A key of a path, cut to kMaxPathKeyChars characters at a character boundary.
std::string PathKey(std::string_view key)
{
    size_t nChars = 0;
    size_t nPos = 0;
    while (nPos < key.size()) {
        if (nChars == kMaxPathKeyChars)
            return std::string(key.substr(0, nPos)) + "...";
        const size_t nLength = Utf8SequenceLength(key.substr(nPos));
        nPos += nLength == 0 ? 1 : nLength;
        ++nChars;
    }
    return std::string(key);
}

// The end of the number that starts at nPos by JSON's grammar, or kNoEnd with nFault where a digit is missing.
size_t NumberEnd(std::string_view text, size_t nPos, size_t& nFault)
{
    const auto digitAt = [&](size_t n) { return n < text.size() && IsDigit(text[n]); };
    const auto digits = [&](size_t& n) {
        if (!digitAt(n)) {
            nFault = n;
            return false;
        }
        while (digitAt(n))
            ++n;
        return true;
    };
    if (text[nPos] == '-')
        ++nPos;
    if (digitAt(nPos) && text[nPos] == '0')
        ++nPos;
    else if (!digits(nPos))
        return kNoEnd;
    if (nPos < text.size() && text[nPos] == '.' && !digits(++nPos))
        return kNoEnd;
    if (nPos < text.size() && (text[nPos] == 'e' || text[nPos] == 'E')) {
        ++nPos;
        if (nPos < text.size() && (text[nPos] == '+' || text[nPos] == '-'))
            ++nPos;
        if (!digits(nPos))
            return kNoEnd;
    }
    return nPos;
}

// Whether a well-formed number is beyond every double, which nlohmann/json refuses as an overflow.
bool OverflowsDouble(std::string_view token)
{
    // Only an exponent or some 309 digits reach beyond 1.8e308; the others need no conversion.
    if (token.size() < 5 || (token.find_first_of("eE") == std::string_view::npos && token.size() < 300))
        return false;
    const std::string strToken(token);
    return !std::isfinite(std::strtod(strToken.c_str(), nullptr));
}

// The document as nlohmann/json's lexer reads it, a byte at a time. It counts the bytes read, so that a message can
// say where reading stopped, and it knows where each number starts and ends, so that the reader takes the number's
// own text from the document. The format reads any number that is no integer as a fault of that field, 1e400
// included, but nlohmann/json would end the whole parse on a number beyond every double: such a number reaches the
// lexer as "0e000...", a zero of the same length, and the reader still takes its text from the document.
class CInput {
public:
    struct CExtent {
        size_t nStart = 0;
        size_t nEnd = 0;
    };

    explicit CInput(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_nPos >= m_text.size(); }
    size_t GetPos() const { return m_nPos; }

    // The byte the lexer reads next. The first byte of a number outside strings is where its extent is found.
    char Current()
    {
        if (!m_bInString && m_nPos >= m_nScanned)
            StartNumber();
        if (m_bZeros && m_nPos >= m_number.nStart && m_nPos < m_number.nEnd)
            return m_nPos == m_number.nStart + 1 ? 'e' : '0';
        return m_text[m_nPos];
    }

    void Advance()
    {
        const char ch = m_text[m_nPos];
        if (m_bEscape)
            m_bEscape = false;
        else if (m_bInString && ch == '\\')
            m_bEscape = true;
        else if (ch == '"')
            m_bInString = !m_bInString;
        ++m_nPos;
    }

    // The number the lexer has just read. It reads one byte past a number's end; when that byte starts another
    // number (as in "[0-1]"), the one before is the one it read.
    CExtent LastNumber() const
    {
        const bool bLookAhead = m_bHasPrevious && m_previous.nEnd == m_number.nStart && m_number.nStart + 1 == m_nPos;
        return bLookAhead ? m_previous : m_number;
    }

private:
    void StartNumber()
    {
        const char ch = m_text[m_nPos];
        if (ch != '-' && !IsDigit(ch))
            return;
        size_t nFault = 0;
        const size_t nEnd = NumberEnd(m_text, m_nPos, nFault);
        // Each byte is looked at once, so that the whole document costs time in proportion to it.
        m_nScanned = nEnd == kNoEnd ? std::max(nFault, m_nPos + 1) : nEnd;
        if (nEnd == kNoEnd)
            return;  // the lexer refuses it; the message comes from the document itself
        m_previous = m_number;
        m_bHasPrevious = m_bHasNumber;
        m_number = CExtent{m_nPos, nEnd};
        m_bHasNumber = true;
        m_bZeros = OverflowsDouble(m_text.substr(m_nPos, nEnd - m_nPos));
    }

    std::string_view m_text;
    size_t m_nPos = 0;
    bool m_bInString = false;
    bool m_bEscape = false;
    CExtent m_number;
    CExtent m_previous;
    size_t m_nScanned = 0;  // the bytes before it were looked at for numbers
    bool m_bHasNumber = false;
    bool m_bHasPrevious = false;
    bool m_bZeros = false;
};

// An input iterator over CInput for nlohmann/json's iterator input adapter; copies share the input.
class CInputIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    explicit CInputIterator(CInput* pInput) : m_pInput(pInput) {}

    char operator*() const { return m_pInput->Current(); }
    CInputIterator& operator++()
    {
        m_pInput->Advance();
        return *this;
    }
    // The end iterator holds no input; any other compares equal to it at the end of the document.
    bool operator==(const CInputIterator& other) const { return AtEnd() == other.AtEnd(); }
    bool operator!=(const CInputIterator& other) const { return !(*this == other); }

private:
    bool AtEnd() const { return !m_pInput || m_pInput->AtEnd(); }

    CInput* m_pInput;
};

// Where the lexer stopped, told the way the format's messages tell it: the text from the last value, key or
// bracket the reader was given is read again up to the first fault. Only a document that fails comes here.
class CMalformedText {
public:
    enum class EAt : uint8_t { DocumentStart, ArrayStart, ObjectStart, AfterKey, AfterElement, AfterMember,
                               AfterDocument };

    CMalformedText(std::string_view text, size_t nPos) : m_text(text), m_nPos(nPos) {}

    std::string Describe(EAt at)
    {
        switch (at) {
        case EAt::DocumentStart:
            if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
                m_nPos = 3;
            SkipWhiteSpace();
            return AtEnd() ? "malformed JSON: the document is empty" : Value();
        case EAt::ArrayStart:
            SkipWhiteSpace();
            return Value();
        case EAt::ObjectStart:
            SkipWhiteSpace();
            return Key();
        case EAt::AfterKey:
            SkipWhiteSpace();
            if (AtEnd() || m_text[m_nPos] != ':')
                return Here("a colon");
            ++m_nPos;
            SkipWhiteSpace();
            return Value();
        case EAt::AfterElement:
        case EAt::AfterMember:
            SkipWhiteSpace();
            if (AtEnd() || m_text[m_nPos] != ',')
                return Here(at == EAt::AfterElement ? "a comma or ']'" : "a comma or '}'");
            ++m_nPos;
            SkipWhiteSpace();
            return at == EAt::AfterElement ? Value() : Key();
        case EAt::AfterDocument:
            break;
        }
        SkipWhiteSpace();
        return std::string("malformed JSON: ") + (!AtEnd() && m_text[m_nPos] == 0 ? "a zero byte" : "text") +
               " after the document, at byte " + std::to_string(m_nPos + 1);
    }

private:
    bool AtEnd() const { return m_nPos >= m_text.size(); }

    void SkipWhiteSpace()
    {
        while (!AtEnd() && IsWhiteSpace(m_text[m_nPos]))
            ++m_nPos;
    }

    std::string Here(const char* pszExpected) const
    {
        if (AtEnd())
            return "malformed JSON: the document ends early; expected " + std::string(pszExpected);
        return "malformed JSON: unexpected " + ShowByte(m_text[m_nPos]) + " at byte " + std::to_string(m_nPos + 1) +
               "; expected " + pszExpected;
    }

    std::string Key() { return !AtEnd() && m_text[m_nPos] == '"' ? String() : Here("a key in quotes"); }

    std::string Value()
    {
        if (AtEnd())
            return Here("a value");
        const char ch = m_text[m_nPos];
        if (ch == '"')
            return String();
        if (ch == '-' || IsDigit(ch)) {
            size_t nFault = 0;
            if (NumberEnd(m_text, m_nPos, nFault) == kNoEnd) {
                m_nPos = nFault;
                return Here("a digit");
            }
        }
        // A literal that is not true, false or null, or a byte that starts no value.
        return Here("a value");
    }

    // Four hexadecimal digits of a \u escape.
    bool Hex4(uint32_t& nUnit)
    {
        nUnit = 0;
        for (int i = 0; i < 4; ++i, ++m_nPos) {
            const int nDigit = AtEnd() ? -1 : HexDigitValue(static_cast<unsigned char>(m_text[m_nPos]));
            if (nDigit < 0)
                return false;
            nUnit = nUnit << 4 | static_cast<uint32_t>(nDigit);
        }
        return true;
    }

    std::string String()
    {
        ++m_nPos;  // the opening quote
        while (!AtEnd()) {
            const char ch = m_text[m_nPos];
            if (ch == '"')
                break;
            if (static_cast<unsigned char>(ch) < 0x20)
                return "malformed JSON: a control character (" + ShowByte(ch) + ") in a string, at byte " +
                       std::to_string(m_nPos + 1);
            if (static_cast<unsigned char>(ch) >= 0x80) {
                const size_t nLength = Utf8SequenceLength(m_text.substr(m_nPos));
                if (nLength == 0)
                    return "malformed JSON: bytes that are not UTF-8 in a string, at byte " +
                           std::to_string(m_nPos + 1);
                m_nPos += nLength;
                continue;
            }
            ++m_nPos;
            if (ch != '\\')
                continue;
            if (AtEnd())
                return Here("an escape");
            const char chEscape = m_text[m_nPos];
            if (std::string_view("\"\\/bfnrt").find(chEscape) != std::string_view::npos) {
                ++m_nPos;
                continue;
            }
            if (chEscape != 'u')
                return Here("an escape");
            ++m_nPos;
            uint32_t nUnit = 0;
            if (!Hex4(nUnit))
                return Here("a hexadecimal digit");
            if (nUnit >= 0xDC00 && nUnit <= 0xDFFF)
                return "malformed JSON: a \\u escape of a low surrogate without a high one, at byte " +
                       std::to_string(m_nPos);
            if (nUnit >= 0xD800 && nUnit <= 0xDBFF) {
                // UTF-8 carries no unpaired surrogate: the high one must be followed by a low one.
                const std::string strHigh = "malformed JSON: a \\u escape of a high surrogate without a low one, "
                                            "at byte ";
                if (m_text.substr(m_nPos, 2) != "\\u")
                    return strHigh + std::to_string(m_nPos);
                m_nPos += 2;
                uint32_t nLow = 0;
                if (!Hex4(nLow))
                    return Here("a hexadecimal digit");
                if (nLow < 0xDC00 || nLow > 0xDFFF)
                    return strHigh + std::to_string(m_nPos);
            }
        }
        return Here("the end of the string");
    }

    std::string_view m_text;
    size_t m_nPos;
};

// A scalar value as the reader sees it.
enum class EKind : uint8_t { Null, Boolean, Integer, Number, String, Array, Object };

struct CValue {
    EKind m_kind = EKind::Null;
    bool m_bTrue = false;
    bool m_bNegative = false;
    bool m_bBeyond64Bits = false;  // an integer that fits neither int64_t nor uint64_t
    uint64_t m_nMagnitude = 0;
    std::string_view m_text;       // a string's contents, or a number's text as the document has it
};

// A number's text as messages quote it, cut after kMaxTokenChars characters.
std::string NumberText(const CValue& value)
{
    if (value.m_text.size() > kMaxTokenChars)
        return std::string(value.m_text.substr(0, kMaxTokenChars)) + "...";
    return std::string(value.m_text);
}

// What a value is, for the messages: "expected an integer, found a string".
std::string Describe(const CValue& value)
{
    switch (value.m_kind) {
    case EKind::Null:
        return "null";
    case EKind::Boolean:
        return value.m_bTrue ? "true" : "false";
    case EKind::String:
        return "a string";
    case EKind::Array:
        return "an array";
    case EKind::Object:
        return "an object";
    case EKind::Number:
        return "the number " + NumberText(value);
    case EKind::Integer:
        return "the integer " + NumberText(value);
    }
    return "a value of another kind";
}

// What each array and object of the format is, and the fields of each object, in the order they are checked.
enum class EPlace : uint8_t { Ignored, Document, Components, Component, Devices, Device, Resources, NetCfg, Drivers,
                              Driver, Adapters, Adapter, AdapterTable };

struct CFields {
    EPlace place;
    std::array<const char*, 7> names;  // field n is names[n - 1]
    uint32_t nRequired;                // one bit per field, bit n - 1 for field n
};

constexpr CFields kFields[] = {
    {EPlace::Document,
     {"format", "computer_name", "components", "devices", "drivers", "adapters", "adapter_table"}, 0x7F},
    {EPlace::Component, {"characteristics", "instance_guid", "id"}, 0x7},
    {EPlace::Device, {"instance_id", "resources", "netcfg_instance_id"}, 0x7},
    {EPlace::NetCfg, {"data"}, 0x1},
    {EPlace::Driver, {"permanent", "current"}, 0x3},
    {EPlace::Adapter, {"name", "description", "friendly_name", "address"}, 0xB},
    {EPlace::AdapterTable, {"size_query", "read"}, 0x3},
};

const CFields* FieldsOf(EPlace place)
{
    for (const CFields& fields : kFields) {
        if (fields.place == place)
            return &fields;
    }
    return nullptr;
}

// The fields of the document.
enum : uint32_t { kFormat = 1, kComputerName, kComponents, kDevices, kDrivers, kAdapters, kAdapterTable,
                  kTableAgreement };

// Which formats a fault breaks: one that format 2 takes may break format 1, and the other way round.
enum : uint8_t { kFormat1 = 1, kFormat2 = 2, kBothFormats = 3 };

// The place of a fault in the order the format is checked in: one entry per level (the document's field, the
// element or driver key, its field, an element of that), then 0 for a clash of driver keys, which is found before
// the driver's value is read, and 1 for every other fault.
using CRank = std::array<uint32_t, 5>;

struct CFault {
    bool m_bSet = false;
    CRank m_rank{};
    std::string m_strPath;
    std::string m_strMessage;
};

// Compares UTF-8 texts with the letters A to Z folded, as device names are told apart: no other character changes,
// so this is the UTF-16 comparison without regard to letter case. CKeyedNoCaseHash folds the same letters.
struct CNoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (AsciiToUpper(static_cast<unsigned char>(a[i])) != AsciiToUpper(static_cast<unsigned char>(b[i])))
                return false;
        }
        return true;
    }
};

// Objects with more members than this find duplicate keys through a hash set; smaller ones member by member.
constexpr size_t kKeySetFrom = 8;

class CSnapshotReader {
public:
    using string_t = nlohmann::json::string_t;

    // Without an input that counts, the reader reads the text as it stands, the fast way, and asks to be run again
    // with one (EResult::Again) when the lexer fails: only then are positions needed, and with one a number beyond
    // every double is no failure of the lexer's.
    CSnapshotReader(std::string_view text, CInput* pInput) : m_text(text), m_pInput(pInput) { m_frames.reserve(4); }

    enum class EResult : uint8_t { Read, Refused, Again };
    EResult Read(CSnapshot& snapshot, CSnapshotError& error);

    // nlohmann/json's SAX interface.
    bool null() { return Scalar(CValue{}); }
    bool boolean(bool bValue)
    {
        CValue value;
        value.m_kind = EKind::Boolean;
        value.m_bTrue = bValue;
        return Scalar(value);
    }
    bool number_integer(int64_t nValue)
    {
        // Only numbers with a minus sign come here, -0 among them.
        CValue value = Number(EKind::Integer, nValue == 0 ? std::string("-0") : std::to_string(nValue));
        value.m_bNegative = true;
        value.m_nMagnitude = 0 - static_cast<uint64_t>(nValue);
        return Scalar(value);
    }
    bool number_unsigned(uint64_t nValue)
    {
        CValue value = Number(EKind::Integer, std::to_string(nValue));
        value.m_nMagnitude = nValue;
        return Scalar(value);
    }
    bool number_float(double, const string_t& strText)
    {
        // An integer comes here when it fits neither int64_t nor uint64_t.
        CValue value = Number(EKind::Number, strText);
        if (value.m_text.find_first_of(".eE") == std::string_view::npos) {
            value.m_kind = EKind::Integer;
            value.m_bBeyond64Bits = true;
            value.m_bNegative = value.m_text[0] == '-';
        }
        return Scalar(value);
    }
    bool string(string_t& text)
    {
        CValue value;
        value.m_kind = EKind::String;
        value.m_text = text;
        return Scalar(value);
    }
    bool binary(nlohmann::json::binary_t&) { return false; }  // JSON text has none
    bool start_object(size_t) { return Open(true); }
    bool end_object() { return Close(); }
    bool start_array(size_t) { return Open(false); }
    bool end_array() { return Close(); }
    bool key(string_t& key);
    bool parse_error(size_t, const std::string&, const nlohmann::detail::exception&);

private:
    struct CFrame {
        EPlace m_place = EPlace::Ignored;
        bool m_bObject = false;
        uint8_t m_nFormats = kBothFormats;  // the formats in which this value is read
        size_t m_nIndex = 0;                // arrays: the element being read; objects: the members before
        bool m_bHasKey = false;             // objects: a member is being read
        const char* m_pszField = nullptr;   // its key when it is a field of the format
        std::string m_strKey;               // its key otherwise
        uint32_t m_nField = 0;              // its field, 0 when the format does not list it
        uint32_t m_nSeen = 0;               // the fields given, one bit each
        CRank m_rank{};                     // the rank of this value's own faults
        std::vector<std::string> m_keys;    // the keys so far, while they are few
        std::unique_ptr<std::unordered_set<std::string, CKeyedHash>> m_pKeys;  // once there are many
    };

    // A number, with its text as the document has it: the lexer's own text, or with a counting input (which may
    // have given the lexer zeros instead), the text from the document.
    CValue Number(EKind kind, std::string strText)
    {
        CValue value;
        value.m_kind = kind;
        if (m_pInput) {
            const CInput::CExtent extent = m_pInput->LastNumber();
            value.m_text = m_text.substr(extent.nStart, extent.nEnd - extent.nStart);
            m_nResume = extent.nEnd;
            m_bResumeSet = true;
        } else {
            m_strNumber = std::move(strText);
            value.m_text = m_strNumber;
        }
        return value;
    }

    // Where the lexer is, when the input counts.
    void Resume(CMalformedText::EAt at)
    {
        if (m_pInput)
            m_nResume = m_pInput->GetPos();
        m_at = at;
    }

    // The rank of faults of the value being read in the top frame: its field or element, one level down.
    CRank ChildRank() const
    {
        const CFrame& frame = m_frames.back();
        CRank rank = frame.m_rank;
        const size_t nLevel = m_frames.size() - 1;
        // Elements and driver keys by their place; the fields of an object by their place in the format.
        const bool bByField = frame.m_bObject && frame.m_place != EPlace::Drivers;
        if (nLevel < 4)
            rank[nLevel] = bByField ? frame.m_nField : static_cast<uint32_t>(frame.m_nIndex + 1);
        rank[4] = 1;
        return rank;
    }

    std::string CurrentPath() const
    {
        std::string strPath;
        for (const CFrame& frame : m_frames) {
            if (!frame.m_bObject)
                strPath = JsonElementPath(strPath, frame.m_nIndex);
            else if (frame.m_bHasKey)
                strPath = JsonMemberPath(strPath, frame.m_pszField ? frame.m_pszField : frame.m_strKey);
        }
        return strPath;
    }

    // Keeps the fault when it comes before the one kept for each format it breaks. The message is made only then.
    template <class TMessage>
    void AddFault(const CRank& rank, uint8_t nFormats, const std::string& strMember, const TMessage& message)
    {
        if (!m_frames.empty())
            nFormats = static_cast<uint8_t>(nFormats & m_frames.back().m_nFormats);
        bool bMade = false;
        std::string strPath;
        std::string strMessage;
        for (int i = 0; i < 2; ++i) {
            CFault& fault = m_faults[i];
            if (!(nFormats & (1 << i)) || (fault.m_bSet && !(rank < fault.m_rank)))
                continue;
            if (!bMade) {
                strPath = CurrentPath();
                if (!strMember.empty())
                    strPath = JsonMemberPath(strPath, strMember);
                strMessage = message();
                bMade = true;
            }
            fault = CFault{true, rank, strPath, strMessage};
        }
    }

    void FailType(const char* pszExpected, const CValue& found, uint8_t nFormats = kBothFormats)
    {
        AddFault(ChildRank(), nFormats, std::string(),
                 [&] { return std::string("expected ") + pszExpected + ", found " + Describe(found); });
    }

    void Fail(const std::string& strMessage, uint8_t nFormats = kBothFormats)
    {
        AddFault(ChildRank(), nFormats, std::string(), [&] { return strMessage; });
    }

    bool JsonFault(std::string strMessage)
    {
        if (!m_bJsonFault) {
            m_bJsonFault = true;
            m_jsonFault = CSnapshotError{JsonShortPath(CurrentPath()), std::move(strMessage)};
        }
        return false;
    }

    // The value read ends; the frame above goes on to its next element or member.
    void Done()
    {
        if (!m_bResumeSet && m_pInput)
            m_nResume = m_pInput->GetPos();
        m_bResumeSet = false;
        m_at = m_frames.empty() ? CMalformedText::EAt::AfterDocument
               : m_frames.back().m_bObject ? CMalformedText::EAt::AfterMember
                                           : CMalformedText::EAt::AfterElement;
        if (m_frames.empty())
            return;
        CFrame& frame = m_frames.back();
        if (frame.m_bObject)
            frame.m_bHasKey = false;
        ++frame.m_nIndex;
    }

    bool Scalar(const CValue& value)
    {
        if (m_frames.empty()) {
            m_bTopIsObject = false;
            m_top = value;
            if (value.m_kind == EKind::String)
                m_top.m_text = std::string_view();
        } else {
            Take(value);
        }
        Done();
        return true;
    }

    bool Open(bool bObject);
    bool Close();
    EPlace Take(const CValue& value);
    void Finish();
    void TakeDocumentField(const CValue& value, EPlace& place);
    void TakeResourceType(const CValue& value);
    void CheckTableAgreement();

    uint32_t ReadUInt32(const CValue& value, uint8_t nFormats = kBothFormats);
    std::optional<std::u16string> ReadOptionalText(const CValue& value);
    bool ReadHexBytes(const CValue& value, size_t nMaxBytes, const char* pszLimit, std::vector<uint8_t>& bytes);
    std::optional<std::vector<uint8_t>> ReadOptionalDriverAnswer(const CValue& value);

    std::string_view m_text;
    CInput* m_pInput;
    std::string m_strNumber;  // the text of the number being read, without a counting input
    CSnapshot m_snapshot;
    int m_nFormat = 0;  // 0 until a known format number is read
    std::vector<CFrame> m_frames;
    bool m_bTopIsObject = true;
    CValue m_top;  // the top-level value when it is no object; a string's contents are not kept
    // The driver keys so far, without regard to letter case.
    std::unordered_set<std::string, CKeyedNoCaseHash, CNoCaseEqual> m_driverNames;
    CFault m_faults[2];  // the first fault in format 1 and in format 2
    bool m_bJsonFault = false;
    bool m_bAgain = false;  // the lexer failed without a counting input
    CSnapshotError m_jsonFault;
    // Where to read again from when the lexer fails, and what came before it.
    size_t m_nResume = 0;
    bool m_bResumeSet = false;  // a number has set m_nResume to its end
    CMalformedText::EAt m_at = CMalformedText::EAt::DocumentStart;
};

bool CSnapshotReader::Open(bool bObject)
{
    if (m_frames.size() >= kSnapshotMaxNesting)
        return JsonFault("arrays and objects nested more than " + std::to_string(kSnapshotMaxNesting) +
                         " deep, deeper than the format goes");
    CValue value;
    value.m_kind = bObject ? EKind::Object : EKind::Array;
    CFrame frame;
    frame.m_bObject = bObject;
    if (m_frames.empty()) {
        m_bTopIsObject = bObject;
        m_top = value;
        frame.m_place = bObject ? EPlace::Document : EPlace::Ignored;
    } else {
        frame.m_nFormats = m_frames.back().m_nFormats;
        frame.m_rank = ChildRank();
        frame.m_place = Take(value);
        if (frame.m_place == EPlace::NetCfg || frame.m_place == EPlace::AdapterTable)
            frame.m_nFormats = static_cast<uint8_t>(frame.m_nFormats & kFormat2);
    }
    m_frames.push_back(std::move(frame));
    Resume(bObject ? CMalformedText::EAt::ObjectStart : CMalformedText::EAt::ArrayStart);
    return true;
}

bool CSnapshotReader::Close()
{
    Finish();
    m_frames.pop_back();
    Done();
    return true;
}

bool CSnapshotReader::key(string_t& key)
{
    CFrame& frame = m_frames.back();
    frame.m_bHasKey = true;
    Resume(CMalformedText::EAt::AfterKey);
    // A field of the format is told by its bit, and is the key; any other key is kept.
    frame.m_nField = 0;
    frame.m_pszField = nullptr;
    if (const CFields* pFields = FieldsOf(frame.m_place)) {
        for (uint32_t n = 0; n < pFields->names.size() && pFields->names[n]; ++n) {
            if (key == pFields->names[n]) {
                frame.m_nField = n + 1;
                frame.m_pszField = pFields->names[n];
            }
        }
    }
    bool bNew = true;
    if (frame.m_nField) {
        bNew = !(frame.m_nSeen & 1u << (frame.m_nField - 1));
        frame.m_nSeen |= 1u << (frame.m_nField - 1);
    } else if (!frame.m_pKeys) {
        // Few keys are compared one by one; once there are more, they move into a hash set.
        frame.m_strKey = key;
        bNew = std::find(frame.m_keys.begin(), frame.m_keys.end(), key) == frame.m_keys.end();
        frame.m_keys.push_back(key);
        if (frame.m_keys.size() > kKeySetFrom) {
            frame.m_pKeys = std::make_unique<std::unordered_set<std::string, CKeyedHash>>();
            frame.m_pKeys->reserve(2 * frame.m_keys.size());
            for (std::string& strKey : frame.m_keys)
                frame.m_pKeys->insert(std::move(strKey));
            frame.m_keys.clear();
        }
    } else {
        frame.m_strKey = key;
        bNew = frame.m_pKeys->insert(key).second;
    }
    if (!bNew)
        return JsonFault("the key is given twice in one object");
    // Windows finds a device by its name without regard to letter case, so two keys equal apart from it would be
    // one device with two sets of answers.
    if (frame.m_place == EPlace::Drivers) {
        const auto inserted = m_driverNames.insert(key);
        if (!inserted.second) {
            const std::string& strFirst = *inserted.first;
            CRank rank = ChildRank();
            rank[4] = 0;
            AddFault(rank, kBothFormats, std::string(), [&] {
                return "names the same device as " + JsonMemberPath("drivers", strFirst) + ", apart from letter case";
            });
        }
    }
    return true;
}

bool CSnapshotReader::parse_error(size_t, const std::string&, const nlohmann::detail::exception&)
{
    if (!m_pInput) {
        m_bAgain = true;
        return false;
    }
    CMalformedText text(m_text, m_nResume);
    return JsonFault(text.Describe(m_at));
}

uint32_t CSnapshotReader::ReadUInt32(const CValue& value, uint8_t nFormats)
{
    if (value.m_kind != EKind::Integer) {
        FailType("an integer", value, nFormats);
        return 0;
    }
    // -0 is 0 here as in the resource types of format 2: the integer has no sign of zero.
    if ((!value.m_bNegative || value.m_nMagnitude == 0) && !value.m_bBeyond64Bits &&
        value.m_nMagnitude <= std::numeric_limits<uint32_t>::max())
        return static_cast<uint32_t>(value.m_nMagnitude);
    Fail("expected an integer from 0 to 4294967295, found " + NumberText(value), nFormats);
    return 0;
}

std::optional<std::u16string> CSnapshotReader::ReadOptionalText(const CValue& value)
{
    if (value.m_kind == EKind::Null)
        return std::nullopt;
    if (value.m_kind != EKind::String) {
        FailType("a string or null", value);
        return std::nullopt;
    }
    return Utf8ToUtf16(value.m_text);
}

// Two hexadecimal digits per byte, in either letter case, at most nMaxBytes bytes.
bool CSnapshotReader::ReadHexBytes(const CValue& value, size_t nMaxBytes, const char* pszLimit,
                                   std::vector<uint8_t>& bytes)
{
    const std::string_view strDigits = value.m_text;
    for (size_t i = 0; i < strDigits.size(); ++i) {
        if (HexDigitValue(static_cast<unsigned char>(strDigits[i])) < 0) {
            const char ch = strDigits[i];
            const bool bShow = ch >= 0x21 && ch <= 0x7E;
            Fail("character " + std::to_string(i + 1) + (bShow ? std::string(" '") + ch + "'" : std::string()) +
                 " is not a hexadecimal digit");
            return false;
        }
    }
    if (strDigits.size() % 2 != 0) {
        Fail("expected two hexadecimal digits per byte, found an odd number of digits (" +
             std::to_string(strDigits.size()) + ")");
        return false;
    }
    const size_t nBytes = strDigits.size() / 2;
    if (nBytes > nMaxBytes) {
        Fail(std::to_string(nBytes) + " bytes, more than the " + std::to_string(nMaxBytes) + " " + pszLimit);
        return false;
    }
    bytes.resize(nBytes);
    for (size_t i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<uint8_t>(HexDigitValue(static_cast<unsigned char>(strDigits[2 * i])) << 4 |
                                        HexDigitValue(static_cast<unsigned char>(strDigits[2 * i + 1])));
    return true;
}

std::optional<std::vector<uint8_t>> CSnapshotReader::ReadOptionalDriverAnswer(const CValue& value)
{
    if (value.m_kind == EKind::Null)
        return std::nullopt;
    if (value.m_kind != EKind::String) {
        FailType("a string of hexadecimal digits or null", value);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    ReadHexBytes(value, kSnapshotMaxDriverBytes, "that a driver query can report", bytes);
    return bytes;
}

// Any integer of 64 bits, signed or unsigned, in format 2; from 0 to 4294967295 in format 1.
void CSnapshotReader::TakeResourceType(const CValue& value)
{
    std::vector<CSnapshotResourceType>& types = m_snapshot.m_devices->back().m_resourceTypes;
    if (value.m_kind != EKind::Integer) {
        FailType("an integer", value);
        return;
    }
    ReadUInt32(value, kFormat1);
    if (value.m_bBeyond64Bits)
        Fail("expected an integer from -9223372036854775808 to 18446744073709551615, found " + NumberText(value),
             kFormat2);
    else if (!value.m_bNegative || value.m_nMagnitude == 0)
        types.push_back(CSnapshotResourceType::FromUnsigned(value.m_nMagnitude));
    else  // -2^63 has no positive counterpart in int64_t; the unsigned negation gives its bits all the same.
        types.push_back(CSnapshotResourceType::FromSigned(static_cast<int64_t>(0 - value.m_nMagnitude)));
}

void CSnapshotReader::TakeDocumentField(const CValue& value, EPlace& place)
{
    const auto list = [&](auto& target, EPlace listPlace) {
        if (value.m_kind == EKind::Array) {
            target.emplace();
            place = listPlace;
        } else if (value.m_kind != EKind::Null) {
            FailType("an array or null", value);
        }
    };
    switch (m_frames.back().m_nField) {
    case kFormat:
        if (value.m_kind != EKind::Integer) {
            FailType("an integer", value);
        } else if (value.m_bNegative || value.m_bBeyond64Bits ||
                   value.m_nMagnitude < static_cast<uint64_t>(kSnapshotOldestFormat) ||
                   value.m_nMagnitude > static_cast<uint64_t>(kSnapshotFormat)) {
            // A later format may change what the other keys mean, so this fault comes before all others.
            Fail("unknown format " + NumberText(value) + "; this program reads formats " +
                 std::to_string(kSnapshotOldestFormat) + " to " + std::to_string(kSnapshotFormat));
        } else {
            m_nFormat = static_cast<int>(value.m_nMagnitude);
        }
        break;
    case kComputerName:
        if (value.m_kind == EKind::String)
            m_snapshot.m_strComputerName = Utf8ToUtf16(value.m_text);  // the lexer has refused what is not UTF-8
        else
            FailType("a string", value);
        break;
    case kComponents:
        list(m_snapshot.m_components, EPlace::Components);
        break;
    case kDevices:
        list(m_snapshot.m_devices, EPlace::Devices);
        break;
    case kAdapters:
        list(m_snapshot.m_adapters, EPlace::Adapters);
        break;
    case kDrivers:
        if (value.m_kind == EKind::Object)
            place = EPlace::Drivers;
        else
            FailType("an object", value);
        break;
    case kAdapterTable:
        if (value.m_kind == EKind::Object)
            place = EPlace::AdapterTable;
        else
            FailType("an object", value, kFormat2);
        break;
    default:
        break;
    }
}

// Reads a value of the top frame: a scalar in full; for an array or object, the place it opens.
EPlace CSnapshotReader::Take(const CValue& value)
{
    CFrame& frame = m_frames.back();
    const uint32_t nField = frame.m_nField;
    EPlace place = EPlace::Ignored;
    const auto element = [&](auto& list, EPlace elementPlace) {
        if (value.m_kind == EKind::Object) {
            list->emplace_back();
            place = elementPlace;
        } else {
            FailType("an object", value);
        }
    };
    switch (frame.m_place) {
    case EPlace::Ignored:
        break;
    case EPlace::Document:
        TakeDocumentField(value, place);
        break;
    case EPlace::Components:
        element(m_snapshot.m_components, EPlace::Component);
        break;
    case EPlace::Devices:
        element(m_snapshot.m_devices, EPlace::Device);
        break;
    case EPlace::Adapters:
        element(m_snapshot.m_adapters, EPlace::Adapter);
        break;
    case EPlace::Component: {
        CNetCfgComponentInfo& component = m_snapshot.m_components->back();
        if (nField == 1) {
            component.m_dwCharacteristics = ReadUInt32(value);
        } else if (nField == 2) {
            if (value.m_kind != EKind::String)
                FailType("a string", value);
            else if (!ParseGuidText(Utf8ToUtf16(value.m_text), component.m_guidInstance))
                Fail("expected a GUID in braces, like {6B7D3F10-1111-2222-3333-444455556666}");
        } else if (nField == 3) {
            component.m_strId = ReadOptionalText(value);
        }
        break;
    }
    case EPlace::Device: {
        CSnapshotDevice& device = m_snapshot.m_devices->back();
        if (nField == 1) {
            device.m_strInstanceId = ReadOptionalText(value);
        } else if (nField == 2) {
            if (value.m_kind == EKind::Array)
                place = EPlace::Resources;
            else
                FailType("an array of integers", value);
        } else if (nField == 3) {
            // Format 1: a string or null. Format 2 also takes { "data": hex }, the bytes exactly as stored.
            if (value.m_kind == EKind::String) {
                device.m_netCfgInstanceIdData = NetCfgInstanceIdDataFromText(Utf8ToUtf16(value.m_text));
            } else if (value.m_kind == EKind::Object) {
                FailType("a string or null", value, kFormat1);
                place = EPlace::NetCfg;
            } else if (value.m_kind != EKind::Null) {
                FailType("a string or null", value, kFormat1);
                FailType("a string, null or an object", value, kFormat2);
            }
        }
        break;
    }
    case EPlace::Resources:
        TakeResourceType(value);
        break;
    case EPlace::NetCfg:
        if (nField == 1) {
            std::vector<uint8_t> data;
            // Any length: only the file size bounds it, and the pass itself refuses a value longer than its buffer.
            if (value.m_kind != EKind::String)
                FailType("a string of hexadecimal digits", value);
            else if (ReadHexBytes(value, std::numeric_limits<size_t>::max(), "", data))
                m_snapshot.m_devices->back().m_netCfgInstanceIdData = std::move(data);
        }
        break;
    case EPlace::Drivers:
        if (value.m_kind == EKind::Object) {
            CSnapshotDriver& driver = m_snapshot.m_drivers.emplace_back();
            driver.m_strName = Utf8ToUtf16(frame.m_strKey);
            place = EPlace::Driver;
        } else {
            FailType("an object", value);
        }
        break;
    case EPlace::Driver: {
        CSnapshotDriver& driver = m_snapshot.m_drivers.back();
        if (nField == 1)
            driver.m_permanent = ReadOptionalDriverAnswer(value);
        else if (nField == 2)
            driver.m_current = ReadOptionalDriverAnswer(value);
        break;
    }
    case EPlace::Adapter: {
        CAdapterEntry& entry = m_snapshot.m_adapters->back();
        if (nField == 1) {
            entry.m_strName = ReadOptionalText(value);
        } else if (nField == 2) {
            entry.m_strDescription = ReadOptionalText(value);
        } else if (nField == 3) {
            // Written only by programs that know the adapter's own name, so a snapshot without it is as good.
            entry.m_strFriendlyName = ReadOptionalText(value);
        } else if (nField == 4) {
            std::vector<uint8_t> address;
            if (value.m_kind != EKind::String) {
                FailType("a string of hexadecimal digits", value);
            } else if (ReadHexBytes(value, kSnapshotMaxAddressBytes, "that an adapter address holds", address)) {
                std::copy(address.begin(), address.end(), entry.m_address);
                entry.m_nAddressLength = static_cast<uint32_t>(address.size());
            }
        }
        break;
    }
    case EPlace::AdapterTable:
        if (nField == 1)
            m_snapshot.m_dwTableSizeAnswer = ReadUInt32(value);
        else if (nField == 2 && value.m_kind != EKind::Null)
            m_snapshot.m_dwTableReadAnswer = ReadUInt32(value);
        break;
    }
    return place;
}

// The object of the top frame ends: every field the format requires must have been given. The faults belong to
// its fields, so they are ranked and named from within it.
void CSnapshotReader::Finish()
{
    CFrame& frame = m_frames.back();
    const CFields* pFields = frame.m_bObject ? FieldsOf(frame.m_place) : nullptr;
    if (!pFields)
        return;
    frame.m_bHasKey = false;
    for (uint32_t n = 1; n <= pFields->names.size() && pFields->names[n - 1]; ++n) {
        if (!(pFields->nRequired & (1u << (n - 1))) || (frame.m_nSeen & (1u << (n - 1))))
            continue;
        frame.m_nField = n;
        const uint8_t nFormats = frame.m_place == EPlace::Document && n == kAdapterTable ? kFormat2 : kBothFormats;
        AddFault(ChildRank(), nFormats, pFields->names[n - 1], [] { return std::string("missing"); });
    }
}

// "adapter_table" of format 2 must agree with "adapters"; these faults come after every other.
void CSnapshotReader::CheckTableAgreement()
{
    if (!m_snapshot.m_dwTableSizeAnswer)
        return;
    CFrame document;
    document.m_place = EPlace::Document;
    document.m_bObject = true;
    document.m_nFormats = kFormat2;
    document.m_bHasKey = true;
    m_frames.push_back(std::move(document));
    const auto fail = [&](const char* pszKey, const char* pszField, const char* pszMessage) {
        m_frames.back().m_strKey = pszKey;
        m_frames.back().m_nField = kTableAgreement;
        AddFault(ChildRank(), kFormat2, pszField, [&] { return std::string(pszMessage); });
    };
    const bool bNoMemory = *m_snapshot.m_dwTableSizeAnswer == kAdapterTableNoMemory;
    const bool bRead = m_snapshot.m_dwTableReadAnswer == kAdapterTableNoError;
    if (bNoMemory && m_snapshot.m_dwTableReadAnswer)
        fail("adapter_table", "read", "expected null: no read follows a size query that had no memory");
    else if (!bNoMemory && !m_snapshot.m_dwTableReadAnswer)
        fail("adapter_table", "read", "expected an integer: a read follows every size query that had memory");
    else if (bRead && !m_snapshot.m_adapters)
        fail("adapters", "", "expected an array: the read answered 0 (NO_ERROR)");
    else if (!bRead && m_snapshot.m_adapters)
        fail("adapters", "", "expected null: the read did not answer 0 (NO_ERROR)");
    m_frames.pop_back();
}

CSnapshotReader::EResult CSnapshotReader::Read(CSnapshot& snapshot, CSnapshotError& error)
{
    if (m_pInput)
        nlohmann::json::sax_parse(CInputIterator(m_pInput), CInputIterator(nullptr), this);
    else
        nlohmann::json::sax_parse(m_text.data(), m_text.data() + m_text.size(), this);
    if (m_bAgain)
        return EResult::Again;
    if (!m_bJsonFault) {
        // nlohmann/json's lexer takes a zero byte for the end of the text; the document must be all of it.
        const void* pZero = std::memchr(m_text.data(), 0, m_text.size());
        if (pZero) {
            const size_t nPos = static_cast<size_t>(static_cast<const char*>(pZero) - m_text.data());
            JsonFault("malformed JSON: a zero byte after the document, at byte " + std::to_string(nPos + 1));
        }
    }
    if (m_bJsonFault) {
        error = std::move(m_jsonFault);
        return EResult::Refused;
    }
    if (!m_bTopIsObject) {
        error = CSnapshotError{std::string(), "expected an object at the top level, found " + Describe(m_top)};
        return EResult::Refused;
    }
    if (m_nFormat >= 2)
        CheckTableAgreement();
    const CFault& fault = m_faults[m_nFormat == 1 ? 0 : 1];
    if (fault.m_bSet) {
        error = CSnapshotError{JsonShortPath(fault.m_strPath), fault.m_strMessage};
        return EResult::Refused;
    }
    if (m_nFormat < 2) {
        m_snapshot.m_dwTableSizeAnswer.reset();
        m_snapshot.m_dwTableReadAnswer.reset();
    }
    snapshot = std::move(m_snapshot);
    return EResult::Read;
}

}  // namespace

std::string JsonMemberPath(const std::string& strParent, std::string_view key)
{
    return strParent.empty() ? PathKey(key) : strParent + "." + PathKey(key);
}

std::string JsonElementPath(const std::string& strParent, size_t nIndex)
{
    return strParent + "[" + std::to_string(nIndex) + "]";
}

std::string JsonShortPath(const std::string& strPath)
{
    if (strPath.size() <= kMaxPathBytes)
        return strPath;
    // The end says most; the cut goes to the start of a character.
    size_t nStart = strPath.size() - (kMaxPathBytes - 3);
    while (nStart < strPath.size() && (static_cast<unsigned char>(strPath[nStart]) & 0xC0) == 0x80)
        ++nStart;
    return "..." + strPath.substr(nStart);
}

bool ParseSnapshot(std::string_view text, CSnapshot& snapshot, CSnapshotError& error)
{
    {
        CSnapshotReader reader(text, nullptr);
        const CSnapshotReader::EResult result = reader.Read(snapshot, error);
        if (result != CSnapshotReader::EResult::Again)
            return result == CSnapshotReader::EResult::Read;
    }
    // Once more with a counting input: the document is malformed, or holds a number beyond every double.
    CInput input(text);
    CSnapshotReader reader(text, &input);
    return reader.Read(snapshot, error) == CSnapshotReader::EResult::Read;
}
