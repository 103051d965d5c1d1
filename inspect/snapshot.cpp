#include "inspect/snapshot.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_set>
#include <utility>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inspect/json_io.h"
#include "inspect/json_value.h"
#include "inventory/passes.h"

namespace {

using EKind = CJsonValue::EKind;

// Raised inside the reader when the document breaks the format; ParseSnapshot turns it into its result.
struct CFormatFault {
    std::string m_strPath;
    std::string m_strMessage;
};

// The field path of a value being read, as a chain up to the document; its text is made only for a message, so
// that reading costs no text per field.
class CPath {
public:
    CPath() = default;
    CPath(const char* pszKey) : m_key(pszKey) {}  // NOLINT: a member of the document itself
    CPath(const CPath* pParent, std::string_view key, size_t nIndex, bool bIndex)
        : m_pParent(pParent), m_key(key), m_nIndex(nIndex), m_bIndex(bIndex)
    {
    }

    std::string Text() const
    {
        const std::string strParent = m_pParent ? m_pParent->Text() : std::string();
        if (m_bIndex)
            return JsonElementPath(strParent, m_nIndex);
        return m_key.empty() ? strParent : JsonMemberPath(strParent, m_key);
    }

private:
    const CPath* m_pParent = nullptr;
    std::string_view m_key;
    size_t m_nIndex = 0;
    bool m_bIndex = false;
};

// A child path refers to its parent, which must outlive it.
CPath MemberPath(const CPath& parent, std::string_view key) { return CPath(&parent, key, 0, false); }

CPath ElementPath(const CPath& parent, size_t nIndex) { return CPath(&parent, std::string_view(), nIndex, true); }

[[noreturn]] void Fail(const CPath& path, std::string strMessage)
{
    throw CFormatFault{path.Text(), std::move(strMessage)};
}

// An integer as the document has it, for messages: its text.
std::string IntegerText(CJsonValue value) { return std::string(value.GetText()); }

// What a value is, for the messages: "expected an integer, found a string".
std::string Describe(CJsonValue value)
{
    switch (value.GetKind()) {
    case EKind::Null:
        return "null";
    case EKind::Boolean:
        return value.GetBoolean() ? "true" : "false";
    case EKind::String:
        return "a string";
    case EKind::Array:
        return "an array";
    case EKind::Object:
        return "an object";
    case EKind::Number:
        return "the number " + std::string(value.GetText());
    case EKind::Integer:
        return "the integer " + IntegerText(value);
    }
    return "a value of another kind";
}

[[noreturn]] void FailType(const CPath& strPath, const char* pszExpected, CJsonValue found)
{
    Fail(strPath, std::string("expected ") + pszExpected + ", found " + Describe(found));
}

CJsonValue Member(CJsonValue object, const CPath& strPath, const char* pszKey)
{
    CJsonValue value = object;
    if (!object.Find(pszKey, value))
        Fail(MemberPath(strPath, pszKey), "missing");
    return value;
}

CJsonValue ObjectAt(CJsonValue value, const CPath& strPath)
{
    if (!value.IsObject())
        FailType(strPath, "an object", value);
    return value;
}

uint32_t ReadUInt32(CJsonValue value, const CPath& strPath)
{
    if (!value.IsInteger())
        FailType(strPath, "an integer", value);
    // -0 is 0 here as in the resource types of format 2: the integer has no sign of zero.
    if ((!value.IsNegative() || value.GetMagnitude() == 0) && !value.IsBeyond64Bits() &&
        value.GetMagnitude() <= std::numeric_limits<uint32_t>::max())
        return static_cast<uint32_t>(value.GetMagnitude());
    Fail(strPath, "expected an integer from 0 to 4294967295, found " + IntegerText(value));
}

std::u16string ReadText(CJsonValue value, const CPath& strPath)
{
    if (!value.IsString())
        FailType(strPath, "a string", value);
    // The parser has already refused text that is not UTF-8.
    return Utf8ToUtf16(value.GetText());
}

std::optional<std::u16string> ReadOptionalText(CJsonValue value, const CPath& strPath)
{
    if (value.IsNull())
        return std::nullopt;
    if (!value.IsString())
        FailType(strPath, "a string or null", value);
    return Utf8ToUtf16(value.GetText());
}

// Two hexadecimal digits per byte, in either letter case, at most nMaxBytes bytes.
std::vector<uint8_t> ReadHexBytes(CJsonValue value, const CPath& strPath, size_t nMaxBytes,
                                  const char* pszLimit)
{
    if (!value.IsString())
        FailType(strPath, "a string of hexadecimal digits", value);
    const std::string_view strDigits = value.GetText();
    for (size_t i = 0; i < strDigits.size(); ++i) {
        if (HexDigitValue(strDigits[i]) < 0) {
            const char ch = strDigits[i];
            const bool bShow = ch >= 0x21 && ch <= 0x7E;
            Fail(strPath, "character " + std::to_string(i + 1) +
                              (bShow ? std::string(" '") + ch + "'" : std::string()) +
                              " is not a hexadecimal digit");
        }
    }
    if (strDigits.size() % 2 != 0)
        Fail(strPath, "expected two hexadecimal digits per byte, found an odd number of digits (" +
                          std::to_string(strDigits.size()) + ")");
    const size_t nBytes = strDigits.size() / 2;
    if (nBytes > nMaxBytes)
        Fail(strPath, std::to_string(nBytes) + " bytes, more than the " + std::to_string(nMaxBytes) + " " +
                          pszLimit);
    std::vector<uint8_t> bytes(nBytes);
    for (size_t i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<uint8_t>(HexDigitValue(strDigits[2 * i]) << 4 | HexDigitValue(strDigits[2 * i + 1]));
    return bytes;
}

std::optional<std::vector<uint8_t>> ReadOptionalDriverAnswer(CJsonValue value, const CPath& strPath)
{
    if (value.IsNull())
        return std::nullopt;
    if (!value.IsString())
        FailType(strPath, "a string of hexadecimal digits or null", value);
    return ReadHexBytes(value, strPath, kSnapshotMaxDriverBytes, "that a driver query can report");
}

CNetCfgComponentInfo ReadComponent(CJsonValue value, const CPath& strPath, int)
{
    ObjectAt(value, strPath);
    CNetCfgComponentInfo component;
    component.m_dwCharacteristics = ReadUInt32(Member(value, strPath, "characteristics"),
                                               MemberPath(strPath, "characteristics"));
    const CPath strGuidPath = MemberPath(strPath, "instance_guid");
    const std::u16string strGuid = ReadText(Member(value, strPath, "instance_guid"), strGuidPath);
    if (!ParseGuidText(strGuid, component.m_guidInstance))
        Fail(strGuidPath, "expected a GUID in braces, like {6B7D3F10-1111-2222-3333-444455556666}");
    component.m_strId = ReadOptionalText(Member(value, strPath, "id"), MemberPath(strPath, "id"));
    return component;
}

// Any integer of 64 bits, signed or unsigned (format 2).
CSnapshotResourceType ReadResourceType(CJsonValue value, const CPath& strPath)
{
    if (!value.IsInteger())
        FailType(strPath, "an integer", value);
    if (value.IsBeyond64Bits())
        Fail(strPath, "expected an integer from -9223372036854775808 to 18446744073709551615, found " +
                          IntegerText(value));
    if (!value.IsNegative() || value.GetMagnitude() == 0)
        return CSnapshotResourceType::FromUnsigned(value.GetMagnitude());
    // -2^63 has no positive counterpart in int64_t; the unsigned negation gives its bits all the same.
    return CSnapshotResourceType::FromSigned(static_cast<int64_t>(0 - value.GetMagnitude()));
}

// Format 1: a string or null. Format 2 also takes { "data": hex }, the bytes exactly as stored.
std::optional<std::vector<uint8_t>> ReadNetCfgInstanceId(CJsonValue value, const CPath& strPath,
                                                         int nFormat)
{
    if (nFormat >= 2 && value.IsObject()) {
        const CPath strDataPath = MemberPath(strPath, "data");
        CJsonValue data = Member(value, strPath, "data");
        if (!data.IsString())
            FailType(strDataPath, "a string of hexadecimal digits", data);
        // Any length: only the file size bounds it, and the pass itself refuses a value longer than its buffer.
        return ReadHexBytes(data, strDataPath, std::numeric_limits<size_t>::max(), "");
    }
    if (!value.IsNull() && !value.IsString())
        FailType(strPath, nFormat >= 2 ? "a string, null or an object" : "a string or null", value);
    const std::optional<std::u16string> strText = ReadOptionalText(value, strPath);
    if (!strText)
        return std::nullopt;
    return NetCfgInstanceIdDataFromText(*strText);
}

CSnapshotDevice ReadDevice(CJsonValue value, const CPath& strPath, int nFormat)
{
    ObjectAt(value, strPath);
    CSnapshotDevice device;
    device.m_strInstanceId = ReadOptionalText(Member(value, strPath, "instance_id"),
                                              MemberPath(strPath, "instance_id"));
    const CPath strResourcesPath = MemberPath(strPath, "resources");
    CJsonValue resources = Member(value, strPath, "resources");
    if (!resources.IsArray())
        FailType(strResourcesPath, "an array of integers", resources);
    const size_t nTypes = resources.GetSize();
    device.m_resourceTypes.reserve(nTypes);
    for (size_t i = 0; i < nTypes; ++i) {
        const CJsonValue type = resources.GetElement(i);
        if (nFormat >= 2)
            device.m_resourceTypes.push_back(ReadResourceType(type, ElementPath(strResourcesPath, i)));
        else
            device.m_resourceTypes.push_back(ReadUInt32(type, ElementPath(strResourcesPath, i)));
    }
    device.m_netCfgInstanceIdData = ReadNetCfgInstanceId(Member(value, strPath, "netcfg_instance_id"),
                                                         MemberPath(strPath, "netcfg_instance_id"), nFormat);
    return device;
}

CAdapterEntry ReadAdapter(CJsonValue value, const CPath& strPath, int)
{
    ObjectAt(value, strPath);
    CAdapterEntry entry;
    entry.m_strName = ReadOptionalText(Member(value, strPath, "name"), MemberPath(strPath, "name"));
    entry.m_strDescription = ReadOptionalText(Member(value, strPath, "description"),
                                              MemberPath(strPath, "description"));
    // Written only by programs that know the adapter's own name, so a snapshot without it is as good.
    CJsonValue friendlyName = value;
    if (value.Find("friendly_name", friendlyName))
        entry.m_strFriendlyName = ReadOptionalText(friendlyName, MemberPath(strPath, "friendly_name"));
    const std::vector<uint8_t> address = ReadHexBytes(Member(value, strPath, "address"),
                                                      MemberPath(strPath, "address"), kSnapshotMaxAddressBytes,
                                                      "that an adapter address holds");
    const size_t nLength = std::min(address.size(), sizeof(entry.m_address));
    std::copy_n(address.begin(), nLength, entry.m_address);
    entry.m_nAddressLength = static_cast<uint32_t>(nLength);
    return entry;
}

// A member that is null or an array whose elements each read with readElement.
template <class TElement>
std::optional<std::vector<TElement>> ReadOptionalList(CJsonValue document, const char* pszKey, int nFormat,
                                                      TElement (*readElement)(CJsonValue, const CPath&,
                                                                              int))
{
    CJsonValue value = Member(document, CPath(), pszKey);
    if (value.IsNull())
        return std::nullopt;
    if (!value.IsArray())
        FailType(pszKey, "an array or null", value);
    const size_t nSize = value.GetSize();
    std::vector<TElement> elements;
    elements.reserve(nSize);
    const CPath listPath = pszKey;
    for (size_t i = 0; i < nSize; ++i)
        elements.push_back(readElement(value.GetElement(i), ElementPath(listPath, i), nFormat));
    return elements;
}

// Compares UTF-8 texts with the letters A to Z folded, as device names are told apart: no other character changes,
// so this is the UTF-16 comparison without regard to letter case. CKeyedNoCaseHash folds the same letters.
struct CNoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            const char chA = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
            const char chB = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
            if (chA != chB)
                return false;
        }
        return true;
    }
};

