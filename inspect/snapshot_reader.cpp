// Reading snapshots. nlohmann/json's SAX parser hands the values to a builder of our own, which refuses at once what
// the format can never hold (nesting deeper than the format, a key given twice) and keeps the members in the order
// the document gives them. The document is then read field by field in the order the format lists them, so that
// the first fault found is the one a message names, whatever order the members come in.

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <unordered_set>
#include <utility>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inspect/json_io.h"
#include "inspect/snapshot.h"
#include "inventory/passes.h"

namespace {

// A number's text as a message quotes it.
constexpr size_t kMaxTokenChars = 40;

// A member's path. Its key is cut to kMaxPathKeyChars characters, at a character boundary.
std::string JsonMemberPath(const std::string& strParent, std::string_view key)
{
    std::string strPath = strParent.empty() ? std::string() : strParent + ".";
    for (size_t nPos = 0, nChars = 0; nPos < key.size(); ++nChars) {
        if (nChars == kMaxPathKeyChars)
            return strPath.append(key.substr(0, nPos)) + "...";
        const size_t nLength = Utf8SequenceLength(key.substr(nPos));
        nPos += nLength == 0 ? 1 : nLength;
    }
    return strPath.append(key);
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

// Objects with more members than this find duplicate keys through a hash set; smaller ones member by member.
constexpr size_t kKeySetFrom = 8;

// Builds the document as nlohmann/json's SAX parser reads it. A number that is no integer of 64 bits is kept as
// its text, which messages quote, in a binary value: JSON text has no binary values of its own. Integers below 0 are
// kept signed and the others unsigned; -0 is 0, as every field of the format reads it.
class CDocumentBuilder {
public:
    using string_t = json::string_t;

    // nZeroByte: the first zero byte in the text, counted from 1, or 0 when there is none.
    CDocumentBuilder(json& document, size_t nZeroByte) : m_document(document), m_nZeroByte(nZeroByte) {}

    const CSnapshotError& GetError() const { return m_error; }

    bool null() { return Put(nullptr); }
    bool boolean(bool bValue) { return Put(bValue); }
    bool number_integer(int64_t nValue) { return nValue == 0 ? Put(uint64_t{0}) : Put(nValue); }
    bool number_unsigned(uint64_t nValue) { return Put(nValue); }
    bool number_float(double, const string_t& strText)
    {
        return Put(json::binary(json::binary_t::container_type(strText.begin(), strText.end())));
    }
    bool string(string_t& text) { return Put(std::move(text)); }
    bool binary(json::binary_t&) { return false; }  // JSON text has none
    bool start_object(size_t) { return Open(json::object()); }
    bool start_array(size_t) { return Open(json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(string_t& key);
    bool parse_error(size_t nPos, const std::string& strLastRead, const nlohmann::detail::exception& ex);

private:
    struct CFrame {
        json* m_pValue;
        size_t m_nIndex = 0;     // arrays: the element being read
        bool m_bHasKey = false;  // objects: a member is being read
        std::unique_ptr<std::unordered_set<std::string, CKeyedHash>> m_pKeys;  // once there are many
    };

    // Where the next value goes: the document, the end of the array being read, or the member whose key came.
    json& Slot()
    {
        if (m_frames.empty())
            return m_document;
        json& container = *m_frames.back().m_pValue;
        if (container.is_array())
            return container.get_ref<json::array_t&>().emplace_back();
        return container.get_ref<json::object_t&>().back().second;
    }

    bool Put(json&& value)
    {
        Slot() = std::move(value);
        Done();
        return true;
    }

    bool Open(json&& empty)
    {
        if (m_frames.size() >= kSnapshotMaxNesting)
            return Fault("arrays and objects nested more than " + std::to_string(kSnapshotMaxNesting) +
                         " deep, deeper than the format goes");
        json& value = Slot() = std::move(empty);
        // Room for a record's members at once rather than one at a time.
        if (value.is_object())
            value.get_ref<json::object_t&>().reserve(4);
        // The value stays where it is while it is open: only the innermost container grows.
        m_frames.push_back(CFrame{&value, 0, false, nullptr});
        return true;
    }

    bool Close()
    {
        m_frames.pop_back();
        Done();
        return true;
    }

    // The value read ends; the container around it goes on to its next element or member.
    void Done()
    {
        if (!m_frames.empty()) {
            m_frames.back().m_bHasKey = false;
            ++m_frames.back().m_nIndex;
        }
    }

    std::string Path() const
    {
        std::string strPath;
        for (const CFrame& frame : m_frames) {
            if (frame.m_pValue->is_array())
                strPath += "[" + std::to_string(frame.m_nIndex) + "]";
            else if (frame.m_bHasKey)
                strPath = JsonMemberPath(strPath, frame.m_pValue->get_ref<const json::object_t&>().back().first);
        }
        return strPath;
    }

    bool Fault(std::string strMessage)
    {
        m_error = CSnapshotError{JsonShortPath(Path()), std::move(strMessage)};
        return false;
    }

    json& m_document;
    size_t m_nZeroByte;
    std::vector<CFrame> m_frames;
    CSnapshotError m_error;
};

bool CDocumentBuilder::key(string_t& key)
{
    CFrame& frame = m_frames.back();
    auto& members = frame.m_pValue->get_ref<json::object_t&>();
    // Few keys are compared one by one; once there are more, they move into a hash set.
    bool bNew = true;
    if (frame.m_pKeys) {
        bNew = frame.m_pKeys->insert(key).second;
    } else {
        for (const auto& member : members)
            bNew = bNew && member.first != key;
        if (bNew && members.size() == kKeySetFrom) {
            frame.m_pKeys = std::make_unique<std::unordered_set<std::string, CKeyedHash>>();
            for (const auto& member : members)
                frame.m_pKeys->insert(member.first);
            frame.m_pKeys->insert(key);
        }
    }
    // Appended without a lookup of its own: the check above has looked.
    members.emplace_back(std::move(key), nullptr);
    frame.m_bHasKey = true;
    return bNew || Fault("the key is given twice in one object");
}

bool CDocumentBuilder::parse_error(size_t nPos, const std::string& strLastRead, const nlohmann::detail::exception& ex)
{
    // An overflow is the only fault of a well-formed document nlohmann/json ends a parse on.
    constexpr int kNumberOverflow = 406;
    if (ex.id == kNumberOverflow) {
        const bool bCut = strLastRead.size() > kMaxTokenChars;
        return Fault("a number beyond the range of a double: " + strLastRead.substr(0, kMaxTokenChars) +
                     (bCut ? "..." : ""));
    }
    // nlohmann/json's lexer takes a zero byte for the end of the text, which would have it say the document ends.
    if (m_nZeroByte && nPos == m_nZeroByte)
        return Fault("malformed JSON: an unexpected zero byte, at byte " + std::to_string(nPos));
    // nlohmann/json's own account from what was expected on, the position as a byte, and without the text read since
    // the last token (which may be long) or what the parser expected (which adds nothing).
    std::string strWhat = ex.what();
    const std::string_view kAfterDocument = "; expected end of input";
    if (strWhat.size() >= kAfterDocument.size() &&
        strWhat.compare(strWhat.size() - kAfterDocument.size(), kAfterDocument.size(), kAfterDocument) == 0)
        return Fault("malformed JSON: text after the document, at byte " + std::to_string(nPos));
    const size_t nDash = strWhat.find(" - ");
    if (nDash != std::string::npos)
        strWhat.erase(0, nDash + 3);
    const size_t nRead = strWhat.find("; last read: '");
    if (nRead != std::string::npos)
        strWhat.erase(nRead);
    // Every account nlohmann/json gives is shorter; this keeps a message one short line whatever its version says.
    constexpr size_t kMaxWhatChars = 90;
    if (strWhat.size() > kMaxWhatChars)
        strWhat = strWhat.substr(0, kMaxWhatChars - 3) + "...";
    return Fault("malformed JSON: " + strWhat + ", at byte " + std::to_string(nPos));
}

// Where a value is in the document, made into a path only for a fault.
struct CPlace {
    static constexpr size_t kNoIndex = std::numeric_limits<size_t>::max();

    const CPlace* m_pParent = nullptr;
    std::string_view m_key;
    size_t m_nIndex = kNoIndex;

    CPlace Member(std::string_view key) const { return CPlace{this, key}; }
    CPlace Element(size_t nIndex) const { return CPlace{this, {}, nIndex}; }

    std::string Path() const
    {
        if (!m_pParent)
            return std::string();
        const std::string strParent = m_pParent->Path();
        if (m_nIndex == kNoIndex)
            return JsonMemberPath(strParent, m_key);
        return strParent + "[" + std::to_string(m_nIndex) + "]";
    }
};

// Whether a value is an integer, of 64 bits or beyond.
bool IsInteger(const json& value)
{
    const auto isFraction = [](uint8_t ch) { return ch == '.' || ch == 'e' || ch == 'E'; };
    return value.is_number_integer() ||
           (value.is_binary() && std::none_of(value.get_binary().begin(), value.get_binary().end(), isFraction));
}

// A number's text as messages quote it, cut after kMaxTokenChars characters.
std::string NumberText(const json& value)
{
    std::string strText;
    if (value.is_binary())
        strText.assign(value.get_binary().begin(), value.get_binary().end());
    else if (value.is_number_unsigned())
        strText = std::to_string(value.get<uint64_t>());
    else
        strText = std::to_string(value.get<int64_t>());
    return strText.size() > kMaxTokenChars ? strText.substr(0, kMaxTokenChars) + "..." : strText;
}

// What a value is, for the messages: "expected an integer, found a string".
std::string Describe(const json& value)
{
    if (value.is_null())
        return "null";
    if (value.is_boolean())
        return value.get<bool>() ? "true" : "false";
    if (value.is_string() || value.is_array() || value.is_object())
        return value.is_string() ? "a string" : value.is_array() ? "an array" : "an object";
    return (IsInteger(value) ? "the integer " : "the number ") + NumberText(value);
}

// A field of an object the format lists: its value, or null where the object does not give it.
struct CField {
    const json* m_pValue = nullptr;
    CPlace m_place;
};

// The fields an object gives, in the order the format lists them. One pass over the members, so that an object with
// many members the format does not list costs time in proportion to them.
template <size_t N>
std::array<CField, N> FieldsOf(const json& object, const CPlace& place, const std::array<const char*, N>& names)
{
    std::array<CField, N> fields;
    for (size_t i = 0; i < N; ++i)
        fields[i].m_place = place.Member(names[i]);
    for (const auto& member : object.get_ref<const json::object_t&>()) {
        for (size_t i = 0; i < N; ++i) {
            if (member.first == names[i])
                fields[i].m_pValue = &member.second;
        }
    }
    return fields;
}

// Reads the document into a snapshot in the order the format is checked in, keeping the first fault.
class CSnapshotReader {
public:
    bool Read(const json& document, CSnapshot& snapshot, CSnapshotError& error)
    {
        if (!document.is_object()) {
            error = CSnapshotError{std::string(), "expected an object at the top level, found " + Describe(document)};
            return false;
        }
        const CPlace top;
        const auto fields = FieldsOf(document, top, std::array{"format", "computer_name", "components", "devices",
                                                               "drivers", "adapters", "adapter_table"});
        if (ReadFormat(fields[0])) {
            if (const json* pName = Given(fields[1])) {
                if (pName->is_string())
                    m_snapshot.m_strComputerName = Utf8ToUtf16(pName->get_ref<const std::string&>());
                else
                    FailType(fields[1].m_place, "a string", *pName);
            }
            if (const json* pComponents = Given(fields[2]))
                ReadList(*pComponents, fields[2].m_place, m_snapshot.m_components, &CSnapshotReader::ReadComponent);
            if (const json* pDevices = Given(fields[3]))
                ReadList(*pDevices, fields[3].m_place, m_snapshot.m_devices, &CSnapshotReader::ReadDevice);
            if (const json* pDrivers = Given(fields[4]))
                ReadDrivers(*pDrivers, fields[4].m_place);
            if (const json* pAdapters = Given(fields[5]))
                ReadList(*pAdapters, fields[5].m_place, m_snapshot.m_adapters, &CSnapshotReader::ReadAdapter);
            // Format 1 has no adapter table: a replay answers as a table of that size does.
            if (m_nFormat >= 2) {
                if (const json* pTable = Given(fields[6]))
                    ReadAdapterTable(*pTable, fields[6].m_place);
                CheckTableAgreement(top);
            }
        }
        if (m_bFault) {
            error = std::move(m_error);
            return false;
        }
        snapshot = std::move(m_snapshot);
        return true;
    }

private:
    void Fail(const CPlace& place, std::string strMessage)
    {
        if (!m_bFault)
            m_error = CSnapshotError{JsonShortPath(place.Path()), std::move(strMessage)};
        m_bFault = true;
    }

    void FailType(const CPlace& place, const char* pszExpected, const json& found)
    {
        Fail(place, std::string("expected ") + pszExpected + ", found " + Describe(found));
    }

    // The field's value, or null with "missing" as the fault.
    const json* Given(const CField& field)
    {
        if (!field.m_pValue)
            Fail(field.m_place, "missing");
        return field.m_pValue;
    }

    template <class T, class TRead>
    void ReadList(const json& value, const CPlace& place, std::optional<std::vector<T>>& list, TRead read)
    {
        if (value.is_null())
            return;
        if (!value.is_array())
            return FailType(place, "an array or null", value);
        list.emplace();
        list->reserve(value.size());
        for (size_t i = 0; i < value.size(); ++i) {
            const CPlace element = place.Element(i);
            if (value[i].is_object())
                (this->*read)(value[i], element, list->emplace_back());
            else
                FailType(element, "an object", value[i]);
        }
    }

    bool ReadUInt32(const json& value, const CPlace& place, uint32_t& nValue)
    {
        if (value.is_number_unsigned() && value.get<uint64_t>() <= std::numeric_limits<uint32_t>::max()) {
            nValue = static_cast<uint32_t>(value.get<uint64_t>());
            return true;
        }
        if (!IsInteger(value))
            FailType(place, "an integer", value);
        else
            Fail(place, "expected an integer from 0 to 4294967295, found " + NumberText(value));
        return false;
    }

    // A field the format requires, a string or null.
    std::optional<std::u16string> ReadOptionalText(const CField& field)
    {
        const json* pValue = Given(field);
        if (pValue && pValue->is_string())
            return Utf8ToUtf16(pValue->get_ref<const std::string&>());  // the lexer has refused what is not UTF-8
        if (pValue && !pValue->is_null())
            FailType(field.m_place, "a string or null", *pValue);
        return std::nullopt;
    }

    // A string of two hexadecimal digits per byte, in either letter case, at most nMaxBytes bytes.
    std::optional<std::vector<uint8_t>> ReadHexBytes(const json& value, const CPlace& place, size_t nMaxBytes,
                                                     const char* pszLimit,
                                                     const char* pszExpected = "a string of hexadecimal digits")
    {
        if (!value.is_string()) {
            FailType(place, pszExpected, value);
            return std::nullopt;
        }
        const std::string& strDigits = value.get_ref<const std::string&>();
        for (size_t i = 0; i < strDigits.size(); ++i) {
            if (HexDigitValue(static_cast<unsigned char>(strDigits[i])) < 0) {
                const char ch = strDigits[i];
                const bool bShow = ch >= 0x21 && ch <= 0x7E;
                Fail(place, "character " + std::to_string(i + 1) +
                                (bShow ? std::string(" '") + ch + "'" : std::string()) + " is not a hexadecimal digit");
                return std::nullopt;
            }
        }
        if (strDigits.size() % 2 != 0) {
            Fail(place, "expected two hexadecimal digits per byte, found an odd number of digits (" +
                            std::to_string(strDigits.size()) + ")");
            return std::nullopt;
        }
        const size_t nBytes = strDigits.size() / 2;
        if (nBytes > nMaxBytes) {
            Fail(place, std::to_string(nBytes) + " bytes, more than the " + std::to_string(nMaxBytes) + " " + pszLimit);
            return std::nullopt;
        }
        std::vector<uint8_t> bytes(nBytes);
        for (size_t i = 0; i < nBytes; ++i)
            bytes[i] = static_cast<uint8_t>(HexDigitValue(static_cast<unsigned char>(strDigits[2 * i])) << 4 |
                                            HexDigitValue(static_cast<unsigned char>(strDigits[2 * i + 1])));
        return bytes;
    }

    std::optional<std::vector<uint8_t>> ReadOptionalDriverAnswer(const CField& field)
    {
        const json* pValue = Given(field);
        if (!pValue || pValue->is_null())
            return std::nullopt;
        return ReadHexBytes(*pValue, field.m_place, kSnapshotMaxDriverBytes, "that a driver query can report",
                            "a string of hexadecimal digits or null");
    }

    // A later format may change what the other keys mean, so a fault here comes before all others.
    bool ReadFormat(const CField& field)
    {
        const json* pValue = Given(field);
        if (!pValue)
            return false;
        if (!IsInteger(*pValue)) {
            FailType(field.m_place, "an integer", *pValue);
        } else if (!pValue->is_number_unsigned() || pValue->get<uint64_t>() < uint64_t(kSnapshotOldestFormat) ||
                   pValue->get<uint64_t>() > uint64_t(kSnapshotFormat)) {
            Fail(field.m_place, "unknown format " + NumberText(*pValue) + "; this program reads formats " +
                                    std::to_string(kSnapshotOldestFormat) + " to " + std::to_string(kSnapshotFormat));
        } else {
            m_nFormat = static_cast<int>(pValue->get<uint64_t>());
        }
        return m_nFormat != 0;
    }

    void ReadComponent(const json& value, const CPlace& place, CNetCfgComponentInfo& component)
    {
        const auto fields = FieldsOf(value, place, std::array{"characteristics", "instance_guid", "id"});
        if (const json* pCharacteristics = Given(fields[0]))
            ReadUInt32(*pCharacteristics, fields[0].m_place, component.m_dwCharacteristics);
        if (const json* pGuid = Given(fields[1])) {
            if (!pGuid->is_string())
                FailType(fields[1].m_place, "a string", *pGuid);
            else if (!ParseGuidText(Utf8ToUtf16(pGuid->get_ref<const std::string&>()), component.m_guidInstance))
                Fail(fields[1].m_place, "expected a GUID in braces, like {6B7D3F10-1111-2222-3333-444455556666}");
        }
        component.m_strId = ReadOptionalText(fields[2]);
    }

    void ReadDevice(const json& value, const CPlace& place, CSnapshotDevice& device)
    {
        const auto fields = FieldsOf(value, place, std::array{"instance_id", "resources", "netcfg_instance_id"});
        device.m_strInstanceId = ReadOptionalText(fields[0]);
        if (const json* pTypes = Given(fields[1])) {
            if (!pTypes->is_array())
                FailType(fields[1].m_place, "an array of integers", *pTypes);
            for (size_t i = 0; pTypes->is_array() && i < pTypes->size(); ++i)
                ReadResourceType((*pTypes)[i], fields[1].m_place.Element(i), device.m_resourceTypes);
        }
        const json* pNetCfg = Given(fields[2]);
        if (!pNetCfg || pNetCfg->is_null())
            return;
        // Format 1: a string or null. Format 2 also takes { "data": hex }, the bytes exactly as stored.
        if (pNetCfg->is_string()) {
            device.m_netCfgInstanceIdData = NetCfgInstanceIdDataFromText(Utf8ToUtf16(pNetCfg->get<std::string>()));
            return;
        }
        if (m_nFormat < 2 || !pNetCfg->is_object())
            return FailType(fields[2].m_place, m_nFormat < 2 ? "a string or null" : "a string, null or an object",
                            *pNetCfg);
        const CField data = FieldsOf(*pNetCfg, fields[2].m_place, std::array{"data"})[0];
        if (const json* pData = Given(data)) {
            // Any length: only the file size bounds it, and the pass itself refuses a value longer than its buffer.
            device.m_netCfgInstanceIdData = ReadHexBytes(*pData, data.m_place, std::numeric_limits<size_t>::max(), "");
        }
    }

    // Any integer of 64 bits, signed or unsigned, in format 2; from 0 to 4294967295 in format 1.
    void ReadResourceType(const json& value, const CPlace& place, std::vector<CSnapshotResourceType>& types)
    {
        uint32_t nType = 0;
        if (!IsInteger(value)) {
            FailType(place, "an integer", value);
        } else if (m_nFormat < 2) {
            if (ReadUInt32(value, place, nType))
                types.push_back(nType);
        } else if (value.is_binary()) {
            Fail(place, "expected an integer from -9223372036854775808 to 18446744073709551615, found " +
                            NumberText(value));
        } else if (value.is_number_unsigned()) {
            types.push_back(CSnapshotResourceType::FromUnsigned(value.get<uint64_t>()));
        } else {
            types.push_back(CSnapshotResourceType::FromSigned(value.get<int64_t>()));
        }
    }

    void ReadDrivers(const json& value, const CPlace& place)
    {
        if (!value.is_object())
            return FailType(place, "an object", value);
        // Windows finds a device by its name without regard to letter case, so two keys equal apart from it would be
        // one device with two sets of answers.
        std::unordered_set<std::string_view, CKeyedNoCaseHash, CNoCaseEqual> names;
        names.reserve(value.size());
        for (const auto& [strName, answers] : value.get_ref<const json::object_t&>()) {
            const CPlace driverPlace = place.Member(strName);
            const auto inserted = names.insert(strName);
            if (!inserted.second)
                Fail(driverPlace, "names the same device as " + JsonMemberPath("drivers", *inserted.first) +
                                      ", apart from letter case");
            if (!answers.is_object()) {
                FailType(driverPlace, "an object", answers);
                continue;
            }
            CSnapshotDriver& driver = m_snapshot.m_drivers.emplace_back();
            driver.m_strName = Utf8ToUtf16(strName);
            const auto fields = FieldsOf(answers, driverPlace, std::array{"permanent", "current"});
            driver.m_permanent = ReadOptionalDriverAnswer(fields[0]);
            driver.m_current = ReadOptionalDriverAnswer(fields[1]);
        }
    }

    void ReadAdapter(const json& value, const CPlace& place, CAdapterEntry& entry)
    {
        const auto fields = FieldsOf(value, place, std::array{"name", "description", "friendly_name", "address"});
        entry.m_strName = ReadOptionalText(fields[0]);
        entry.m_strDescription = ReadOptionalText(fields[1]);
        // Written only by programs that know the adapter's own name, so a snapshot without it is as good.
        if (fields[2].m_pValue)
            entry.m_strFriendlyName = ReadOptionalText(fields[2]);
        const json* pAddress = Given(fields[3]);
        if (const auto address = pAddress ? ReadHexBytes(*pAddress, fields[3].m_place, kSnapshotMaxAddressBytes,
                                                         "that an adapter address holds")
                                          : std::nullopt) {
            std::copy(address->begin(), address->end(), entry.m_address);
            entry.m_nAddressLength = static_cast<uint32_t>(address->size());
        }
    }

    void ReadAdapterTable(const json& value, const CPlace& place)
    {
        if (!value.is_object())
            return FailType(place, "an object", value);
        const auto fields = FieldsOf(value, place, std::array{"size_query", "read"});
        uint32_t dwAnswer = 0;
        if (const json* pSize = Given(fields[0]); pSize && ReadUInt32(*pSize, fields[0].m_place, dwAnswer))
            m_snapshot.m_dwTableSizeAnswer = dwAnswer;
        const json* pRead = Given(fields[1]);
        if (pRead && !pRead->is_null() && ReadUInt32(*pRead, fields[1].m_place, dwAnswer))
            m_snapshot.m_dwTableReadAnswer = dwAnswer;
    }

    // "adapter_table" of format 2 must agree with "adapters"; these faults come after every other.
    void CheckTableAgreement(const CPlace& document)
    {
        if (m_bFault || !m_snapshot.m_dwTableSizeAnswer)
            return;
        const CPlace table = document.Member("adapter_table");
        const bool bNoMemory = *m_snapshot.m_dwTableSizeAnswer == kAdapterTableNoMemory;
        const bool bRead = m_snapshot.m_dwTableReadAnswer == kAdapterTableNoError;
        if (bNoMemory && m_snapshot.m_dwTableReadAnswer)
            Fail(table.Member("read"), "expected null: no read follows a size query that had no memory");
        else if (!bNoMemory && !m_snapshot.m_dwTableReadAnswer)
            Fail(table.Member("read"), "expected an integer: a read follows every size query that had memory");
        else if (bRead && !m_snapshot.m_adapters)
            Fail(document.Member("adapters"), "expected an array: the read answered 0 (NO_ERROR)");
        else if (!bRead && m_snapshot.m_adapters)
            Fail(document.Member("adapters"), "expected null: the read did not answer 0 (NO_ERROR)");
    }

    CSnapshot m_snapshot;
    int m_nFormat = 0;
    bool m_bFault = false;
    CSnapshotError m_error;
};

}  // namespace

bool ParseSnapshot(std::string_view text, CSnapshot& snapshot, CSnapshotError& error)
{
    const size_t nZero = text.find('\0');
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        error = CSnapshotError{std::string(), "malformed JSON: the document is empty"};
        return false;
    }
    CJsonTree document;
    CDocumentBuilder builder(document.Get(), nZero == std::string_view::npos ? 0 : nZero + 1);
    if (!json::sax_parse(text.data(), text.data() + text.size(), &builder)) {
        error = builder.GetError();
        return false;
    }
    // The lexer has stopped at a zero byte after the document; the document must be all of the text.
    if (nZero != std::string_view::npos) {
        error = CSnapshotError{std::string(), "malformed JSON: a zero byte after the document, at byte " +
                                                  std::to_string(nZero + 1)};
        return false;
    }
    return CSnapshotReader().Read(document.Get(), snapshot, error);
}
