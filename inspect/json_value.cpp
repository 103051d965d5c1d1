#include "inspect/json_value.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <unordered_set>
#include <utility>

namespace {

// A number's text as a message quotes it.
constexpr size_t kMaxTokenChars = 40;

bool IsWhiteSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r'; }

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

void AppendUtf8(std::string& out, uint32_t nCodePoint)
{
    if (nCodePoint < 0x80) {
        out.push_back(static_cast<char>(nCodePoint));
    } else if (nCodePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | nCodePoint >> 6));
        out.push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    } else if (nCodePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | nCodePoint >> 12));
        out.push_back(static_cast<char>(0x80 | (nCodePoint >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | nCodePoint >> 18));
        out.push_back(static_cast<char>(0x80 | (nCodePoint >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (nCodePoint >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    }
}

// The length of the well-formed UTF-8 sequence at the start of text (no overlong forms, no surrogates, nothing
// beyond U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view text)
{
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (b0 < 0x80)
        return 1;
    size_t nLength = 0;
    unsigned char nLow = 0x80;
    unsigned char nHigh = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        nLength = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        nLength = 3;
        if (b0 == 0xE0)
            nLow = 0xA0;
        else if (b0 == 0xED)
            nHigh = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        nLength = 4;
        if (b0 == 0xF0)
            nLow = 0x90;
        else if (b0 == 0xF4)
            nHigh = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < nLength)
        return 0;
    for (size_t i = 1; i < nLength; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < (i == 1 ? nLow : 0x80) || b > (i == 1 ? nHigh : 0xBF))
            return 0;
    }
    return nLength;
}

// What a byte is, for a message: "'x'" for printable ASCII, "byte 0x1F" otherwise.
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
        size_t nLength = Utf8SequenceLength(key.substr(nPos));
        nPos += nLength == 0 ? 1 : nLength;
        ++nChars;
    }
    return std::string(key);
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

CJsonValue::EKind CJsonValue::GetKind() const { return m_pDocument->m_nodes[m_nNode].m_kind; }

bool CJsonValue::GetBoolean() const
{
    return (m_pDocument->m_nodes[m_nNode].m_nFlags & CJsonDocument::kFlagTrue) != 0;
}

bool CJsonValue::IsNegative() const
{
    return (m_pDocument->m_nodes[m_nNode].m_nFlags & CJsonDocument::kFlagNegative) != 0;
}

bool CJsonValue::IsBeyond64Bits() const
{
    return (m_pDocument->m_nodes[m_nNode].m_nFlags & CJsonDocument::kFlagBeyond64Bits) != 0;
}

uint64_t CJsonValue::GetMagnitude() const { return m_pDocument->m_nodes[m_nNode].m_nMagnitude; }

std::string_view CJsonValue::GetText() const
{
    const CJsonDocument::CNode& node = m_pDocument->m_nodes[m_nNode];
    if (node.m_kind != EKind::String && node.m_kind != EKind::Integer && node.m_kind != EKind::Number)
        return std::string_view();
    return m_pDocument->Text(node);
}

size_t CJsonValue::GetSize() const
{
    const CJsonDocument::CNode& node = m_pDocument->m_nodes[m_nNode];
    if (node.m_kind == EKind::Array)
        return node.m_nCount;
    if (node.m_kind == EKind::Object)
        return node.m_nCount / 2;
    return 0;
}

CJsonValue CJsonValue::GetElement(size_t nIndex) const
{
    const CJsonDocument::CNode& node = m_pDocument->m_nodes[m_nNode];
    const size_t nLink = node.m_kind == EKind::Object ? node.m_nFirst + 2 * nIndex + 1 : node.m_nFirst + nIndex;
    return CJsonValue(*m_pDocument, m_pDocument->m_links[nLink]);
}

std::string_view CJsonValue::GetKey(size_t nIndex) const
{
    const CJsonDocument::CNode& node = m_pDocument->m_nodes[m_nNode];
    return m_pDocument->Text(m_pDocument->m_nodes[m_pDocument->m_links[node.m_nFirst + 2 * nIndex]]);
}

