#include "inspect/snapshot.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "inventory/passes.h"

namespace {

// Objects keep their keys in document order, so that a snapshot is written in the order of the format and a fault
// is reported at the first offending key as the reader meets it.
using json = nlohmann::ordered_json;

// Raised inside the reader when the document breaks the format; ParseSnapshot turns it into its result.
struct CFormatFault {
    std::string m_strPath;
    std::string m_strMessage;
};

[[noreturn]] void Fail(std::string strPath, std::string strMessage)
{
    throw CFormatFault{std::move(strPath), std::move(strMessage)};
}

std::string MemberPath(const std::string& strParent, const std::string& strKey)
{
    return strParent.empty() ? strKey : strParent + "." + strKey;
}

std::string ElementPath(const std::string& strParent, size_t nIndex)
{
    return strParent + "[" + std::to_string(nIndex) + "]";
}

// What a value is, for the messages: "expected an integer, found a string".
std::string Describe(const json& value)
{
    switch (value.type()) {
    case json::value_t::null:
        return "null";
    case json::value_t::boolean:
        return value.get<bool>() ? "true" : "false";
    case json::value_t::string:
        return "a string";
    case json::value_t::array:
        return "an array";
    case json::value_t::object:
        return "an object";
    case json::value_t::number_float:
        return "the number " + value.dump();
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
        return "the integer " + value.dump();
    default:
        return "a value of another kind";
    }
}

[[noreturn]] void FailType(const std::string& strPath, const char* pszExpected, const json& found)
{
    Fail(strPath, std::string("expected ") + pszExpected + ", found " + Describe(found));
}

// Follows the parser through the document so that a syntax error can name the field it broke off in, and refuses
// a key given twice in one object (the library would silently keep the last of them).
class CPathTracker {
public:
    bool OnEvent(json::parse_event_t event, const json& parsed)
    {
        switch (event) {
        case json::parse_event_t::object_start:
            m_frames.emplace_back(true);
            break;
        case json::parse_event_t::array_start:
            m_frames.emplace_back(false);
            break;
        case json::parse_event_t::key: {
            CFrame& frame = m_frames.back();
            frame.m_strKey = parsed.get<std::string>();
            if (!frame.m_keys.insert(frame.m_strKey).second)
                Fail(GetPath(), "the key is given twice in one object");
            break;
        }
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            m_frames.pop_back();
            ChildDone();
            break;
        case json::parse_event_t::value:
            ChildDone();
            break;
        }
        return true;
    }

    // The path of the value being read: "devices[1].resources[2]".
    std::string GetPath() const
    {
        std::string strPath;
        for (const CFrame& frame : m_frames) {
            if (!frame.m_bObject)
                strPath = ElementPath(strPath, frame.m_nIndex);
            else if (!frame.m_strKey.empty())
                strPath = MemberPath(strPath, frame.m_strKey);
        }
        return strPath;
    }

private:
    struct CFrame {
        explicit CFrame(bool bObject) : m_bObject(bObject) {}

        bool m_bObject = false;
        std::string m_strKey;  // the key whose value is being read; empty between two members
        size_t m_nIndex = 0;   // the element being read
        std::set<std::string> m_keys;
    };

    void ChildDone()
    {
        if (m_frames.empty())
            return;
        CFrame& frame = m_frames.back();
        if (frame.m_bObject)
            frame.m_strKey.clear();
        else
            ++frame.m_nIndex;
    }

