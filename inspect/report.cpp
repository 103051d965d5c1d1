#include "inspect/report.h"

#include <algorithm>
#include <utility>

#include "common/text.h"
#include "hostid/release_host_id.h"
#include "inspect/json_io.h"

namespace {

// Each flag bit with its name, in bit order.
constexpr std::pair<uint32_t, const char*> kFlagNames[] = {
    {HID_RES_MEM, "HID_RES_MEM"},
    {HID_RES_IO, "HID_RES_IO"},
    {HID_RES_DMA, "HID_RES_DMA"},
    {HID_RES_IRQ, "HID_RES_IRQ"},
    {HID_BUS_VMBUS, "HID_BUS_VMBUS"},
    {HID_BUS_PCI, "HID_BUS_PCI"},
    {HID_RES_BUSNUMBER, "HID_RES_BUSNUMBER"},
    {HID_RES_MEMLARGE, "HID_RES_MEMLARGE"},
    {HID_BUS_PCI_ALT, "HID_BUS_PCI_ALT"},
    {HID_BUS_XENVIF, "HID_BUS_XENVIF"},
    {HID_BUS_OTHER, "HID_BUS_OTHER"},
    {HID_BUS_USB, "HID_BUS_USB"},
};

std::string RecordRef(size_t nIndex)
{
    return "[" + std::to_string(nIndex) + "]";
}

// What the report says after "by the rule ..." of what the rule chose by.
const char* RuleExplanation(EChoiceRule rule)
{
    switch (rule) {
    case EChoiceRule::Primary:
        return "the first adapter in table order that matched a record on PCI, VMBus or Xen or without a bus bit, "
               "other than the first wireless one";
    case EChoiceRule::OtherBus:
        return "no primary candidate; the first adapter in table order that matched a record on another enumerator";
    case EChoiceRule::Usb:
        return "no primary or other-bus candidate; the first adapter in table order that matched a record on USB "
               "with a permanent address";
    case EChoiceRule::AddressMatch:
        return "no candidate; the last record in the inventory whose address the adapter table lists";
    case EChoiceRule::FirstAddressed:
        return "no candidate and no address in the adapter table; the first record in the inventory with flags and "
               "an address";
    case EChoiceRule::None:
        break;
    }
    return "no record has flags and an address";
}

const char* SlotText(EAdapterSlot slot)
{
    switch (slot) {
    case EAdapterSlot::FirstWireless:
        return "first wireless adapter, passed over";
    case EAdapterSlot::Primary:
        return "primary candidate";
    case EAdapterSlot::OtherBus:
        return "other-bus candidate";
    case EAdapterSlot::Usb:
        return "USB candidate";
    case EAdapterSlot::None:
        break;
    }
    return "none";
}

const char* DigestInputKind(const CHidDevNet& record, const CRecordTrace& account)
{
    if (record.m_bWireless)
        return "the address in pairs: a wireless adapter";
    if (account.m_bGuidInDigestInput)
        return "the address followed by the GUID text: an adapter on USB or another bus";
    return "the bare address";
}

void AppendRecords(std::string& out, const CInspectReport& report)
{
    out += "Inventory: " + CountText(report.m_records.size(), "record", "records") + "\n";
    for (size_t i = 0; i < report.m_records.size(); ++i) {
        const CHidDevNet& record = report.m_records[i];
        out += "  " + RecordRef(i) + " " + PrintableOr(record.m_strGuid) + "\n";
        out += "      enumerator  " + PrintableOr(record.m_strPnpId) + "\n";
        out += "      flags       " + FlagsHex(record.m_dwFlags) + "  " + FlagNames(record.m_dwFlags) + "\n";
        out += std::string("      wireless    ") + (record.m_bWireless ? "yes" : "no") + "\n";
        out += "      address     " + PrintableOr(record.m_strAddress) + "\n";
        out += "      permanent   " + PrintableOr(record.m_strPermanentAddress) + "\n";
        out += "      current     " + PrintableOr(record.m_strCurrentAddress) + "\n";
    }
}

void AppendAdapterTable(std::string& out, const CInspectReport& report)
{
    const CChoiceTrace& trace = report.m_trace;
    // When not even the first buffer can be had, the table is not read at all.
    const bool bFirstNoMemory = trace.m_dwFirstAnswer == kAdapterTableNoMemory;
    const std::string strAnswers =
        bFirstNoMemory ? std::string("no memory for the size query, no read")
                       : "size query answered " + std::to_string(trace.m_dwFirstAnswer) + ", read " +
                             (trace.m_dwSecondAnswer == kAdapterTableNoMemory
                                  ? std::string("had no memory")
                                  : "answered " + std::to_string(trace.m_dwSecondAnswer));
    if (!trace.m_bTableRead) {
        out += "Adapter table: not read (" + strAnswers + ")\n";
        if (bFirstNoMemory || trace.m_dwSecondAnswer == kAdapterTableNoMemory)
            out += "  No memory for the table: nothing is stamped and no fallback runs.\n";
        else
            out += "  No adapter is matched; the choice rests on the addresses the drivers reported.\n";
        return;
    }
    out += "Adapter table: read, " + CountText(trace.m_entries.size(), "entry", "entries") + " (" + strAnswers + ")\n";
    for (size_t i = 0; i < trace.m_entries.size() && i < trace.m_adapters.size(); ++i) {
        const CAdapterEntry& entry = trace.m_entries[i];
        const CAdapterTrace& adapter = trace.m_adapters[i];
        out += "  #" + std::to_string(i) + " " +
               (entry.m_strName ? PrintableOr(*entry.m_strName) : std::string("(no name)")) + "  " +
               (entry.m_strDescription ? "\"" + PrintableUtf8(*entry.m_strDescription) + "\""
                                       : std::string("(no description)")) +
               (entry.m_strFriendlyName ? "  named " + PrintableOr(*entry.m_strFriendlyName) : std::string()) + "\n";
        if (!adapter.m_bUsable) {
            out += "      address " + PrintableOr(EntryAddressText(entry)) + ": not usable (" +
                   (entry.m_nAddressLength != 6 ? "length " + std::to_string(entry.m_nAddressLength)
                                                : std::string("all zero")) +
                   ")\n";
            continue;
        }
        out += "      address " + PrintableUtf8(adapter.m_strAddress) + ": usable, " +
               (adapter.m_bWireless ? "wireless (the description holds WLAN)" : "wired") + "\n";
        if (!adapter.m_nMatched) {
            out += "      no record has this name as its GUID text\n";
            continue;
        }
        const size_t nRecord = *adapter.m_nMatched;
        std::string strLine = "      matched record " + RecordRef(nRecord);
        if (nRecord < report.m_records.size() && report.m_records[nRecord].m_dwFlags == 0) {
            out += strLine + ", which has no flags: left alone\n";
            continue;
        }
        const bool bUsb = nRecord < report.m_records.size() && IsUsbBus(report.m_records[nRecord].m_dwFlags);
        strLine += adapter.m_bStamped ? ", stamped with this address"
                   : bUsb             ? ", not stamped (a USB record keeps its permanent address)"
                                      : ", not stamped (no memory for the address text)";
        out += strLine + "; slot: " + SlotText(adapter.m_slot) + "\n";
    }
}

void AppendChoice(std::string& out, const CInspectReport& report)
{
    const CChoiceTrace& trace = report.m_trace;
    if (report.m_bNoMemory) {
        // Whatever the choice made of an incomplete inventory is not this machine's answer.
        out += "\nChoice: none (memory ran out during the determination: the inventory may be incomplete)\n";
        out += "Host ID: (unknown: memory ran out)\n";
        return;
    }
    if (!trace.m_nSelected) {
        out += std::string("\nChoice: none (") + RuleExplanation(EChoiceRule::None) + ")\n";
        out += "Host ID: (none)\n";
        return;
    }
    out += "\nChoice: record " + RecordRef(*trace.m_nSelected) + " by the rule " + ChoiceRuleName(trace.m_rule) +
           " (" + RuleExplanation(trace.m_rule) + ")\n";
    out += "Host ID: " + PrintableOr(report.m_strHostId) + "\n";
    if (*trace.m_nSelected < report.m_records.size() && *trace.m_nSelected < trace.m_records.size() &&
        !report.m_strDigestInput.empty()) {
        out += "Digest input: " + PrintableUtf8(report.m_strDigestInput) + " (" +
               DigestInputKind(report.m_records[*trace.m_nSelected], trace.m_records[*trace.m_nSelected]) + ")\n";
    }
}

}  // namespace