bool CJsonValue::Find(std::string_view key, CJsonValue& value) const
{
    if (!IsObject())
        return false;
    const auto itIndex = m_pDocument->m_indexes.find(m_nNode);
    if (itIndex != m_pDocument->m_indexes.end()) {
        const auto it = itIndex->second.find(key);
        if (it == itIndex->second.end())
            return false;
        value = GetElement(it->second);
        return true;
    }
    const size_t nSize = GetSize();
    for (size_t i = 0; i < nSize; ++i) {
        if (GetKey(i) == key) {
            value = GetElement(i);
            return true;
        }
    }
    return false;
}

// Recursive descent; the recursion is as deep as the nesting, which is refused beyond m_nMaxNesting.
class CJsonParser {
public:
    CJsonParser(std::string_view text, size_t nMaxNesting, CJsonDocument& document)
        : m_text(text), m_nMaxNesting(nMaxNesting), m_document(document)
    {
    }

    bool Parse(CJsonError& error)
    {
        m_document = CJsonDocument();
        m_document.m_text = m_text;
        // Node numbers, offsets and counts are 32 bits: far beyond any snapshot, which is refused above 16 MiB.
        if (m_text.size() >= UINT32_MAX / 2) {
            error = CJsonError{std::string(), "malformed JSON: the document is too large"};
            return false;
        }
        // A byte order mark is no part of the document.
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_nPos = 3;
        // Room for the most the text can hold, so that nothing is copied as it grows. Every value but the first
        // follows a comma, a colon or an opening bracket or brace, and every key precedes a colon; no text grows
        // when it is unescaped.
        size_t nMaxNodes = 1;
        for (const char ch : m_text)
            nMaxNodes += (ch == ',' || ch == '[' || ch == '{') ? 1 : ch == ':' ? 2 : 0;
        m_document.m_nodes.reserve(nMaxNodes);
        m_document.m_links.reserve(nMaxNodes);
        m_document.m_strPool.reserve(m_text.size() / 4);
        SkipWhiteSpace();
        if (AtEnd()) {
            Fail("malformed JSON: the document is empty");
        } else if (ParseValue(NewNode())) {
            SkipWhiteSpace();
            if (!AtEnd())
                Fail(std::string("malformed JSON: ") + (m_text[m_nPos] == 0 ? "a zero byte" : "text") +
                     " after the document, at byte " + std::to_string(m_nPos + 1));
        }
        if (m_bFailed) {
            error = std::move(m_error);
            m_document = CJsonDocument();
            return false;
        }
        BuildIndexes();
        return true;
    }

private:
    using CNode = CJsonDocument::CNode;
    using EKind = CJsonValue::EKind;

    struct CFrame {
        bool m_bObject = false;
        uint32_t m_nKeyNode = 0;  // the member being read, when m_bHasKey
        bool m_bHasKey = false;
        size_t m_nIndex = 0;      // the element being read
    };

    // Hashes and compares key nodes by their text in the pool, wherever the pool is at the time. The hash is keyed
    // per process, so that a file cannot bring keys that all share one.
    struct CKeyHash {
        const CJsonDocument* m_pDocument;
        size_t operator()(uint32_t nNode) const
        {
            return static_cast<size_t>(KeyedHash(m_pDocument->Text(m_pDocument->m_nodes[nNode])));
        }
    };
    struct CKeyEqual {
        const CJsonDocument* m_pDocument;
        bool operator()(uint32_t a, uint32_t b) const
        {
            return m_pDocument->Text(m_pDocument->m_nodes[a]) == m_pDocument->Text(m_pDocument->m_nodes[b]);
        }
    };
    using CKeySet = std::unordered_set<uint32_t, CKeyHash, CKeyEqual>;

    bool AtEnd() const { return m_nPos >= m_text.size(); }

    uint32_t NewNode()
    {
        m_document.m_nodes.emplace_back();
        return static_cast<uint32_t>(m_document.m_nodes.size() - 1);
    }

    CNode& Node(uint32_t nNode) { return m_document.m_nodes[nNode]; }

    void SkipWhiteSpace()
    {
        while (!AtEnd() && IsWhiteSpace(m_text[m_nPos]))
            ++m_nPos;
    }

    std::string CurrentPath() const
    {
        std::string strPath;
        for (const CFrame& frame : m_frames) {
            if (!frame.m_bObject)
                strPath = JsonElementPath(strPath, frame.m_nIndex);
            else if (frame.m_bHasKey)
                strPath = JsonMemberPath(strPath, m_document.Text(m_document.m_nodes[frame.m_nKeyNode]));
        }
        return strPath;
    }