    std::vector<CFrame> m_frames;
};

const json& Member(const json& object, const std::string& strPath, const char* pszKey)
{
    const auto it = object.find(pszKey);
    if (it == object.end())
        Fail(MemberPath(strPath, pszKey), "missing");
    return *it;
}

const json& ObjectAt(const json& value, const std::string& strPath)
{
    if (!value.is_object())
        FailType(strPath, "an object", value);
    return value;
}

uint32_t ReadUInt32(const json& value, const std::string& strPath)
{
    if (!value.is_number_integer())
        FailType(strPath, "an integer", value);
    // Non-negative integers are kept unsigned by the library, negative ones signed.
    if (value.is_number_unsigned()) {
        const auto n = value.get<uint64_t>();
        if (n <= std::numeric_limits<uint32_t>::max())
            return static_cast<uint32_t>(n);
    }
    Fail(strPath, "expected an integer from 0 to 4294967295, found " + value.dump());
}

std::u16string ReadText(const json& value, const std::string& strPath)
{
    if (!value.is_string())
        FailType(strPath, "a string", value);
    // The parser has already refused text that is not UTF-8.
    return Utf8ToUtf16(value.get_ref<const std::string&>());
}

std::optional<std::u16string> ReadOptionalText(const json& value, const std::string& strPath)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_string())
        FailType(strPath, "a string or null", value);
    return Utf8ToUtf16(value.get_ref<const std::string&>());
}

// Two hexadecimal digits per byte, in either letter case, at most nMaxBytes bytes.
std::vector<uint8_t> ReadHexBytes(const json& value, const std::string& strPath, size_t nMaxBytes,
                                  const char* pszLimit)
{
    if (!value.is_string())
        FailType(strPath, "a string of hexadecimal digits", value);
    const std::string& strDigits = value.get_ref<const std::string&>();
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

std::optional<std::vector<uint8_t>> ReadOptionalDriverAnswer(const json& value, const std::string& strPath)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_string())
        FailType(strPath, "a string of hexadecimal digits or null", value);
    return ReadHexBytes(value, strPath, kSnapshotMaxDriverBytes, "that a driver query can report");
}

CNetCfgComponentInfo ReadComponent(const json& value, const std::string& strPath)
{
    ObjectAt(value, strPath);
    CNetCfgComponentInfo component;
    component.m_dwCharacteristics = ReadUInt32(Member(value, strPath, "characteristics"),
                                               MemberPath(strPath, "characteristics"));
    const std::string strGuidPath = MemberPath(strPath, "instance_guid");
    const std::u16string strGuid = ReadText(Member(value, strPath, "instance_guid"), strGuidPath);
    if (!ParseGuidText(strGuid, component.m_guidInstance))
        Fail(strGuidPath, "expected a GUID in braces, like {6B7D3F10-1111-2222-3333-444455556666}");
    component.m_strId = ReadOptionalText(Member(value, strPath, "id"), MemberPath(strPath, "id"));
    return component;
}

CSnapshotDevice ReadDevice(const json& value, const std::string& strPath)
{
    ObjectAt(value, strPath);
    CSnapshotDevice device;
    device.m_strInstanceId = ReadOptionalText(Member(value, strPath, "instance_id"),
                                              MemberPath(strPath, "instance_id"));
    const std::string strResourcesPath = MemberPath(strPath, "resources");
    const json& resources = Member(value, strPath, "resources");
    if (!resources.is_array())
        FailType(strResourcesPath, "an array of integers", resources);
    for (size_t i = 0; i < resources.size(); ++i)
        device.m_resourceTypes.push_back(ReadUInt32(resources[i], ElementPath(strResourcesPath, i)));
    device.m_strNetCfgInstanceId = ReadOptionalText(Member(value, strPath, "netcfg_instance_id"),
                                                    MemberPath(strPath, "netcfg_instance_id"));
    return device;
}

CAdapterEntry ReadAdapter(const json& value, const std::string& strPath)
{
    ObjectAt(value, strPath);
    CAdapterEntry entry;
    entry.m_strName = ReadOptionalText(Member(value, strPath, "name"), MemberPath(strPath, "name"));
    entry.m_strDescription = ReadOptionalText(Member(value, strPath, "description"),
                                              MemberPath(strPath, "description"));
    // Written only by programs that know the adapter's own name, so a snapshot without it is as good.
    if (value.contains("friendly_name"))
        entry.m_strFriendlyName = ReadOptionalText(value.at("friendly_name"), MemberPath(strPath, "friendly_name"));
    const std::vector<uint8_t> address = ReadHexBytes(Member(value, strPath, "address"),
                                                      MemberPath(strPath, "address"), kSnapshotMaxAddressBytes,
                                                      "that an adapter address holds");
    const size_t nLength = std::min(address.size(), sizeof(entry.m_address));
    std::copy_n(address.begin(), nLength, entry.m_address);
    entry.m_nAddressLength = static_cast<uint32_t>(nLength);
    return entry;
}