CInspectReport BuildReport(const CInventorySources& sources, std::u16string strComputerName)
{
    CInspectReport report;
    report.m_strComputerName = std::move(strComputerName);

    CBaseHostId hostId(sources);
    hostId.DetermineAdapter(&report.m_trace);
    report.m_bNoMemory = hostId.RanOutOfMemory();
    report.m_records.reserve(hostId.GetDevices().GetCount());
    for (const auto& pRecord : hostId.GetDevices())
        report.m_records.push_back(*pRecord);

    // As start-up does: a host ID only for a chosen record with an address text, and none at all from a
    // determination that ran out of memory.
    const CHidDevNet* pSelected = report.m_bNoMemory ? nullptr : SelectedRecord(report);
    if (pSelected && !pSelected->m_strAddress.empty()) {
        const CReleaseHostId hostIdValue(*pSelected);
        if (hostIdValue.RanOutOfMemory()) {
            report.m_bNoMemory = true;
        } else {
            report.m_strHostId = hostIdValue.GetHostIdText();
            report.m_strDigestInput = CReleaseHostId::DigestInput(*pSelected);
        }
    }
    return report;
}

const CHidDevNet* SelectedRecord(const CInspectReport& report)
{
    if (!report.m_trace.m_nSelected || *report.m_trace.m_nSelected >= report.m_records.size())
        return nullptr;
    return &report.m_records[*report.m_trace.m_nSelected];
}