// The driver keys, each naming a device. Windows finds a device by its name without regard to letter case, so two
// keys equal apart from it would be one device with two sets of answers.
std::vector<CSnapshotDriver> ReadDrivers(CJsonValue document)
{
    CJsonValue drivers = Member(document, CPath(), "drivers");
    if (!drivers.IsObject())
        FailType("drivers", "an object", drivers);
    const CPath driversPath = "drivers";
    const size_t nSize = drivers.GetSize();
    std::vector<CSnapshotDriver> result;
    result.reserve(nSize);
    // Each key, by its place; the keys are views of the document, which outlives the set.
    std::unordered_map<std::string_view, size_t, CKeyedNoCaseHash, CNoCaseEqual> seen;
    seen.reserve(nSize);
    for (size_t i = 0; i < nSize; ++i) {
        const std::string_view key = drivers.GetKey(i);
        const CPath strPath = MemberPath(driversPath, key);
        const auto [it, bNew] = seen.emplace(key, i);
        if (!bNew)
            Fail(strPath, "names the same device as " + MemberPath(driversPath, drivers.GetKey(it->second)).Text() +
                              ", apart from letter case");
        CSnapshotDriver driver;
        driver.m_strName = Utf8ToUtf16(key);
        const CJsonValue value = ObjectAt(drivers.GetElement(i), strPath);
        driver.m_permanent = ReadOptionalDriverAnswer(Member(value, strPath, "permanent"),
                                                      MemberPath(strPath, "permanent"));
        driver.m_current = ReadOptionalDriverAnswer(Member(value, strPath, "current"),
                                                    MemberPath(strPath, "current"));
        result.push_back(std::move(driver));
    }
    return result;
}