// A member that is null or an array whose elements each read with readElement.
template <class TElement, class FRead>
std::optional<std::vector<TElement>> ReadOptionalList(const json& document, const char* pszKey, FRead readElement)
{
    const json& value = Member(document, std::string(), pszKey);
    if (value.is_null())
        return std::nullopt;
    if (!value.is_array())
        FailType(pszKey, "an array or null", value);
    std::vector<TElement> elements;
    elements.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i)
        elements.push_back(readElement(value[i], ElementPath(pszKey, i)));
    return elements;
}

CSnapshot ReadDocument(const json& document)
{
    if (!document.is_object())
        FailType(std::string(), "an object at the top level", document);

    // The format number comes first: a later format may change what the other keys mean.
    const json& format = Member(document, std::string(), "format");
    if (!format.is_number_integer())
        FailType("format", "an integer", format);
    if (!format.is_number_unsigned() || format.get<uint64_t>() != static_cast<uint64_t>(kSnapshotFormat))
        Fail("format", "unknown format " + format.dump() + "; this program reads format " +
                           std::to_string(kSnapshotFormat));

    CSnapshot snapshot;
    snapshot.m_strComputerName = ReadText(Member(document, std::string(), "computer_name"), "computer_name");
    snapshot.m_components = ReadOptionalList<CNetCfgComponentInfo>(document, "components", ReadComponent);
    snapshot.m_devices = ReadOptionalList<CSnapshotDevice>(document, "devices", ReadDevice);

    const json& drivers = Member(document, std::string(), "drivers");
    if (!drivers.is_object())
        FailType("drivers", "an object", drivers);
    for (const auto& [strKey, value] : drivers.items()) {
        const std::string strPath = MemberPath("drivers", strKey);
        CSnapshotDriver driver;
        driver.m_strName = Utf8ToUtf16(strKey);
        // Windows finds a device by its name without regard to letter case, so two such keys would be one device
        // with two sets of answers.
        for (const CSnapshotDriver& other : snapshot.m_drivers) {
            if (EqualsNoCase(other.m_strName, driver.m_strName))
                Fail(strPath, "names the same device as drivers." + Utf16ToUtf8(other.m_strName) +
                                  " (device names do not depend on letter case)");
        }
        ObjectAt(value, strPath);
        driver.m_permanent = ReadOptionalDriverAnswer(Member(value, strPath, "permanent"),
                                                      MemberPath(strPath, "permanent"));
        driver.m_current = ReadOptionalDriverAnswer(Member(value, strPath, "current"),
                                                    MemberPath(strPath, "current"));
        snapshot.m_drivers.push_back(std::move(driver));
    }

    snapshot.m_adapters = ReadOptionalList<CAdapterEntry>(document, "adapters", ReadAdapter);
    return snapshot;
}

// The parser's message without its "[json.exception.parse_error.101] " prefix.
std::string ParserMessage(const char* pszWhat)
{
    std::string strMessage(pszWhat);
    const size_t nEnd = strMessage.find("] ");
    if (!strMessage.empty() && strMessage[0] == '[' && nEnd != std::string::npos)
        strMessage.erase(0, nEnd + 2);
    return strMessage;
}

std::string HexText(const uint8_t* pBytes, size_t nCount)
{
    std::string text;
    text.reserve(2 * nCount);
    for (size_t i = 0; i < nCount; ++i)
        AppendHexByte(text, pBytes[i]);
    return text;
}

json OptionalText(const std::optional<std::u16string>& text)
{
    return text ? json(Utf16ToUtf8(*text)) : json(nullptr);
}