    // Records the first fault only; returns false so that callers can return it.
    bool Fail(std::string strMessage)
    {
        if (!m_bFailed) {
            m_bFailed = true;
            m_error = CJsonError{JsonShortPath(CurrentPath()), std::move(strMessage)};
        }
        return false;
    }

    bool FailHere(const char* pszExpected)
    {
        if (AtEnd())
            return Fail("malformed JSON: the document ends early; expected " + std::string(pszExpected));
        return Fail("malformed JSON: unexpected " + ShowByte(m_text[m_nPos]) + " at byte " +
                    std::to_string(m_nPos + 1) + "; expected " + pszExpected);
    }

    bool ParseLiteral(std::string_view word)
    {
        if (m_text.substr(m_nPos, word.size()) != word)
            return FailHere("a value");
        m_nPos += word.size();
        return true;
    }

    bool ParseValue(uint32_t nNode)
    {
        if (AtEnd())
            return FailHere("a value");
        switch (m_text[m_nPos]) {
        case '{':
            return ParseContainer(nNode, true);
        case '[':
            return ParseContainer(nNode, false);
        case '"':
            return ParseString(nNode);
        case 't':
            Node(nNode).m_kind = EKind::Boolean;
            Node(nNode).m_nFlags = CJsonDocument::kFlagTrue;
            return ParseLiteral("true");
        case 'f':
            Node(nNode).m_kind = EKind::Boolean;
            return ParseLiteral("false");
        case 'n':
            return ParseLiteral("null");
        default:
            if (m_text[m_nPos] == '-' || IsDigit(m_text[m_nPos]))
                return ParseNumber(nNode);
            return FailHere("a value");
        }
    }

    bool ParseNumber(uint32_t nNode)
    {
        const size_t nStart = m_nPos;
        EKind kind = EKind::Integer;
        uint8_t nFlags = 0;
        if (m_text[m_nPos] == '-') {
            nFlags |= CJsonDocument::kFlagNegative;
            ++m_nPos;
        }
        if (AtEnd() || !IsDigit(m_text[m_nPos]))
            return FailHere("a digit");
        uint64_t nMagnitude = 0;
        if (m_text[m_nPos] == '0') {
            ++m_nPos;
        } else {
            while (!AtEnd() && IsDigit(m_text[m_nPos])) {
                const auto nDigit = static_cast<uint64_t>(m_text[m_nPos] - '0');
                if (nMagnitude > (UINT64_MAX - nDigit) / 10)
                    nFlags |= CJsonDocument::kFlagBeyond64Bits;
                else
                    nMagnitude = nMagnitude * 10 + nDigit;
                ++m_nPos;
            }
        }
        if (!AtEnd() && m_text[m_nPos] == '.') {
            kind = EKind::Number;
            ++m_nPos;
            if (AtEnd() || !IsDigit(m_text[m_nPos]))
                return FailHere("a digit");
            while (!AtEnd() && IsDigit(m_text[m_nPos]))
                ++m_nPos;
        }
        if (!AtEnd() && (m_text[m_nPos] == 'e' || m_text[m_nPos] == 'E')) {
            kind = EKind::Number;
            ++m_nPos;
            if (!AtEnd() && (m_text[m_nPos] == '+' || m_text[m_nPos] == '-'))
                ++m_nPos;
            if (AtEnd() || !IsDigit(m_text[m_nPos]))
                return FailHere("a digit");
            while (!AtEnd() && IsDigit(m_text[m_nPos]))
                ++m_nPos;
        }
        // Negative integers fit 64 bits down to -2^63.
        if ((nFlags & CJsonDocument::kFlagNegative) && nMagnitude > (uint64_t(1) << 63))
            nFlags |= CJsonDocument::kFlagBeyond64Bits;
        const std::string_view token = m_text.substr(nStart, m_nPos - nStart);
        CNode& node = Node(nNode);
        node.m_kind = kind;
        node.m_nMagnitude = nMagnitude;
        node.m_nFlags = static_cast<uint8_t>(nFlags | CJsonDocument::kFlagInPool);
        node.m_nFirst = static_cast<uint32_t>(m_document.m_strPool.size());
        if (token.size() > kMaxTokenChars) {
            m_document.m_strPool.append(token.substr(0, kMaxTokenChars));
            m_document.m_strPool.append("...");
        } else {
            m_document.m_strPool.append(token);
        }
        node.m_nCount = static_cast<uint32_t>(m_document.m_strPool.size() - node.m_nFirst);
        return true;
    }

