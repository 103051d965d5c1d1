#include "inspect/snapshot.h"

#include <algorithm>
#include <utility>

#include "common/text.h"
#include "inspect/json_io.h"
#include "inventory/hid_dev_net.h"

namespace {

// Bytes as upper-case hexadecimal digits, as addresses are written.
std::string HexText(const uint8_t* pBytes, size_t nCount)
{
    return Utf16ToUtf8(FormatAddressText(pBytes, nCount));
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

// The parts of a snapshot, in the global namespace, where ListToJson finds them by argument-dependent lookup.
static void to_json(json& value, const CNetCfgComponentInfo& component)
{
    value = json::object();
    value["characteristics"] = component.m_dwCharacteristics;
    value["instance_guid"] = Utf16ToUtf8(AsciiUpperCopy(FormatGuidText(component.m_guidInstance)));
    value["id"] = OptionalText(component.m_strId);
}

static void to_json(json& value, const CSnapshotResourceType& type)
{
    value = type.IsNegative() ? json(type.GetSigned()) : json(type.GetUnsigned());
}

static void to_json(json& value, const CSnapshotDevice& device)
{
    value = json::object();
    value["instance_id"] = OptionalText(device.m_strInstanceId);
    ListToJson(value["resources"], device.m_resourceTypes);
    NetCfgInstanceIdToJson(value["netcfg_instance_id"], device.m_netCfgInstanceIdData);
}

static void to_json(json& value, const CAdapterEntry& adapter)
{
    value = json::object();
    value["name"] = OptionalText(adapter.m_strName);
    value["description"] = OptionalText(adapter.m_strDescription);
    if (adapter.m_strFriendlyName)
        value["friendly_name"] = Utf16ToUtf8(*adapter.m_strFriendlyName);
    value["address"] = HexText(adapter.m_address, std::min<size_t>(adapter.m_nAddressLength, kSnapshotMaxAddressBytes));
}

std::string SerializeSnapshot(const CSnapshot& snapshot)
{
    CJsonTree document;
    json& value = document.Get();
    value["format"] = kSnapshotFormat;
    value["computer_name"] = Utf16ToUtf8(snapshot.m_strComputerName);
    ListToJson(value["components"], snapshot.m_components);
    ListToJson(value["devices"], snapshot.m_devices);
    // Appended to the object's list of members as they come: a lookup of each name would take time in proportion to
    // the members before it, and the snapshot's names are distinct already.
    auto& members = (value["drivers"] = json::object()).get_ref<json::object_t&>();
    members.reserve(snapshot.m_drivers.size());
    for (const CSnapshotDriver& driver : snapshot.m_drivers) {
        json& entry = members.emplace_back(Utf16ToUtf8(driver.m_strName), nullptr).second;
        entry = json::object();
        entry["permanent"] = OptionalHex(driver.m_permanent);
        entry["current"] = OptionalHex(driver.m_current);
    }
    ListToJson(value["adapters"], snapshot.m_adapters);

    // A snapshot made in memory without the answers says what a replay of it answers.
    const uint32_t dwSizeAnswer = snapshot.m_dwTableSizeAnswer.value_or(kAdapterTableBufferOverflow);
    json& table = value["adapter_table"] = json::object();
    table["size_query"] = dwSizeAnswer;
    table["read"] = dwSizeAnswer == kAdapterTableNoMemory ? json(nullptr) : json(ReplayTableReadAnswer(snapshot));
    return DumpJson(value);
}

std::optional<std::u16string> NetCfgInstanceIdTextFromData(const std::vector<uint8_t>& data)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != 0 || data[data.size() - 1] != 0)
        return std::nullopt;
    std::u16string text(data.size() / 2 - 1, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (Utf8ToUtf16(Utf16ToUtf8(text)) != text)
        return std::nullopt;  // an unpaired surrogate
    return text;
}
