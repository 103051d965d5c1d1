#include "inspect/diff.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "hostid/release_host_id.h"
#include "inspect/json_io.h"
#include "inspect/outcome.h"

namespace {

std::optional<size_t> FindRecord(const CInspectReport& report, const std::u16string& strGuid)
{
    for (size_t i = 0; i < report.m_records.size(); ++i) {
        if (EqualsNoCase(report.m_records[i].m_strGuid, strGuid))
            return i;
    }
    return std::nullopt;
}

// How the choice ranks its rules: a smaller number wins. The enumeration lists them in that order after None.
int RuleRank(EChoiceRule rule)
{
    return rule == EChoiceRule::None ? 6 : static_cast<int>(rule);
}

// The choice's account of record nIndex. Every record of a finished determination has one; a report without it
// (memory ran out while the trace was written) tells of no rule.
CRecordTrace RecordAccount(const CInspectReport& report, size_t nIndex)
{
    return nIndex < report.m_trace.m_records.size() ? report.m_trace.m_records[nIndex] : CRecordTrace();
}

std::string FlagsText(uint32_t dwFlags)
{
    return FlagsHex(dwFlags) + " (" + FlagNames(dwFlags) + ")";
}

// "the chosen adapter {...} on USB"; without a bus bit, no bus is named.
std::string ChosenPhrase(const CHidDevNet& record)
{
    const std::string strBus = BusName(record.m_dwFlags);
    return "the chosen adapter " + PrintableOr(record.m_strGuid, "without a GUID") +
           (strBus.empty() ? std::string() : " on " + strBus);
}

// Why record nIndex of a determination does not qualify for the rule, in a few words; none when it does.
std::optional<std::string> WhyNotQualified(const CInspectReport& report, size_t nIndex, EChoiceRule rule,
                                           const std::string& strSide)
{
    const CHidDevNet& record = report.m_records[nIndex];
    const CChoiceTrace& trace = report.m_trace;
    if (record.m_dwFlags == 0)
        return std::string("it has no flags");
    if (trace.m_dwFirstAnswer == kAdapterTableNoMemory || trace.m_dwSecondAnswer == kAdapterTableNoMemory)
        return "there was no memory for " + strSide + "'s adapter table, so no fallback ran";

    if (rule == EChoiceRule::Primary || rule == EChoiceRule::OtherBus || rule == EChoiceRule::Usb) {
        if (!trace.m_bTableRead)
            return strSide + "'s adapter table cannot be read";
        if (RecordAccount(report, nIndex).m_slotRule != rule)
            return "its flags are now " + FlagsText(record.m_dwFlags) + ", which the rule " + ChoiceRuleName(rule) +
                   " does not take";
        bool bMatched = false;
        bool bOnlyFirstWireless = true;
        for (const CAdapterTrace& adapter : trace.m_adapters) {
            if (adapter.m_nMatched == nIndex) {
                bMatched = true;
                bOnlyFirstWireless = bOnlyFirstWireless && adapter.m_slot == EAdapterSlot::FirstWireless;
            }
        }
        if (!bMatched) {
            for (const CAdapterEntry& entry : trace.m_entries) {
                if (EqualsNoCase(entry.m_strName.value_or(std::u16string()), record.m_strGuid))
                    return strSide + "'s adapter table lists it without a usable address";
            }
            return strSide + "'s adapter table does not list it";
        }
        if (rule == EChoiceRule::Primary && bOnlyFirstWireless)
            return std::string("it is now the first wireless adapter, which is passed over");
        if (rule == EChoiceRule::Usb && record.m_strAddress.empty())
            return std::string("its driver reports no permanent address");
        return std::nullopt;
    }
    if (record.m_strAddress.empty())
        return std::string("it has no address");
    if (rule == EChoiceRule::AddressMatch) {
        if (!trace.m_bTableRead)
            return strSide + "'s adapter table cannot be read";
        for (const CAdapterTrace& adapter : trace.m_adapters) {
            if (adapter.m_bUsable && adapter.m_strAddress == record.m_strAddress)
                return std::nullopt;
        }
        return "its address " + PrintableUtf8(record.m_strAddress) + " is not in " + strSide + "'s adapter table";
    }
    return std::nullopt;  // the first addressed record: flags and an address are all it takes
}

// Why the same adapter gives another host ID: what of its digest input changed.
std::string DigestChange(const CInspectReport& oldReport, const CInspectReport& newReport)
{
    const CHidDevNet& oldRecord = *SelectedRecord(oldReport);
    const CHidDevNet& newRecord = *SelectedRecord(newReport);
    std::vector<std::string> parts;
    if (oldRecord.m_strAddress != newRecord.m_strAddress) {
        parts.push_back("its address changed from " + PrintableOr(oldRecord.m_strAddress) + " to " +
                        PrintableOr(newRecord.m_strAddress));
    }
    if (oldRecord.m_bWireless != newRecord.m_bWireless) {
        parts.push_back(newRecord.m_bWireless
                            ? "it is now marked wireless (its adapter-table description holds WLAN)"
                            : "it is no longer marked wireless (its adapter-table description lacks WLAN)");
    }
    const bool bOldGuidIn = RecordAccount(oldReport, *oldReport.m_trace.m_nSelected).m_bGuidInDigestInput;
    const bool bNewGuidIn = RecordAccount(newReport, *newReport.m_trace.m_nSelected).m_bGuidInDigestInput;
    if (DigestFlagBits(oldRecord.m_dwFlags) != DigestFlagBits(newRecord.m_dwFlags)) {
        parts.push_back("its flags changed from " + FlagsText(oldRecord.m_dwFlags) + " to " +
                        FlagsText(newRecord.m_dwFlags));
    }
    if (bOldGuidIn && bNewGuidIn && oldRecord.m_strGuid != newRecord.m_strGuid) {
        parts.push_back("its GUID text, which enters the digest input, changed letter case from " +
                        PrintableUtf8(oldRecord.m_strGuid) + " to " + PrintableUtf8(newRecord.m_strGuid));
    }
    std::string strText = "the chosen adapter " + PrintableUtf8(newRecord.m_strGuid) + " has another digest input";
    if (parts.empty()) {
        return strText + ": " + PrintableUtf8(CReleaseHostId::DigestInput(oldRecord)) + " in OLD, " +
               PrintableUtf8(CReleaseHostId::DigestInput(newRecord)) + " in NEW";
    }
    strText += ": ";
    for (size_t i = 0; i < parts.size(); ++i)
        strText += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return strText;
}

std::string Chooses(const CInspectReport& report, const std::string& strSide)
{
    const CHidDevNet* pSelected = SelectedRecord(report);
    if (!pSelected)
        return strSide + " chooses no adapter";
    return strSide + " chooses " + PrintableOr(pSelected->m_strGuid, "(without a GUID)") + " by the rule " +
           ChoiceRuleName(report.m_trace.m_rule);
}

// Which of two records the rule prefers when both qualify, as a reason.
const char* OrderReason(EChoiceRule rule)
{
    if (rule == EChoiceRule::AddressMatch)
        return "it comes later in NEW's inventory, and the last match wins";
    if (rule == EChoiceRule::FirstAddressed)
        return "it comes earlier in NEW's inventory";
    return "it comes earlier in NEW's adapter table";
}

// Pairs OLD's and NEW's items of equal keys as a multiset: the k-th OLD item of a key pairs with the k-th NEW one, and
// paired(i, j) is called for each pair in NEW's order. What has no partner is added (NEW) or removed (OLD).
template <class TItem, class KeyOf, class Paired>
void PairByKey(const std::vector<TItem>& oldItems, const std::vector<TItem>& newItems, KeyOf keyOf, Paired paired,
               std::vector<size_t>& added, std::vector<size_t>& removed)
{
    std::unordered_map<decltype(keyOf(oldItems[0])), std::vector<size_t>, CKeyedHash> oldByKey;
    for (size_t i = oldItems.size(); i-- > 0;)
        oldByKey[keyOf(oldItems[i])].push_back(i);
    for (size_t j = 0; j < newItems.size(); ++j) {
        const auto it = oldByKey.find(keyOf(newItems[j]));
        if (it == oldByKey.end() || it->second.empty()) {
            added.push_back(j);
            continue;
        }
        paired(it->second.back(), j);
        it->second.pop_back();
    }
    // What is left unpaired was removed, in OLD's order.
    for (const auto& unpaired : oldByKey)
        removed.insert(removed.end(), unpaired.second.begin(), unpaired.second.end());
    std::sort(removed.begin(), removed.end());
}

std::string EntryKey(const CAdapterEntry& entry)
{
    return (entry.m_strName ? "1" + Utf16ToUtf8(AsciiUpperCopy(*entry.m_strName)) : std::string("0")) + '\0' +
           (entry.m_strDescription ? "1" + Utf16ToUtf8(*entry.m_strDescription) : std::string("0")) + '\0' +
           std::to_string(entry.m_nAddressLength) + ":" + Utf16ToUtf8(EntryAddressText(entry));
}

// A field that differs between two records: its name in the JSON, its label in the readable comparison, and its
// two values as the readable comparison shows them.
struct CFieldChange {
    const char* pszField;
    const char* pszLabel;
    std::string strOld;
    std::string strNew;
};

// The changed fields in the order the comparison lists them.
std::vector<CFieldChange> FieldChanges(const CHidDevNet& a, const CHidDevNet& b)
{
    std::vector<CFieldChange> changes;
    const auto compare = [&](const char* pszField, const char* pszLabel, auto pMember, auto text) {
        if (a.*pMember != b.*pMember)
            changes.push_back({pszField, pszLabel, text(a.*pMember), text(b.*pMember)});
    };
    const auto orNone = [](const std::u16string& strText) { return PrintableOr(strText); };
    compare("guid", "guid", &CHidDevNet::m_strGuid, PrintableUtf8);
    compare("pnp_id", "enumerator", &CHidDevNet::m_strPnpId, orNone);
    compare("flags", "flags", &CHidDevNet::m_dwFlags, FlagsText);
    compare("wireless", "wireless", &CHidDevNet::m_bWireless, [](bool bYes) { return bYes ? "yes" : "no"; });
    compare("address", "address", &CHidDevNet::m_strAddress, orNone);
    compare("permanent_address", "permanent", &CHidDevNet::m_strPermanentAddress, orNone);
    compare("current_address", "current", &CHidDevNet::m_strCurrentAddress, orNone);
    return changes;
}

std::vector<std::string> FlagNameList(uint32_t dwFlags)
{
    std::vector<std::string> names;
    for (uint32_t dwBit = 1; dwBit != 0; dwBit <<= 1) {
        if (dwFlags & dwBit)
            names.push_back(FlagNames(dwBit));
    }
    return names;
}

std::string RecordLine(const CHidDevNet& record)
{
    return PrintableOr(record.m_strGuid, "(no GUID)") + "  " + PrintableOr(record.m_strPnpId, "(no enumerator)") +
           "  flags " + FlagsText(record.m_dwFlags) + (record.m_bWireless ? "  wireless" : "") + "  address " +
           PrintableOr(record.m_strAddress);
}

std::string EntryLine(const CAdapterEntry& entry)
{
    return (entry.m_strName ? PrintableOr(*entry.m_strName) : std::string("(no name)")) + "  " +
           (entry.m_strDescription ? "\"" + PrintableUtf8(*entry.m_strDescription) + "\""
                                   : std::string("(no description)")) +
           "  address " + PrintableOr(EntryAddressText(entry));
}

void EntryToJson(json& value, const CAdapterEntry& entry)
{
    value = json::object();
    value["name"] = entry.m_strName ? json(Utf16ToUtf8(*entry.m_strName)) : json(nullptr);
    value["description"] = entry.m_strDescription ? json(Utf16ToUtf8(*entry.m_strDescription)) : json(nullptr);
    value["address"] = Utf16ToUtf8(EntryAddressText(entry));
}

void SideToJson(json& side, const CInspectReport& report, const std::string& strSource)
{
    const CChoiceOutcome outcome = SummarizeChoice(report);
    side = json::object();
    side["source"] = strSource;
    side["computer_name"] = Utf16ToUtf8(report.m_strComputerName);
    side["host_id"] = Utf16ToUtf8(outcome.m_strHostId);
    side["selected"] = outcome.m_nSelected ? json(*outcome.m_nSelected) : json(nullptr);
    side["selected_guid"] = outcome.m_nSelected ? json(Utf16ToUtf8(outcome.m_strSelectedGuid)) : json(nullptr);
    side["how"] = ChoiceRuleName(outcome.m_rule);
    side["table_read"] = report.m_trace.m_bTableRead;
}

std::string SideText(const CInspectReport& report, const std::string& strLabel, const std::string& strSource)
{
    const CChoiceOutcome outcome = SummarizeChoice(report);
    // A file name may hold a line end; it must not start a line of its own.
    std::string out = strLabel + " " + PrintableUtf8(Utf8ToUtf16(strSource)) + " (computer name " +
                      PrintableOr(report.m_strComputerName) + ")\n";
    out += "  host ID " + HostIdText(outcome) + ": " + ChoiceText(outcome);
    if (outcome.m_nSelected)
        out += " (" + BusName(report.m_records[*outcome.m_nSelected].m_dwFlags) + ")";
    out += "\n";
    out += "  adapter table " +
           (report.m_trace.m_bTableRead ? "read, " + CountText(report.m_trace.m_entries.size(), "entry", "entries")
                                        : std::string("not read")) +
           "; " + CountText(report.m_records.size(), "record", "records") + "\n";
    return out;
}

// The one sentence: why the host ID changed, or that it did not.
std::string ExplainHostIdChange(const CInspectReport& oldReport, const CInspectReport& newReport)
{
    const CHidDevNet* pOld = SelectedRecord(oldReport);
    const CHidDevNet* pNew = SelectedRecord(newReport);
    const EChoiceRule oldRule = oldReport.m_trace.m_rule;
    const EChoiceRule newRule = newReport.m_trace.m_rule;

    if (oldReport.m_strHostId == newReport.m_strHostId) {
        const std::string strSame = "The host ID did not change";
        if (oldReport.m_strHostId.empty())
            return strSame + ": neither OLD nor NEW chooses an adapter with an address.";
        if (pOld && pNew && EqualsNoCase(pOld->m_strGuid, pNew->m_strGuid)) {
            const std::string strBoth = strSame + ": both choose " + AdapterPhrase(pNew->m_strGuid, pNew->m_dwFlags);
            if (oldRule == newRule)
                return strBoth + " by the rule " + ChoiceRuleName(newRule) + ".";
            return strBoth + ", OLD by the rule " + ChoiceRuleName(oldRule) + " and NEW by the rule " +
                   ChoiceRuleName(newRule) + ".";
        }
        return strSame + ": " + Chooses(newReport, "NEW") + " instead of " + PrintableUtf8(pOld->m_strGuid) +
               ", and its digest input is the same.";
    }

    const std::string strPrefix = "The host ID changed from " + HostIdText(SummarizeChoice(oldReport)) + " to " +
                                  HostIdText(SummarizeChoice(newReport)) + ": ";
    if (!pOld)
        return strPrefix + "OLD chooses no adapter; " + Chooses(newReport, "NEW") + ".";

    const std::optional<size_t> nOldInNew = FindRecord(newReport, pOld->m_strGuid);
    if (!nOldInNew)
        return strPrefix + ChosenPhrase(*pOld) + " is absent from NEW; " + Chooses(newReport, "NEW") + ".";
    const CHidDevNet& oldInNew = newReport.m_records[*nOldInNew];
    if (pNew && EqualsNoCase(pOld->m_strGuid, pNew->m_strGuid))
        return strPrefix + DigestChange(oldReport, newReport) + ".";

    if (const std::optional<std::string> strNotQualified = WhyNotQualified(newReport, *nOldInNew, oldRule, "NEW")) {
        return strPrefix + ChosenPhrase(oldInNew) + " no longer qualifies for the rule " +
               ChoiceRuleName(oldRule) + ": " + *strNotQualified + "; " + Chooses(newReport, "NEW") + ".";
    }
    if (!pNew) {
        // Cannot be: a record that still qualifies is chosen. Said plainly rather than guessed at.
        return strPrefix + "NEW chooses no adapter.";
    }
    const bool bNewInOld = FindRecord(oldReport, pNew->m_strGuid).has_value();
    if (RuleRank(newRule) < RuleRank(oldRule)) {
        return strPrefix + AdapterPhrase(pNew->m_strGuid, pNew->m_dwFlags) + (bNewInOld ? "" : ", new in NEW,") +
               " is chosen by the rule " + ChoiceRuleName(newRule) + ", which ranks above the rule " +
               ChoiceRuleName(oldRule) + " that chose " + PrintableUtf8(pOld->m_strGuid) + " in OLD.";
    }
    return strPrefix + "NEW chooses " + PrintableUtf8(pNew->m_strGuid) + (bNewInOld ? "" : ", new in NEW,") +
           " by the same rule " + ChoiceRuleName(newRule) + " ahead of " + PrintableUtf8(pOld->m_strGuid) + ": " +
           OrderReason(newRule) + ".";
}

}  // namespace

