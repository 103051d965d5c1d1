// --what-if and --diff over pairs of snapshots: the input is two documents, the second after a line that holds only
// "====" (or the same document twice when there is no such line). Neither may crash, and what each says must agree
// with the plain replay: the what-if's "nothing removed" is the replay's choice, a snapshot compared with itself
// has no change, and a comparison read the other way round swaps what came and what went.

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "fuzz_input.h"
#include "inspect/diff.h"
#include "inspect/outcome.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"
#include "inspect/what_if.h"

namespace {

// The report a --replay of the snapshot gives.
CInspectReport Replay(const CSnapshot& snapshot)
{
    CReplaySources replay(snapshot);
    return BuildReport(replay.Get(), snapshot.m_strComputerName);
}

bool NoChange(const CReportDiff& diff)
{
    return !diff.m_bHostIdChanged && diff.m_recordsAdded.empty() && diff.m_recordsRemoved.empty() &&
           diff.m_recordsChanged.empty() && diff.m_entriesAdded.empty() && diff.m_entriesRemoved.empty();
}

void CheckWhatIf(const CSnapshot& snapshot, const CInspectReport& report)
{
    const CWhatIfReport whatIf = BuildWhatIf(snapshot);
    if (!report.m_bNoMemory) {
        FUZZ_CHECK(whatIf.m_base.m_strHostId == report.m_strHostId);
        FUZZ_CHECK(whatIf.m_base.m_nSelected == SummarizeChoice(report).m_nSelected);
    }
    // Each adapter the inventory names is taken away once.
    FUZZ_CHECK(whatIf.m_without.size() <= report.m_records.size());
    for (const CWhatIfAbsence& absence : whatIf.m_without) {
        // Without an adapter, no record of it can be chosen.
        if (absence.m_outcome.m_nSelected)
            FUZZ_CHECK(!EqualsNoCase(absence.m_outcome.m_strSelectedGuid, absence.m_strGuid));
    }
    const std::string strJson = FormatJsonWhatIf(whatIf);
    FUZZ_CHECK(nlohmann::json::accept(strJson));
    FUZZ_CHECK(!FormatTextWhatIf(whatIf).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nSplit = input.find("\n====\n");
    const std::string_view oldText = input.substr(0, nSplit);
    const std::string_view newText = nSplit == std::string_view::npos ? input : input.substr(nSplit + 6);

    CSnapshot oldSnapshot;
    CSnapshot newSnapshot;
    CSnapshotError error;
    if (!ParseSnapshot(oldText, oldSnapshot, error) || !ParseSnapshot(newText, newSnapshot, error))
        return 0;
    const CInspectReport oldReport = Replay(oldSnapshot);
    const CInspectReport newReport = Replay(newSnapshot);

    CheckWhatIf(oldSnapshot, oldReport);
    CheckWhatIf(newSnapshot, newReport);

    // A snapshot compared with itself.
    const CReportDiff same = CompareReports(oldReport, oldReport);
    FUZZ_CHECK(NoChange(same));

    // The pair, both ways round.
    const CReportDiff diff = CompareReports(oldReport, newReport);
    const CReportDiff back = CompareReports(newReport, oldReport);
    FUZZ_CHECK(diff.m_bHostIdChanged == (oldReport.m_strHostId != newReport.m_strHostId));
    FUZZ_CHECK(back.m_bHostIdChanged == diff.m_bHostIdChanged);
    FUZZ_CHECK(diff.m_recordsAdded.size() == back.m_recordsRemoved.size());
    FUZZ_CHECK(diff.m_recordsRemoved.size() == back.m_recordsAdded.size());
    FUZZ_CHECK(diff.m_recordsChanged.size() == back.m_recordsChanged.size());
    FUZZ_CHECK(diff.m_entriesAdded.size() == back.m_entriesRemoved.size());
    FUZZ_CHECK(diff.m_entriesRemoved.size() == back.m_entriesAdded.size());
    // Every record of NEW is added or paired, and every record of OLD removed or paired.
    FUZZ_CHECK(diff.m_recordsAdded.size() + diff.m_recordsChanged.size() <= newReport.m_records.size());
    FUZZ_CHECK(diff.m_recordsRemoved.size() + diff.m_recordsChanged.size() <= oldReport.m_records.size());
    if (oldText == newText)
        FUZZ_CHECK(NoChange(diff));

    const std::string strJson = FormatJsonDiff(oldReport, newReport, diff, "old.json", "new.json");
    FUZZ_CHECK(nlohmann::json::accept(strJson));
    FUZZ_CHECK(!FormatTextDiff(oldReport, newReport, diff, "old.json", "new.json").empty());
    return 0;
}
