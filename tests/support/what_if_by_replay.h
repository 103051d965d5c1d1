#pragma once

// The what-if worked out the long way, as the reference that the inspect tool's BuildWhatIf is held against.

#include <unordered_set>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inspect/outcome.h"
#include "inspect/what_if.h"

// BuildWhatIf by replaying every absence in full: as many determinations as adapters.
inline CWhatIfReport BuildWhatIfByReplay(const CSnapshot& snapshot)
{
    CWhatIfReport whatIf;
    whatIf.m_strComputerName = snapshot.m_strComputerName;
    const CInspectReport base = ReplaySnapshotReport(snapshot);
    whatIf.m_base = SummarizeChoice(base);
    std::unordered_set<std::u16string, CKeyedHash> seen;
    for (const CHidDevNet& record : base.m_records) {
        if (!seen.insert(AsciiUpperCopy(record.m_strGuid)).second)
            continue;
        CWhatIfAbsence absence;
        absence.m_strGuid = record.m_strGuid;
        absence.m_dwFlags = record.m_dwFlags;
        absence.m_outcome =
            SummarizeChoice(ReplaySnapshotReport(SnapshotWithoutAdapter(snapshot, record.m_strGuid)));
        whatIf.m_without.push_back(std::move(absence));
    }
    whatIf.m_tableUnreadable = SummarizeChoice(ReplaySnapshotReport(SnapshotWithoutAdapterTable(snapshot)));
    return whatIf;
}
