// The snapshot reader and the replay behind it, on any document.

#include "fuzz_input.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CSnapshot snapshot;
    CSnapshotError error;
    if (!ParseSnapshot(text, snapshot, error)) {
        FUZZ_CHECK(!error.m_strMessage.empty());
        // One short line, whatever the document holds: the command adds the file name and a few characters.
        FUZZ_CHECK(error.m_strPath.size() <= kMaxPathBytes);
        FUZZ_CHECK(error.m_strPath.size() + error.m_strMessage.size() < 190);
        return 0;
    }

    // What was read writes back into a document that reads the same way and writes identically again.
    const std::string strWritten = SerializeSnapshot(snapshot);
    CSnapshot reread;
    FUZZ_CHECK(ParseSnapshot(strWritten, reread, error));
    FUZZ_CHECK(SerializeSnapshot(reread) == strWritten);

    // The replay runs the whole determination and both reports.
    const std::u16string strComputerName = snapshot.m_strComputerName;
    CReplaySources replay(std::move(snapshot));
    const CInspectReport report = BuildReport(replay.Get(), strComputerName);
    FUZZ_CHECK(report.m_strHostId.empty() || report.m_strHostId.size() == 14);
    FUZZ_CHECK(!FormatJsonReport(report).empty());
    FUZZ_CHECK(!FormatTextReport(report).empty());
    return 0;
}