// "adapter_table" of format 2: the answers of the size query and of the read, which must agree with "adapters".
void ReadTableAnswers(CJsonValue document, CSnapshot& snapshot)
{
    const CPath strPath = "adapter_table";
    CJsonValue table = ObjectAt(Member(document, CPath(), "adapter_table"), strPath);
    snapshot.m_dwTableSizeAnswer = ReadUInt32(Member(table, strPath, "size_query"), MemberPath(strPath, "size_query"));
    const CPath strReadPath = MemberPath(strPath, "read");
    CJsonValue read = Member(table, strPath, "read");
    if (!read.IsNull())
        snapshot.m_dwTableReadAnswer = ReadUInt32(read, strReadPath);

    if (*snapshot.m_dwTableSizeAnswer == kAdapterTableNoMemory && snapshot.m_dwTableReadAnswer)
        Fail(strReadPath, "expected null: no read follows a size query that had no memory");
    if (*snapshot.m_dwTableSizeAnswer != kAdapterTableNoMemory && !snapshot.m_dwTableReadAnswer)
        Fail(strReadPath, "expected an integer: a read follows every size query that had memory");
    const bool bRead = snapshot.m_dwTableReadAnswer == kAdapterTableNoError;
    if (bRead && !snapshot.m_adapters)
        Fail("adapters", "expected an array: the read answered 0 (NO_ERROR)");
    if (!bRead && snapshot.m_adapters)
        Fail("adapters", "expected null: the read did not answer 0 (NO_ERROR)");
}