    bool ParseHex4(uint32_t& nUnit)
    {
        nUnit = 0;
        for (int i = 0; i < 4; ++i, ++m_nPos) {
            if (AtEnd())
                return FailHere("a hexadecimal digit");
            const char ch = m_text[m_nPos];
            int nDigit = -1;
            if (ch >= '0' && ch <= '9')
                nDigit = ch - '0';
            else if (ch >= 'a' && ch <= 'f')
                nDigit = ch - 'a' + 10;
            else if (ch >= 'A' && ch <= 'F')
                nDigit = ch - 'A' + 10;
            if (nDigit < 0)
                return FailHere("a hexadecimal digit");
            nUnit = nUnit << 4 | static_cast<uint32_t>(nDigit);
        }
        return true;
    }

    // A string. One without escapes stays where it is in the text; one with them is unescaped into the pool.
    bool ParseString(uint32_t nNode)
    {
        std::string& pool = m_document.m_strPool;
        ++m_nPos;  // the opening quote
        const size_t nStart = m_nPos;
        bool bInPool = false;
        size_t nPoolStart = 0;
        while (true) {
            const size_t nRun = m_nPos;
            while (!AtEnd()) {
                const auto ch = static_cast<unsigned char>(m_text[m_nPos]);
                if (ch == '"' || ch == '\\' || ch < 0x20)
                    break;
                if (ch >= 0x80) {
                    const size_t nLength = Utf8SequenceLength(m_text.substr(m_nPos));
                    if (nLength == 0)
                        return Fail("malformed JSON: bytes that are not UTF-8 in a string, at byte " +
                                    std::to_string(m_nPos + 1));
                    m_nPos += nLength;
                } else {
                    ++m_nPos;
                }
            }
            if (bInPool)
                pool.append(m_text.substr(nRun, m_nPos - nRun));
            if (AtEnd())
                return FailHere("the end of the string");
            const char ch = m_text[m_nPos];
            if (ch == '"') {
                CNode& node = Node(nNode);
                node.m_kind = EKind::String;
                if (bInPool) {
                    node.m_nFlags = CJsonDocument::kFlagInPool;
                    node.m_nFirst = static_cast<uint32_t>(nPoolStart);
                    node.m_nCount = static_cast<uint32_t>(pool.size() - nPoolStart);
                } else {
                    node.m_nFirst = static_cast<uint32_t>(nStart);
                    node.m_nCount = static_cast<uint32_t>(m_nPos - nStart);
                }
                ++m_nPos;
                return true;
            }
            if (static_cast<unsigned char>(ch) < 0x20)
                return Fail("malformed JSON: a control character (" + ShowByte(ch) + ") in a string, at byte " +
                            std::to_string(m_nPos + 1));
            // An escape: from here on the string is built in the pool.
            if (!bInPool) {
                bInPool = true;
                nPoolStart = pool.size();
                pool.append(m_text.substr(nStart, m_nPos - nStart));
            }
            ++m_nPos;
            if (AtEnd())
                return FailHere("an escape");
            const char chEscape = m_text[m_nPos];
            const std::string_view simple = "\"\\/bfnrt";
            const std::string_view meaning = "\"\\/\b\f\n\r\t";
            const size_t nSimple = simple.find(chEscape);
            if (nSimple != std::string_view::npos) {
                pool.push_back(meaning[nSimple]);
                ++m_nPos;
                continue;
            }
            if (chEscape != 'u')
                return FailHere("an escape");
            ++m_nPos;
            uint32_t nUnit = 0;
            if (!ParseHex4(nUnit))
                return false;
            if (nUnit >= 0xDC00 && nUnit <= 0xDFFF)
                return Fail("malformed JSON: a \\u escape of a low surrogate without a high one, at byte " +
                            std::to_string(m_nPos));
            if (nUnit >= 0xD800 && nUnit <= 0xDBFF) {
                // UTF-8 carries no unpaired surrogate: the high one must be followed by a low one.
                uint32_t nLow = 0;
                if (m_text.substr(m_nPos, 2) != "\\u")
                    return Fail("malformed JSON: a \\u escape of a high surrogate without a low one, at byte " +
                                std::to_string(m_nPos));
                m_nPos += 2;
                if (!ParseHex4(nLow))
                    return false;
                if (nLow < 0xDC00 || nLow > 0xDFFF)
                    return Fail("malformed JSON: a \\u escape of a high surrogate without a low one, at byte " +
                                std::to_string(m_nPos));
                nUnit = 0x10000 + ((nUnit - 0xD800) << 10) + (nLow - 0xDC00);
            }
            AppendUtf8(pool, nUnit);
        }
    }

