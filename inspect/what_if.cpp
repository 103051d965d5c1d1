#include "inspect/what_if.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inspect/json_io.h"
#include "inventory/passes.h"

namespace {

template <class T, class Pred>
void EraseIf(std::vector<T>& items, Pred pred)
{
    items.erase(std::remove_if(items.begin(), items.end(), pred), items.end());
}

// The outcome's members, added to an object in place.
void OutcomeToJson(json& entry, const CChoiceOutcome& outcome, const CChoiceOutcome& base)
{
    entry["host_id"] = Utf16ToUtf8(outcome.m_strHostId);
    entry["selected"] = outcome.m_nSelected ? json(*outcome.m_nSelected) : json(nullptr);
    // The index points into the smaller inventory of this determination; the GUID names the adapter plainly.
    entry["selected_guid"] = outcome.m_nSelected ? json(Utf16ToUtf8(outcome.m_strSelectedGuid)) : json(nullptr);
    entry["how"] = ChoiceRuleName(outcome.m_rule);
    entry["changes"] = outcome.m_strHostId != base.m_strHostId;
}

// "changes the host ID to X (record [0] {...} by the rule primary)" or "leaves the host ID at X (...)".
std::string OutcomeText(const CChoiceOutcome& outcome, const CChoiceOutcome& base)
{
    const bool bChanges = outcome.m_strHostId != base.m_strHostId;
    if (!outcome.m_nSelected)
        return bChanges ? "changes the host ID to none: no adapter is chosen"
                        : "leaves no host ID: no adapter is chosen";
    return std::string(bChanges ? "changes the host ID to " : "leaves the host ID at ") + HostIdText(outcome) + " (" +
           ChoiceText(outcome) + ")";
}

}  // namespace

CSnapshot SnapshotWithoutAdapter(const CSnapshot& snapshot, std::u16string_view strGuid)
{
    CSnapshot result = snapshot;
    if (result.m_components) {
        EraseIf(*result.m_components, [&](const CNetCfgComponentInfo& component) {
            return EqualsNoCase(FormatGuidText(component.m_guidInstance), strGuid);
        });
    }
    if (result.m_devices) {
        EraseIf(*result.m_devices, [&](const CSnapshotDevice& device) {
            return EqualsNoCase(NetCfgInstanceIdText(device.m_netCfgInstanceIdData), strGuid);
        });
    }
    EraseIf(result.m_drivers, [&](const CSnapshotDriver& driver) { return EqualsNoCase(driver.m_strName, strGuid); });
    if (result.m_adapters) {
        // The choice matches an entry without a name as the empty text.
        EraseIf(*result.m_adapters, [&](const CAdapterEntry& entry) {
            return EqualsNoCase(entry.m_strName.value_or(std::u16string()), strGuid);
        });
    }
    return result;
}

CSnapshot SnapshotWithoutAdapterTable(const CSnapshot& snapshot)
{
    // The size query succeeds and the read fails, so that the choice takes its fallbacks; a snapshot whose own
    // size query found no memory for the table would otherwise replay to no choice at all.
    CSnapshot result = snapshot;
    result.m_adapters.reset();
    result.m_dwTableSizeAnswer = kAdapterTableBufferOverflow;
    result.m_dwTableReadAnswer = kReplayTableReadFailure;
    return result;
}