CSnapshot ReadDocument(CJsonValue document)
{
    if (!document.IsObject())
        FailType(CPath(), "an object at the top level", document);

    // The format number comes first: a later format may change what the other keys mean.
    CJsonValue format = Member(document, CPath(), "format");
    if (!format.IsInteger())
        FailType("format", "an integer", format);
    const bool bKnown = !format.IsNegative() && !format.IsBeyond64Bits() &&
                        format.GetMagnitude() >= static_cast<uint64_t>(kSnapshotOldestFormat) &&
                        format.GetMagnitude() <= static_cast<uint64_t>(kSnapshotFormat);
    if (!bKnown)
        Fail("format", "unknown format " + IntegerText(format) + "; this program reads formats " +
                           std::to_string(kSnapshotOldestFormat) + " to " + std::to_string(kSnapshotFormat));
    const int nFormat = static_cast<int>(format.GetMagnitude());

    CSnapshot snapshot;
    snapshot.m_strComputerName = ReadText(Member(document, CPath(), "computer_name"), "computer_name");
    snapshot.m_components = ReadOptionalList<CNetCfgComponentInfo>(document, "components", nFormat, ReadComponent);
    snapshot.m_devices = ReadOptionalList<CSnapshotDevice>(document, "devices", nFormat, ReadDevice);
    snapshot.m_drivers = ReadDrivers(document);
    snapshot.m_adapters = ReadOptionalList<CAdapterEntry>(document, "adapters", nFormat, ReadAdapter);
    if (nFormat >= 2)
        ReadTableAnswers(document, snapshot);
    return snapshot;
}

