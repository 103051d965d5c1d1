#pragma once

// A snapshot's whole round trip, as the inspect tool makes it: one determination over the sources recorded, the
// snapshot written out as text, read back and replayed.

#include <gtest/gtest.h>

#include <string>

#include "inspect/recording_sources.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"

struct CSnapshotRoundTrip {
    std::string m_strText;    // the recorded snapshot, as written out
    CSnapshot m_back;         // the snapshot read back from that text
    CInspectReport m_report;  // the report of a replay of m_back
};

// Fails, with the parser's message and the text, when the written snapshot does not read back.
inline testing::AssertionResult RoundTripSnapshot(const CInventorySources& sources,
                                                  const std::u16string& strComputerName, CSnapshotRoundTrip& trip)
{
    // A determination that ran out of memory is recorded as far as it got, for the tests of what such a machine
    // answered.
    CSnapshot recorded;
    RecordSnapshot(sources, recorded);
    recorded.m_strComputerName = strComputerName;
    trip.m_strText = SerializeSnapshot(recorded);
    CSnapshotError error;
    if (!ParseSnapshot(trip.m_strText, trip.m_back, error)) {
        return testing::AssertionFailure() << error.m_strPath << ": " << error.m_strMessage << "\n"
                                           << trip.m_strText;
    }
    CReplaySources replay(trip.m_back);
    trip.m_report = BuildReport(replay.Get(), trip.m_back.m_strComputerName);
    return testing::AssertionSuccess();
}