CReportDiff CompareReports(const CInspectReport& oldReport, const CInspectReport& newReport)
{
    CReportDiff diff;
    PairByKey(
        oldReport.m_records, newReport.m_records,
        [](const CHidDevNet& record) { return AsciiUpperCopy(record.m_strGuid); },
        [&](size_t i, size_t j) {
            if (!FieldChanges(oldReport.m_records[i], newReport.m_records[j]).empty())
                diff.m_recordsChanged.emplace_back(i, j);
        },
        diff.m_recordsAdded, diff.m_recordsRemoved);
    PairByKey(oldReport.m_trace.m_entries, newReport.m_trace.m_entries, EntryKey, [](size_t, size_t) {},
              diff.m_entriesAdded, diff.m_entriesRemoved);
    diff.m_bHostIdChanged = oldReport.m_strHostId != newReport.m_strHostId;
    diff.m_strWhy = ExplainHostIdChange(oldReport, newReport);
    return diff;
}

std::string FormatTextDiff(const CInspectReport& oldReport, const CInspectReport& newReport, const CReportDiff& diff,
                           const std::string& strOld, const std::string& strNew)
{
    std::string out = diff.m_strWhy + "\n\n" + SideText(oldReport, "OLD", strOld) + SideText(newReport, "NEW", strNew);

    out += "\nRecords: " + std::to_string(diff.m_recordsAdded.size()) + " added, " +
           std::to_string(diff.m_recordsRemoved.size()) + " removed, " +
           std::to_string(diff.m_recordsChanged.size()) + " changed\n";
    for (const size_t i : diff.m_recordsRemoved)
        out += "  - removed  " + RecordLine(oldReport.m_records[i]) + "\n";
    for (const size_t j : diff.m_recordsAdded)
        out += "  + added    " + RecordLine(newReport.m_records[j]) + "\n";
    for (const auto& [i, j] : diff.m_recordsChanged) {
        const CHidDevNet& a = oldReport.m_records[i];
        const CHidDevNet& b = newReport.m_records[j];
        out += "  ~ changed  " + PrintableOr(b.m_strGuid, "(no GUID)") + "\n";
        for (const CFieldChange& change : FieldChanges(a, b)) {
            out += std::string("      ") + change.pszLabel + std::string(12 - strlen(change.pszLabel), ' ') +
                   change.strOld + " -> " + change.strNew + "\n";
            if (strcmp(change.pszField, "flags") != 0)
                continue;
            const uint32_t dwAdded = b.m_dwFlags & ~a.m_dwFlags;
            const uint32_t dwRemoved = a.m_dwFlags & ~b.m_dwFlags;
            const std::string strAdded = dwAdded ? "added " + FlagNames(dwAdded) : std::string();
            const std::string strRemoved = dwRemoved ? "removed " + FlagNames(dwRemoved) : std::string();
            out += "                  " + strAdded + (dwAdded && dwRemoved ? "; " : "") + strRemoved + "\n";
        }
    }

    out += "\nAdapter table: " + std::to_string(diff.m_entriesAdded.size()) + " added, " +
           std::to_string(diff.m_entriesRemoved.size()) + " removed";
    if (oldReport.m_trace.m_bTableRead != newReport.m_trace.m_bTableRead)
        out += std::string(" (") + (oldReport.m_trace.m_bTableRead ? "NEW's" : "OLD's") + " table was not read)";
    out += "\n";
    for (const size_t i : diff.m_entriesRemoved)
        out += "  - removed  " + EntryLine(oldReport.m_trace.m_entries[i]) + "\n";
    for (const size_t j : diff.m_entriesAdded)
        out += "  + added    " + EntryLine(newReport.m_trace.m_entries[j]) + "\n";
    return out;
}