json OptionalHex(const std::optional<std::vector<uint8_t>>& bytes)
{
    return bytes ? json(HexText(bytes->data(), bytes->size())) : json(nullptr);
}

}  // namespace

bool ParseSnapshot(std::string_view text, CSnapshot& snapshot, CSnapshotError& error)
{
    CPathTracker tracker;
    try {
        const json document = json::parse(
            text.begin(), text.end(),
            [&tracker](int, json::parse_event_t event, json& parsed) { return tracker.OnEvent(event, parsed); });
        snapshot = ReadDocument(document);
        return true;
    } catch (const CFormatFault& fault) {
        error = CSnapshotError{fault.m_strPath, fault.m_strMessage};
    } catch (const json::exception& e) {
        // A syntax error, and equally a number too large for any type (1e400), which the library reports apart.
        error = CSnapshotError{tracker.GetPath(), "malformed JSON: " + ParserMessage(e.what())};
    }
    return false;
}

std::string SerializeSnapshot(const CSnapshot& snapshot)
{
    json document = json::object();
    document["format"] = kSnapshotFormat;
    document["computer_name"] = Utf16ToUtf8(snapshot.m_strComputerName);

    if (snapshot.m_components) {
        json components = json::array();
        for (const CNetCfgComponentInfo& component : *snapshot.m_components) {
            json entry = json::object();
            entry["characteristics"] = component.m_dwCharacteristics;
            entry["instance_guid"] = Utf16ToUtf8(AsciiUpperCopy(FormatGuidText(component.m_guidInstance)));
            entry["id"] = OptionalText(component.m_strId);
            components.push_back(std::move(entry));
        }
        document["components"] = std::move(components);
    } else {
        document["components"] = nullptr;
    }

    if (snapshot.m_devices) {
        json devices = json::array();
        for (const CSnapshotDevice& device : *snapshot.m_devices) {
            json entry = json::object();
            entry["instance_id"] = OptionalText(device.m_strInstanceId);
            entry["resources"] = device.m_resourceTypes;
            entry["netcfg_instance_id"] = OptionalText(device.m_strNetCfgInstanceId);
            devices.push_back(std::move(entry));
        }
        document["devices"] = std::move(devices);
    } else {
        document["devices"] = nullptr;
    }

    json drivers = json::object();
    for (const CSnapshotDriver& driver : snapshot.m_drivers) {
        json entry = json::object();
        entry["permanent"] = OptionalHex(driver.m_permanent);
        entry["current"] = OptionalHex(driver.m_current);
        drivers[Utf16ToUtf8(driver.m_strName)] = std::move(entry);
    }
    document["drivers"] = std::move(drivers);

    if (snapshot.m_adapters) {
        json adapters = json::array();
        for (const CAdapterEntry& adapter : *snapshot.m_adapters) {
            json entry = json::object();
            entry["name"] = OptionalText(adapter.m_strName);
            entry["description"] = OptionalText(adapter.m_strDescription);
            if (adapter.m_strFriendlyName)
                entry["friendly_name"] = OptionalText(adapter.m_strFriendlyName);
            const size_t nLength = std::min<size_t>(adapter.m_nAddressLength, kSnapshotMaxAddressBytes);
            entry["address"] = HexText(adapter.m_address, nLength);
            adapters.push_back(std::move(entry));
        }
        document["adapters"] = std::move(adapters);
    } else {
        document["adapters"] = nullptr;
    }

    // Utf16ToUtf8 never yields malformed UTF-8; the replacing handler only makes sure no text can throw here.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::vector<uint8_t> NetCfgInstanceIdDataFromText(std::u16string_view text)
{
    return RegistryStringData(text);
}

std::u16string NetCfgInstanceIdTextFromData(const std::vector<uint8_t>& data)
{
    std::u16string text;
    const size_t nUnits = data.size() / 2;  // a final odd byte is no unit
    text.reserve(nUnits);
    for (size_t i = 0; i < nUnits; ++i)
        text.push_back(static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)));
    if (!text.empty() && text.back() == 0)
        text.pop_back();
    return text;
}