std::string HexText(const uint8_t* pBytes, size_t nCount)
{
    std::string text;
    text.reserve(2 * nCount);
    for (size_t i = 0; i < nCount; ++i)
        AppendHexByte(text, pBytes[i]);
    return text;
}

// A text, or null.
json OptionalText(const std::optional<std::u16string>& text)
{
    return text ? json(Utf16ToUtf8(*text)) : json(nullptr);
}

// Bytes as hexadecimal digits, or null.
json OptionalHex(const std::optional<std::vector<uint8_t>>& bytes)
{
    return bytes ? json(HexText(bytes->data(), bytes->size())) : json(nullptr);
}

// A string when the data is a text stored as a registry string, else the bytes themselves.
void NetCfgInstanceIdToJson(json& value, const std::optional<std::vector<uint8_t>>& data)
{
    if (!data) {
        value = nullptr;
    } else if (const std::optional<std::u16string> strText = NetCfgInstanceIdTextFromData(*data)) {
        value = Utf16ToUtf8(*strText);
    } else {
        value = json::object();
        value["data"] = HexText(data->data(), data->size());
    }
}

}  // namespace

bool ParseSnapshot(std::string_view text, CSnapshot& snapshot, CSnapshotError& error)
{
    CJsonDocument document;
    CJsonError jsonError;
    if (!ParseJson(text, kSnapshotMaxNesting, document, jsonError)) {
        error = CSnapshotError{std::move(jsonError.m_strPath), std::move(jsonError.m_strMessage)};
        return false;
    }
    try {
        snapshot = ReadDocument(document.GetRoot());
        return true;
    } catch (const CFormatFault& fault) {
        error = CSnapshotError{JsonShortPath(fault.m_strPath), fault.m_strMessage};
    }
    return false;
}

void to_json(json& value, const CNetCfgComponentInfo& component)
{
    value = json::object();
    value["characteristics"] = component.m_dwCharacteristics;
    value["instance_guid"] = Utf16ToUtf8(AsciiUpperCopy(FormatGuidText(component.m_guidInstance)));
    value["id"] = OptionalText(component.m_strId);
}

void to_json(json& value, const CSnapshotResourceType& type)
{
    if (type.IsNegative())
        value = type.GetSigned();
    else
        value = type.GetUnsigned();
}

void to_json(json& value, const CSnapshotDevice& device)
{
    value = json::object();
    value["instance_id"] = OptionalText(device.m_strInstanceId);
    ListToJson(value["resources"], device.m_resourceTypes);
    NetCfgInstanceIdToJson(value["netcfg_instance_id"], device.m_netCfgInstanceIdData);
}

