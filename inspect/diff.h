#pragma once

// Two determinations side by side, OLD and NEW (two snapshots, or a snapshot and this machine): which adapter
// records came, went or changed, which adapter-table entries came or went, the choice of each, and one sentence
// that says why the host ID changed or that it did not.

#include <string>
#include <utility>
#include <vector>

#include "inspect/report.h"

struct CReportDiff {
    std::vector<size_t> m_recordsAdded;    // indices into NEW's inventory
    std::vector<size_t> m_recordsRemoved;  // indices into OLD's inventory
    std::vector<std::pair<size_t, size_t>> m_recordsChanged;  // (OLD index, NEW index), in NEW's order
    std::vector<size_t> m_entriesAdded;    // indices into NEW's adapter table
    std::vector<size_t> m_entriesRemoved;  // indices into OLD's adapter table
    bool m_bHostIdChanged = false;
    std::string m_strWhy;                  // one sentence
};

// Records are paired by GUID text without regard to letter case; records that share a GUID are paired in list
// order. Adapter-table entries are the same when name (apart from letter case), description and address are.
CReportDiff CompareReports(const CInspectReport& oldReport, const CInspectReport& newReport);

// The readable comparison, UTF-8, lines ended by "\n"; the sentence comes first. strOld and strNew name the two
// sides (a file name, or "this machine").
std::string FormatTextDiff(const CInspectReport& oldReport, const CInspectReport& newReport, const CReportDiff& diff,
                           const std::string& strOld, const std::string& strNew);

// { "host_id_changed", "why",
//   "old": { "source", "computer_name", "host_id", "selected", "selected_guid", "how", "table_read" }, "new": {...},
//   "records": { "added": [record], "removed": [record],
//                "changed": [ { "guid", "old": record, "new": record, "fields": ["flags", ...],
//                               "flags_added": [names], "flags_removed": [names] } ] },
//   "adapter_table": { "added": [entry], "removed": [entry] } }
// A record is as in the report; an entry is { "name", "description", "address" }.
std::string FormatJsonDiff(const CInspectReport& oldReport, const CInspectReport& newReport, const CReportDiff& diff,
                           const std::string& strOld, const std::string& strNew);
