#include "inspect/outcome.h"

#include <new>

#include "common/text.h"
#include "inspect/replay_sources.h"

CInspectReport ReplaySnapshotReport(CSnapshot snapshot)
{
    std::u16string strComputerName = snapshot.m_strComputerName;
    CReplaySources replay(std::move(snapshot));
    CInspectReport report = BuildReport(replay.Get(), std::move(strComputerName));
    // A snapshot may record that the machine had no memory for its adapter table: that is the machine's answer, to
    // be compared and explained like any other. Memory that ran out anywhere else ran out in this process.
    const CChoiceTrace& trace = report.m_trace;
    const bool bRecorded =
        trace.m_dwFirstAnswer == kAdapterTableNoMemory || trace.m_dwSecondAnswer == kAdapterTableNoMemory;
    if (report.m_bNoMemory && !bRecorded)
        throw std::bad_alloc();
    return report;
}

std::string AdapterPhrase(const std::u16string& strGuid, uint32_t dwFlags)
{
    const std::string strGuidText = PrintableOr(strGuid, "without a GUID");
    const std::string strBus = BusName(dwFlags);
    if (strBus.empty())
        return "the adapter " + strGuidText;
    if (strBus == "another bus")
        return "the adapter " + strGuidText + " on another bus";
    return "the " + strBus + " adapter " + strGuidText;
}

CChoiceOutcome SummarizeChoice(const CInspectReport& report)
{
    CChoiceOutcome outcome;
    outcome.m_strHostId = report.m_strHostId;
    if (const CHidDevNet* pSelected = SelectedRecord(report)) {
        outcome.m_nSelected = report.m_trace.m_nSelected;
        outcome.m_strSelectedGuid = pSelected->m_strGuid;
        outcome.m_rule = report.m_trace.m_rule;
    }
    return outcome;
}

std::string ChoiceText(const CChoiceOutcome& outcome)
{
    if (!outcome.m_nSelected)
        return "no adapter";
    return "record [" + std::to_string(*outcome.m_nSelected) + "] " +
           PrintableOr(outcome.m_strSelectedGuid, "without a GUID") + " by the rule " + ChoiceRuleName(outcome.m_rule);
}

std::string HostIdText(const CChoiceOutcome& outcome)
{
    return outcome.m_strHostId.empty() ? std::string("(none)") : Utf16ToUtf8(outcome.m_strHostId);
}