void to_json(json& value, const CAdapterEntry& adapter)
{
    value = json::object();
    value["name"] = OptionalText(adapter.m_strName);
    value["description"] = OptionalText(adapter.m_strDescription);
    if (adapter.m_strFriendlyName)
        value["friendly_name"] = Utf16ToUtf8(*adapter.m_strFriendlyName);
    const size_t nLength = std::min<size_t>(adapter.m_nAddressLength, kSnapshotMaxAddressBytes);
    value["address"] = HexText(adapter.m_address, nLength);
}

void to_json(json& value, const CSnapshot& snapshot)
{
    value = json::object();
    value["format"] = kSnapshotFormat;
    value["computer_name"] = Utf16ToUtf8(snapshot.m_strComputerName);
    ListToJson(value["components"], snapshot.m_components);
    ListToJson(value["devices"], snapshot.m_devices);
    // Appended to the object's list of members as they come: a lookup of each name would take time in proportion to
    // the members before it, and the snapshot's names are distinct already.
    json& drivers = value["drivers"];
    drivers = json::object();
    auto& members = drivers.get_ref<json::object_t&>();
    members.reserve(snapshot.m_drivers.size());
    for (const CSnapshotDriver& driver : snapshot.m_drivers) {
        json& entry = members.emplace_back(Utf16ToUtf8(driver.m_strName), json::object()).second;
        entry["permanent"] = OptionalHex(driver.m_permanent);
        entry["current"] = OptionalHex(driver.m_current);
    }
    ListToJson(value["adapters"], snapshot.m_adapters);

    // A snapshot made in memory without the answers says what a replay of it answers.
    const uint32_t dwSizeAnswer = snapshot.m_dwTableSizeAnswer.value_or(kAdapterTableBufferOverflow);
    json& table = value["adapter_table"];
    table = json::object();
    table["size_query"] = dwSizeAnswer;
    table["read"] = dwSizeAnswer == kAdapterTableNoMemory ? json(nullptr) : json(ReplayTableReadAnswer(snapshot));
}

std::string SerializeSnapshot(const CSnapshot& snapshot)
{
    CJsonTree document;
    to_json(document.Get(), snapshot);
    return DumpJson(document.Get());
}

std::vector<uint8_t> NetCfgInstanceIdDataFromText(std::u16string_view text)
{
    return RegistryStringData(text);
}

std::optional<std::u16string> NetCfgInstanceIdTextFromData(const std::vector<uint8_t>& data)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != 0 || data[data.size() - 1] != 0)
        return std::nullopt;
    std::u16string text;
    const size_t nUnits = data.size() / 2 - 1;
    text.reserve(nUnits);
    for (size_t i = 0; i < nUnits; ++i)
        text.push_back(static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)));
    if (Utf8ToUtf16(Utf16ToUtf8(text)) != text)
        return std::nullopt;  // an unpaired surrogate
    return text;
}

CSnapshotResourceType CSnapshotResourceType::FromSigned(int64_t nValue)
{
    CSnapshotResourceType type;
    type.m_bNegative = nValue < 0;
    type.m_nBits = static_cast<uint64_t>(nValue);
    return type;
}

CSnapshotResourceType CSnapshotResourceType::FromUnsigned(uint64_t nValue)
{
    CSnapshotResourceType type;
    type.m_nBits = nValue;
    return type;
}

std::optional<uint32_t> CSnapshotResourceType::AsType() const
{
    if (m_bNegative || m_nBits > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    return static_cast<uint32_t>(m_nBits);
}

std::u16string CSnapshotDevice::GetNetCfgInstanceIdText() const
{
    return NetCfgInstanceIdText(m_netCfgInstanceIdData);
}

uint32_t ReplayTableReadAnswer(const CSnapshot& snapshot)
{
    if (snapshot.m_adapters)
        return kAdapterTableNoError;
    const uint32_t dwAnswer = snapshot.m_dwTableReadAnswer.value_or(kReplayTableReadFailure);
    return dwAnswer == kAdapterTableNoError ? kReplayTableReadFailure : dwAnswer;
}