const char* ChoiceRuleName(EChoiceRule rule)
{
    switch (rule) {
    case EChoiceRule::Primary:
        return "primary";
    case EChoiceRule::OtherBus:
        return "other-bus";
    case EChoiceRule::Usb:
        return "usb";
    case EChoiceRule::AddressMatch:
        return "address-match";
    case EChoiceRule::FirstAddressed:
        return "first-addressed";
    case EChoiceRule::None:
        break;
    }
    return "none";
}

std::string FlagNames(uint32_t dwFlags)
{
    std::string strNames;
    uint32_t dwNamed = 0;
    for (const auto& [dwBit, pszName] : kFlagNames) {
        if (dwFlags & dwBit) {
            strNames += (strNames.empty() ? "" : " | ") + std::string(pszName);
            dwNamed |= dwBit;
        }
    }
    if (const uint32_t dwRest = dwFlags & ~dwNamed)
        strNames += (strNames.empty() ? "" : " | ") + FlagsHex(dwRest);
    return strNames.empty() ? "none" : strNames;
}

std::string FlagsHex(uint32_t dwFlags)
{
    std::string strText = "0x";
    AppendHex(strText, dwFlags, 8);
    return strText;
}

std::string PrintableOr(std::u16string_view text, const char* pszEmpty)
{
    return text.empty() ? std::string(pszEmpty) : PrintableUtf8(text);
}

std::u16string EntryAddressText(const CAdapterEntry& entry)
{
    return FormatAddressText(entry.m_address, std::min<uint32_t>(entry.m_nAddressLength, 8));
}

std::string CountText(size_t nCount, const char* pszOne, const char* pszMany)
{
    return std::to_string(nCount) + " " + (nCount == 1 ? pszOne : pszMany);
}

std::string FormatTextReport(const CInspectReport& report)
{
    std::string out = "Computer name: " + PrintableOr(report.m_strComputerName) + "\n\n";
    AppendRecords(out, report);
    out += "\n";
    AppendAdapterTable(out, report);
    AppendChoice(out, report);
    return out;
}

CJsonTree::~CJsonTree()
{
    // Depth first: each container is emptied after its members are.
    const auto clear = [](json& value, const auto& self) -> void {
        if (value.is_array()) {
            for (json& element : value.get_ref<json::array_t&>())
                self(element, self);
            value.get_ref<json::array_t&>().clear();
        } else if (value.is_object()) {
            for (auto& member : value.get_ref<json::object_t&>())
                self(member.second, self);
            value.get_ref<json::object_t&>().clear();
        }
    };
    clear(m_value, clear);
}

std::string DumpJson(const json& document)
{
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

void to_json(json& value, const CHidDevNet& record)
{
    value = json::object();
    value["guid"] = Utf16ToUtf8(record.m_strGuid);
    value["pnp_id"] = Utf16ToUtf8(record.m_strPnpId);
    value["flags"] = record.m_dwFlags;
    value["wireless"] = record.m_bWireless;
    value["address"] = Utf16ToUtf8(record.m_strAddress);
    value["permanent_address"] = Utf16ToUtf8(record.m_strPermanentAddress);
    value["current_address"] = Utf16ToUtf8(record.m_strCurrentAddress);
}

std::string FormatJsonReport(const CInspectReport& report)
{
    CJsonTree document;
    json& value = document.Get();
    const bool bChosen = report.m_trace.m_nSelected && !report.m_bNoMemory;
    value["host_id"] = Utf16ToUtf8(report.m_strHostId);
    value["digest_input"] = Utf16ToUtf8(report.m_strDigestInput);
    value["selected"] = bChosen ? json(*report.m_trace.m_nSelected) : json(nullptr);
    value["how"] = ChoiceRuleName(bChosen ? report.m_trace.m_rule : EChoiceRule::None);
    ListToJson(value["records"], report.m_records);
    if (report.m_bNoMemory)
        value["error"] = "memory ran out";
    return DumpJson(value);
}