    bool ParseContainer(uint32_t nNode, bool bObject)
    {
        if (m_frames.size() >= m_nMaxNesting)
            return Fail("arrays and objects nested more than " + std::to_string(m_nMaxNesting) +
                        " deep, deeper than the format goes");
        ++m_nPos;
        CFrame frame;
        frame.m_bObject = bObject;
        m_frames.push_back(frame);
        const size_t nFrame = m_frames.size() - 1;
        // The members are gathered on a stack shared by all levels and copied into the links when the container
        // closes, so that each container's entries lie together.
        const size_t nStackStart = m_stack.size();
        // Keys seen so far, once the object outgrows a search member by member.
        std::unique_ptr<CKeySet> pKeys;
        SkipWhiteSpace();
        const char chClose = bObject ? '}' : ']';
        if (AtEnd() || m_text[m_nPos] != chClose) {
            while (true) {
                if (bObject) {
                    if (AtEnd() || m_text[m_nPos] != '"')
                        return FailHere("a key in quotes");
                    const uint32_t nKey = NewNode();
                    if (!ParseString(nKey))
                        return false;
                    m_frames[nFrame].m_nKeyNode = nKey;
                    m_frames[nFrame].m_bHasKey = true;
                    m_stack.push_back(nKey);
                    if (!AddKey(nStackStart, pKeys))
                        return false;
                    SkipWhiteSpace();
                    if (AtEnd() || m_text[m_nPos] != ':')
                        return FailHere("a colon");
                    ++m_nPos;
                    SkipWhiteSpace();
                }
                const uint32_t nValue = NewNode();
                m_stack.push_back(nValue);
                if (!ParseValue(nValue))
                    return false;
                SkipWhiteSpace();
                if (bObject)
                    m_frames[nFrame].m_bHasKey = false;
                else
                    ++m_frames[nFrame].m_nIndex;
                if (!AtEnd() && m_text[m_nPos] == ',') {
                    ++m_nPos;
                    SkipWhiteSpace();
                    continue;
                }
                if (!AtEnd() && m_text[m_nPos] == chClose)
                    break;
                return FailHere(bObject ? "a comma or '}'" : "a comma or ']'");
            }
        }
        ++m_nPos;  // the closing bracket or brace
        m_frames.pop_back();
        CNode& node = Node(nNode);
        node.m_kind = bObject ? EKind::Object : EKind::Array;
        node.m_nFirst = static_cast<uint32_t>(m_document.m_links.size());
        node.m_nCount = static_cast<uint32_t>(m_stack.size() - nStackStart);
        m_document.m_links.insert(m_document.m_links.end(), m_stack.begin() + static_cast<ptrdiff_t>(nStackStart),
                                  m_stack.end());
        m_stack.resize(nStackStart);
        if (bObject && node.m_nCount / 2 > CJsonDocument::kIndexFrom)
            m_largeObjects.push_back(nNode);
        return true;
    }

    // Refuses the newest key (the top of the stack) when the object has it already.
    bool AddKey(size_t nStackStart, std::unique_ptr<CKeySet>& pKeys)
    {
        const size_t nMembers = (m_stack.size() - nStackStart + 1) / 2;
        const uint32_t nNew = m_stack.back();
        if (nMembers <= CJsonDocument::kIndexFrom) {
            const std::string_view key = m_document.Text(Node(nNew));
            for (size_t i = nStackStart; i + 1 < m_stack.size(); i += 2) {
                if (m_document.Text(Node(m_stack[i])) == key)
                    return Fail("the key is given twice in one object");
            }
            return true;
        }
        if (!pKeys) {
            pKeys = std::make_unique<CKeySet>(2 * nMembers, CKeyHash{&m_document}, CKeyEqual{&m_document});
            for (size_t i = nStackStart; i + 1 < m_stack.size(); i += 2)
                pKeys->insert(m_stack[i]);
        }
        if (!pKeys->insert(nNew).second)
            return Fail("the key is given twice in one object");
        return true;
    }

