#pragma once

// Small pieces that the what-if and the comparison both use to describe the outcome of one determination.

#include <cstddef>
#include <optional>
#include <string>

#include "inspect/report.h"
#include "inspect/snapshot.h"

// Replays a snapshot and explains the determination it gives, as --replay does. The snapshot is taken by value so
// that a caller done with it can move it in. A determination that ran out of memory in this process has no outcome
// to compare or sum up: it throws std::bad_alloc, which ends the run as memory running out anywhere else does. A
// table answer of no memory that the snapshot recorded is replayed as the machine's answer.
CInspectReport ReplaySnapshotReport(CSnapshot snapshot);

// "the USB adapter {...}", "the adapter {...} on another bus", "the adapter {...}" for a record without a bus bit;
// the bus is named by BusName (inventory/choice_rules.h).
std::string AdapterPhrase(const std::u16string& strGuid, uint32_t dwFlags);

// What one determination chose; the what-if keeps only this much of each, since a machine with n adapters has n
// of them.
struct CChoiceOutcome {
    std::u16string m_strHostId;             // empty when nothing with an address was chosen
    std::optional<size_t> m_nSelected;      // index into that determination's own inventory
    std::u16string m_strSelectedGuid;       // the chosen record's GUID text
    EChoiceRule m_rule = EChoiceRule::None;
};

CChoiceOutcome SummarizeChoice(const CInspectReport& report);

// "record [1] {...} by the rule usb", or "no adapter" when nothing was chosen.
std::string ChoiceText(const CChoiceOutcome& outcome);

// A host ID for a sentence: the text, or "(none)".
std::string HostIdText(const CChoiceOutcome& outcome);
