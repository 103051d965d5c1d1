#pragma once

// A small JSON reader and writer for snapshots. The reader is built for files from anywhere: it refuses nesting
// beyond a depth the caller gives as soon as it opens, so no deep value is ever built; it finds duplicate keys and
// looks keys up through an index, so an object of any size costs time in proportion to it; it takes nothing after
// the document but white space; and every message is short, naming the field path where the fault is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/keyed_hash.h"

class CJsonDocument;

// A value of a parsed document: a handle that is valid as long as its document.
class CJsonValue {
public:
    enum class EKind : uint8_t { Null, Boolean, Integer, Number, String, Array, Object };

    CJsonValue(const CJsonDocument& document, uint32_t nNode) : m_pDocument(&document), m_nNode(nNode) {}

    EKind GetKind() const;
    bool IsNull() const { return GetKind() == EKind::Null; }
    bool IsString() const { return GetKind() == EKind::String; }
    bool IsArray() const { return GetKind() == EKind::Array; }
    bool IsObject() const { return GetKind() == EKind::Object; }
    bool IsInteger() const { return GetKind() == EKind::Integer; }

    bool GetBoolean() const;

    // An integer: its sign and magnitude; beyond 64 bits when it fits neither int64_t nor uint64_t.
    bool IsNegative() const;
    bool IsBeyond64Bits() const;
    uint64_t GetMagnitude() const;

    // A string's contents (UTF-8), or the text of a number as the document has it (cut after 40 characters).
    std::string_view GetText() const;

    // The number of an array's elements or of an object's members, and each of them in document order.
    size_t GetSize() const;
    CJsonValue GetElement(size_t nIndex) const;
    std::string_view GetKey(size_t nIndex) const;  // objects only

    // An object's member of that key, if it has one.
    bool Find(std::string_view key, CJsonValue& value) const;

private:
    const CJsonDocument* m_pDocument;
    uint32_t m_nNode;
};

// A parsed document, kept flat: one small node per value, and the members of each array and object in one list of
// node numbers. Strings without escapes are read where they stand in the text, which must outlive the document;
// others, and the text of numbers, are kept in a pool. Large objects get a hash index of their keys.
class CJsonDocument {
public:
    CJsonValue GetRoot() const { return CJsonValue(*this, 0); }

private:
    friend class CJsonValue;
    friend class CJsonParser;

    enum : uint8_t { kFlagNegative = 1, kFlagBeyond64Bits = 2, kFlagTrue = 4, kFlagInPool = 8 };

    struct CNode {
        CJsonValue::EKind m_kind = CJsonValue::EKind::Null;
        uint8_t m_nFlags = 0;
        uint32_t m_nFirst = 0;  // text: its offset in the document or the pool; array, object: first in m_links
        uint32_t m_nCount = 0;  // text: its length; array: elements; object: members (two entries each)
        uint64_t m_nMagnitude = 0;
    };

    // Objects with more members than this are looked up through a hash index; smaller ones member by member.
    static constexpr uint32_t kIndexFrom = 8;

    std::string_view Text(const CNode& node) const
    {
        const std::string_view source = (node.m_nFlags & kFlagInPool) ? std::string_view(m_strPool) : m_text;
        return source.substr(node.m_nFirst, node.m_nCount);
    }

    std::string_view m_text;        // the document's text, which holds every string without escapes
    std::vector<CNode> m_nodes;
    std::vector<uint32_t> m_links;  // array: element nodes; object: key node and value node of each member
    std::string m_strPool;
    // Each large object's node: its keys, each with the number of its member.
    std::unordered_map<uint32_t, std::unordered_map<std::string_view, uint32_t, CKeyedHash>> m_indexes;
};

// Where a document is not well-formed JSON, or nests too deep.
struct CJsonError {
    std::string m_strPath;     // "devices[1].resources[2]", empty for the document as a whole
    std::string m_strMessage;  // "malformed JSON: ..." or the nesting limit
};

// Reads one JSON document: a leading UTF-8 byte order mark is passed over; only white space may follow it. Arrays
// and objects may nest at most nMaxNesting deep; a key given twice in one object is refused. The document reads
// strings from the text, which must outlive it.
bool ParseJson(std::string_view text, size_t nMaxNesting, CJsonDocument& document, CJsonError& error);

// Field paths for messages. A key longer than kMaxPathKeyChars characters is cut there and ends in "...", and a whole
// path longer than kMaxPathBytes keeps only its end after "...", so that a message stays one short line whatever the
// document holds.
constexpr size_t kMaxPathKeyChars = 40;
constexpr size_t kMaxPathBytes = 72;
std::string JsonMemberPath(const std::string& strParent, std::string_view key);
std::string JsonElementPath(const std::string& strParent, size_t nIndex);
std::string JsonShortPath(const std::string& strPath);

// Writes JSON text as nlohmann::json's dump(2) does: two spaces per level, "key": value, empty containers as [] and
// {}, non-ASCII text as UTF-8, control characters escaped.
class CJsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(std::string_view key);  // inside an object, before each value
    void String(std::string_view text);
    void Null();
    void Boolean(bool bValue);
    void Unsigned(uint64_t nValue);
    void Signed(int64_t nValue);

    // The text written, with a line end after the document.
    std::string Finish();

private:
    void BeforeValue();
    void NewLine();
    void Quote(std::string_view text);

    struct CLevel {
        bool m_bObject = false;
        size_t m_nCount = 0;
    };
    std::string m_strOut;
    std::vector<CLevel> m_levels;
    bool m_bAfterKey = false;
};