    // Once the pool no longer grows, views of it can index the large objects.
    void BuildIndexes()
    {
        for (const uint32_t nObject : m_largeObjects) {
            const CJsonValue object(m_document, nObject);
            auto& index = m_document.m_indexes[nObject];
            const size_t nSize = object.GetSize();
            index.reserve(nSize);
            for (size_t i = 0; i < nSize; ++i)
                index.emplace(object.GetKey(i), static_cast<uint32_t>(i));
        }
    }

    std::string_view m_text;
    size_t m_nMaxNesting;
    CJsonDocument& m_document;
    size_t m_nPos = 0;
    std::vector<CFrame> m_frames;
    std::vector<uint32_t> m_stack;
    std::vector<uint32_t> m_largeObjects;
    bool m_bFailed = false;
    CJsonError m_error;
};

bool ParseJson(std::string_view text, size_t nMaxNesting, CJsonDocument& document, CJsonError& error)
{
    CJsonParser parser(text, nMaxNesting, document);
    return parser.Parse(error);
}

void CJsonWriter::NewLine()
{
    m_strOut.push_back('\n');
    m_strOut.append(2 * m_levels.size(), ' ');
}

void CJsonWriter::BeforeValue()
{
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_levels.empty()) {
        if (m_levels.back().m_nCount++ > 0)
            m_strOut.push_back(',');
        NewLine();
    }
}

void CJsonWriter::Key(std::string_view key)
{
    if (m_levels.back().m_nCount++ > 0)
        m_strOut.push_back(',');
    NewLine();
    Quote(key);
    m_strOut += ": ";
    m_bAfterKey = true;
}

void CJsonWriter::BeginObject()
{
    BeforeValue();
    m_strOut.push_back('{');
    m_levels.push_back(CLevel{true, 0});
}

void CJsonWriter::BeginArray()
{
    BeforeValue();
    m_strOut.push_back('[');
    m_levels.push_back(CLevel{false, 0});
}

void CJsonWriter::EndObject()
{
    const bool bEmpty = m_levels.back().m_nCount == 0;
    m_levels.pop_back();
    if (!bEmpty)
        NewLine();
    m_strOut.push_back('}');
}

void CJsonWriter::EndArray()
{
    const bool bEmpty = m_levels.back().m_nCount == 0;
    m_levels.pop_back();
    if (!bEmpty)
        NewLine();
    m_strOut.push_back(']');
}

void CJsonWriter::Quote(std::string_view text)
{
    m_strOut.push_back('"');
    for (const char ch : text) {
        switch (ch) {
        case '"':
            m_strOut += "\\\"";
            break;
        case '\\':
            m_strOut += "\\\\";
            break;
        case '\b':
            m_strOut += "\\b";
            break;
        case '\f':
            m_strOut += "\\f";
            break;
        case '\n':
            m_strOut += "\\n";
            break;
        case '\r':
            m_strOut += "\\r";
            break;
        case '\t':
            m_strOut += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(ch) < 0x20) {
                char szEscape[8];
                std::snprintf(szEscape, sizeof(szEscape), "\\u%04x", static_cast<unsigned>(ch));
                m_strOut += szEscape;
            } else {
                m_strOut.push_back(ch);
            }
        }
    }
    m_strOut.push_back('"');
}

void CJsonWriter::String(std::string_view text)
{
    BeforeValue();
    Quote(text);
}

void CJsonWriter::Null()
{
    BeforeValue();
    m_strOut += "null";
}

void CJsonWriter::Boolean(bool bValue)
{
    BeforeValue();
    m_strOut += bValue ? "true" : "false";
}

void CJsonWriter::Unsigned(uint64_t nValue)
{
    BeforeValue();
    m_strOut += std::to_string(nValue);
}

void CJsonWriter::Signed(int64_t nValue)
{
    BeforeValue();
    m_strOut += std::to_string(nValue);
}

std::string CJsonWriter::Finish()
{
    m_strOut.push_back('\n');
    return std::move(m_strOut);
}