std::string FormatJsonDiff(const CInspectReport& oldReport, const CInspectReport& newReport, const CReportDiff& diff,
                           const std::string& strOld, const std::string& strNew)
{
    // Built in place in the tree, so that memory running out leaves nothing for a destructor to take apart.
    CJsonTree tree;
    json& document = tree.Get();
    document["host_id_changed"] = diff.m_bHostIdChanged;
    document["why"] = diff.m_strWhy;
    SideToJson(document["old"], oldReport, strOld);
    SideToJson(document["new"], newReport, strNew);

    const auto list = [](json& slot, const std::vector<size_t>& indices, const auto& items, const auto& toJson) {
        slot = json::array();
        for (const size_t i : indices)
            toJson(slot.emplace_back(), items[i]);
    };
    json& records = document["records"];
    list(records["added"], diff.m_recordsAdded, newReport.m_records, to_json);
    list(records["removed"], diff.m_recordsRemoved, oldReport.m_records, to_json);
    json& changed = records["changed"] = json::array();
    for (const auto& [i, j] : diff.m_recordsChanged) {
        const CHidDevNet& a = oldReport.m_records[i];
        const CHidDevNet& b = newReport.m_records[j];
        json& entry = changed.emplace_back(json::object());
        entry["guid"] = Utf16ToUtf8(b.m_strGuid);
        to_json(entry["old"], a);
        to_json(entry["new"], b);
        json& fields = entry["fields"] = json::array();
        for (const CFieldChange& change : FieldChanges(a, b))
            fields.push_back(change.pszField);
        entry["flags_added"] = FlagNameList(b.m_dwFlags & ~a.m_dwFlags);
        entry["flags_removed"] = FlagNameList(a.m_dwFlags & ~b.m_dwFlags);
    }
    json& table = document["adapter_table"];
    list(table["added"], diff.m_entriesAdded, newReport.m_trace.m_entries, EntryToJson);
    list(table["removed"], diff.m_entriesRemoved, oldReport.m_trace.m_entries, EntryToJson);
    return DumpJson(document);
}