CWhatIfReport BuildWhatIf(const CSnapshot& snapshot)
{
    CWhatIfReport whatIf;
    whatIf.m_strComputerName = snapshot.m_strComputerName;
    const CInspectReport base = ReplaySnapshotReport(snapshot);
    whatIf.m_base = SummarizeChoice(base);
    const std::vector<CHidDevNet>& records = base.m_records;
    const CChoiceTrace& trace = base.m_trace;

    // Taking one adapter away takes away its records and its table entries and nothing else: every other record
    // keeps its flags (devices merge only into records of their own GUID), its driver's addresses and the table
    // entries that stamp it. The choice can only lose candidates, so the chosen record C stays chosen, by the same
    // rule and with the same host ID, unless the absent adapter
    // - is C itself;
    // - holds the first wireless entry that the primary rule passed over, so that C's own wireless entry may now be
    //   the first one (with no primary candidate in the first place, the primary group held at most that entry);
    // - or, when C was chosen by the address match, holds every usable entry with C's address.
    // Those absences are replayed in full; the others take the base outcome with C's index moved up past the
    // absent adapter's records. A machine with n adapters then costs a few determinations rather than n of them.
    const std::optional<size_t> nSelected = whatIf.m_base.m_nSelected;
    std::optional<std::u16string> strFirstWireless;  // case-folded GUID of the passed-over wireless entry's record
    std::unordered_map<std::u16string, size_t, CKeyedHash> entriesWithSelectedAddress;  // by case-folded entry name
    size_t nEntriesWithSelectedAddress = 0;
    for (const CAdapterTrace& adapter : trace.m_adapters) {
        if (adapter.m_slot == EAdapterSlot::FirstWireless && adapter.m_nMatched &&
            *adapter.m_nMatched < records.size()) {
            strFirstWireless = AsciiUpperCopy(records[*adapter.m_nMatched].m_strGuid);
        }
    }
    if (nSelected && whatIf.m_base.m_rule == EChoiceRule::AddressMatch) {
        const std::u16string& strAddress = records[*nSelected].m_strAddress;
        for (size_t i = 0; i < trace.m_adapters.size() && i < trace.m_entries.size(); ++i) {
            if (trace.m_adapters[i].m_bUsable && trace.m_adapters[i].m_strAddress == strAddress) {
                ++nEntriesWithSelectedAddress;
                ++entriesWithSelectedAddress[AsciiUpperCopy(trace.m_entries[i].m_strName.value_or(u""))];
            }
        }
    }
    // How many records of each GUID come before C.
    std::unordered_map<std::u16string, size_t, CKeyedHash> recordsBeforeSelected;
    for (size_t i = 0; nSelected && i < *nSelected; ++i)
        ++recordsBeforeSelected[AsciiUpperCopy(records[i].m_strGuid)];
    const std::u16string strSelected = nSelected ? AsciiUpperCopy(records[*nSelected].m_strGuid) : u"";

    std::unordered_set<std::u16string, CKeyedHash> seen;
    for (const CHidDevNet& record : records) {
        std::u16string strKey = AsciiUpperCopy(record.m_strGuid);
        if (!seen.insert(strKey).second)
            continue;
        CWhatIfAbsence absence{record.m_strGuid, record.m_dwFlags, whatIf.m_base};
        bool bReplay = nSelected && strKey == strSelected;
        bReplay = bReplay || (whatIf.m_base.m_rule == EChoiceRule::Primary && strKey == strFirstWireless);
        if (!bReplay && whatIf.m_base.m_rule == EChoiceRule::AddressMatch) {
            const auto it = entriesWithSelectedAddress.find(strKey);
            bReplay = it != entriesWithSelectedAddress.end() && it->second == nEntriesWithSelectedAddress;
        }
        if (bReplay) {
            absence.m_outcome =
                SummarizeChoice(ReplaySnapshotReport(SnapshotWithoutAdapter(snapshot, record.m_strGuid)));
        } else if (const auto it = recordsBeforeSelected.find(strKey); it != recordsBeforeSelected.end()) {
            // Only records before C are counted, so there is a C to move up.
            *absence.m_outcome.m_nSelected -= it->second;
        }
        whatIf.m_without.push_back(std::move(absence));
    }
    whatIf.m_tableUnreadable = SummarizeChoice(ReplaySnapshotReport(SnapshotWithoutAdapterTable(snapshot)));
    return whatIf;
}

std::string FormatTextWhatIf(const CWhatIfReport& whatIf)
{
    const CChoiceOutcome& base = whatIf.m_base;
    std::string out = "Computer name: " + PrintableOr(whatIf.m_strComputerName) + "\n";
    out += "Host ID: " + HostIdText(base) + " (" + ChoiceText(base) + ")\n\n";

    const auto changes = [&](const CChoiceOutcome& outcome) { return outcome.m_strHostId != base.m_strHostId; };
    const auto nChanging = std::count_if(whatIf.m_without.begin(), whatIf.m_without.end(),
                                         [&](const CWhatIfAbsence& absence) { return changes(absence.m_outcome); });
    out += "Without one adapter (" + std::to_string(nChanging) + " of " + std::to_string(whatIf.m_without.size()) +
           " would change the host ID, marked *):\n";
    if (whatIf.m_without.empty())
        out += "  (no adapter records)\n";
    for (const CWhatIfAbsence& absence : whatIf.m_without) {
        out += std::string(changes(absence.m_outcome) ? "* " : "  ") + "unplugging " +
               AdapterPhrase(absence.m_strGuid, absence.m_dwFlags) + " " + OutcomeText(absence.m_outcome, base) + "\n";
    }
    out += "\nWithout the adapter table:\n";
    out += std::string(changes(whatIf.m_tableUnreadable) ? "* " : "  ") + "an adapter table that cannot be read " +
           OutcomeText(whatIf.m_tableUnreadable, base) + "\n";
    return out;
}

std::string FormatJsonWhatIf(const CWhatIfReport& whatIf)
{
    const CChoiceOutcome& base = whatIf.m_base;
    CJsonTree tree;
    json& document = tree.Get();
    document["host_id"] = Utf16ToUtf8(base.m_strHostId);
    document["selected"] = base.m_nSelected ? json(*base.m_nSelected) : json(nullptr);
    document["how"] = ChoiceRuleName(base.m_rule);
    json& without = document["without"] = json::array();
    for (const CWhatIfAbsence& absence : whatIf.m_without) {
        json& entry = without.emplace_back(json::object());
        entry["guid"] = Utf16ToUtf8(absence.m_strGuid);
        OutcomeToJson(entry, absence.m_outcome, base);
    }
    OutcomeToJson(document["table_unreadable"] = json::object(), whatIf.m_tableUnreadable, base);
    return DumpJson(document);
}
