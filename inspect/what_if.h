#pragma once

// What if one adapter were gone: the determination replayed on a snapshot from which every answer about one GUID is
// taken away, for each adapter of the inventory in turn, and once more with an adapter table that cannot be read.
// A support desk learns from it which adapter the host ID hangs on before anyone undocks or unplugs anything.

#include <string>
#include <string_view>
#include <vector>

#include "inspect/outcome.h"
#include "inspect/snapshot.h"

// The snapshot without every answer about the GUID (compared without regard to letter case): the network
// components with that instance GUID, the devices whose NetCfgInstanceId names it, the driver of that name, and the
// adapter-table entries named by it. The empty GUID text names the devices without a NetCfgInstanceId and the table
// entries without a name, as the passes match them.
CSnapshot SnapshotWithoutAdapter(const CSnapshot& snapshot, std::u16string_view strGuid);

// The snapshot with an adapter table whose read fails after its size query succeeded.
CSnapshot SnapshotWithoutAdapterTable(const CSnapshot& snapshot);

struct CWhatIfAbsence {
    std::u16string m_strGuid;  // the absent adapter's GUID text, as its first record holds it
    uint32_t m_dwFlags = 0;    // that record's flags, for naming its bus
    CChoiceOutcome m_outcome;  // the determination without it
};

struct CWhatIfReport {
    std::u16string m_strComputerName;
    CChoiceOutcome m_base;                  // the snapshot as it is
    std::vector<CWhatIfAbsence> m_without;  // one per GUID of the inventory, in list order; records that share a
                                            // GUID apart from letter case are one adapter
    CChoiceOutcome m_tableUnreadable;
};

// Replays only the absences that can change the choice; every other one keeps the chosen record.
CWhatIfReport BuildWhatIf(const CSnapshot& snapshot);

// The readable what-if, UTF-8, lines ended by "\n".
std::string FormatTextWhatIf(const CWhatIfReport& whatIf);

// { "host_id", "selected", "how",
//   "without": [ { "guid", "host_id", "selected", "selected_guid", "how", "changes" } ],
//   "table_unreadable": { "host_id", "selected", "selected_guid", "how", "changes" } }
std::string FormatJsonWhatIf(const CWhatIfReport& whatIf);
