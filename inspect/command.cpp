#include "inspect/command.h"

#include <exception>
#include <new>
#include <optional>

#include "common/text.h"
#include "hostid/host_id_check.h"
#include "inspect/diff.h"
#include "inspect/json_io.h"
#include "inspect/outcome.h"
#include "inspect/recording_sources.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"
#include "inspect/what_if.h"

namespace {

constexpr char kProgramName[] = "lumohostid-inspect";

// The name NEW takes in --diff for this machine.
constexpr char16_t kThisMachine[] = u"-";

struct COptions {
    bool m_bJson = false;
    bool m_bHelp = false;
    bool m_bWhatIf = false;
    std::optional<std::u16string> m_strSnapshot;
    std::optional<std::u16string> m_strReplay;
    std::optional<std::u16string> m_strCheck;
    std::optional<std::u16string> m_strDiffOld;
    std::u16string m_strDiffNew;
};

// Every message is one line of UTF-8: a file name or a field path with a line end in it must not start a second
// one, and the bytes of malformed text that the parser quotes become U+FFFD.
std::string OneLine(std::string_view message)
{
    return PrintableUtf8(Utf8ToUtf16(message)) + "\n";
}

// What is wrong with the command line, in a few words; empty when nothing is.
std::string ParseOptions(const std::vector<std::u16string>& arguments, COptions& options)
{
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& strArgument = arguments[i];
        const std::string strName = Utf16ToUtf8(strArgument);
        if (strArgument == u"--json" || strArgument == u"--what-if") {
            bool& bTarget = strArgument == u"--json" ? options.m_bJson : options.m_bWhatIf;
            if (bTarget)
                return strName + " is given twice";
            bTarget = true;
        } else if (strArgument == u"--help" || strArgument == u"-h") {
            options.m_bHelp = true;
        } else if (strArgument == u"--snapshot" || strArgument == u"--replay") {
            std::optional<std::u16string>& strTarget =
                strArgument == u"--snapshot" ? options.m_strSnapshot : options.m_strReplay;
            if (strTarget)
                return strName + " is given twice";
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                return strName + " needs a file name";
            strTarget = arguments[++i];
        } else if (strArgument == u"--check") {
            if (options.m_strCheck)
                return "--check is given twice";
            // An empty host ID is a question with an answer (it is not valid), not a usage error.
            if (i + 1 >= arguments.size())
                return "--check needs a host ID";
            options.m_strCheck = arguments[++i];
        } else if (strArgument == u"--diff") {
            if (options.m_strDiffOld)
                return "--diff is given twice";
            if (i + 2 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 2].empty())
                return "--diff needs two snapshots, OLD and NEW (- for this machine)";
            if (arguments[i + 1] == kThisMachine)
                return "--diff: OLD must be a snapshot file; only NEW may be - (this machine)";
            options.m_strDiffOld = arguments[++i];
            options.m_strDiffNew = arguments[++i];
        } else {
            return "unknown argument: " + strName;
        }
    }
    const int nModes = (options.m_strSnapshot ? 1 : 0) + (options.m_strCheck ? 1 : 0) +
                       (options.m_strDiffOld ? 1 : 0) + (options.m_bWhatIf ? 1 : 0);
    if (nModes > 1)
        return "--snapshot, --check, --diff and --what-if exclude each other";
    if (options.m_strReplay && options.m_strSnapshot)
        return "--snapshot and --replay exclude each other";
    if (options.m_strReplay && (options.m_strCheck || options.m_strDiffOld))
        return std::string(options.m_strCheck ? "--check" : "--diff") + " reads no machine, and --replay names one";
    if (options.m_strSnapshot && options.m_bJson)
        return "--json formats the report, and --snapshot writes no report";
    return std::string();
}

int Error(IInspectHost& host, const std::string& strLine)
{
    host.WriteErr(OneLine(strLine));
    return kInspectExitError;
}

// The message for memory that ran out, written without asking for more: the static line goes out as it is.
int NoMemory(IInspectHost& host) noexcept
{
    try {
        host.WriteErr("lumohostid-inspect: memory ran out during the determination: the host ID is unknown\n");
    } catch (...) {
    }
    return kInspectExitError;
}

// Reads and parses a snapshot file. On failure the one-line error is written and false returned.
bool LoadSnapshot(const std::u16string& strPath, IInspectHost& host, CSnapshot& snapshot)
{
    std::string bytes;
    std::string strReason;
    CSnapshotError error;
    if (!host.ReadFile(strPath, kMaxSnapshotBytes, bytes, strReason))
        error.m_strMessage = "cannot be read: " + strReason;
    else if (ParseSnapshot(bytes, snapshot, error))
        return true;
    const std::string strWhere = error.m_strPath.empty() ? std::string() : error.m_strPath + ": ";
    Error(host, Utf16ToUtf8(strPath) + ": " + strWhere + error.m_strMessage);
    return false;
}

// What this machine's sources answer to one determination, as a snapshot.
CSnapshot RecordLiveSnapshot(IInspectHost& host)
{
    CSnapshot snapshot;
    // A recording that memory ran out for may lack answers the machine gave: it is no snapshot of it.
    if (!RecordSnapshot(host.GetLiveSources(), snapshot))
        throw std::bad_alloc();
    snapshot.m_strComputerName = host.GetComputerName();
    return snapshot;
}

int Output(IInspectHost& host, const std::string& strOut, int nExitCode = kInspectExitOk)
{
    if (!host.WriteOut(strOut))
        return Error(host, std::string(kProgramName) + ": cannot write to standard output");
    return nExitCode;
}

int WriteSnapshot(const std::u16string& strPath, IInspectHost& host)
{
    const std::string strText = SerializeSnapshot(RecordLiveSnapshot(host));
    if (strPath == u"-")
        return Output(host, strText);
    std::string strReason;
    if (!host.WriteFile(strPath, strText, strReason))
        return Error(host, Utf16ToUtf8(strPath) + ": cannot be written: " + strReason);
    return kInspectExitOk;
}

int Report(const COptions& options, IInspectHost& host)
{
    CInspectReport report;
    if (options.m_strReplay) {
        CSnapshot snapshot;
        if (!LoadSnapshot(*options.m_strReplay, host, snapshot))
            return kInspectExitError;
        std::u16string strComputerName = snapshot.m_strComputerName;
        CReplaySources replay(std::move(snapshot));
        report = BuildReport(replay.Get(), std::move(strComputerName));
    } else {
        report = BuildReport(host.GetLiveSources(), host.GetComputerName());
    }
    // A determination that ran out of memory is shown as far as it got, and fails the run.
    const int nExitCode = Output(host, options.m_bJson ? FormatJsonReport(report) : FormatTextReport(report));
    return report.m_bNoMemory ? NoMemory(host) : nExitCode;
}

int Check(const COptions& options, IInspectHost& host)
{
    // The argument's own bytes, as it was typed: a byte that is not UTF-8 came in as an escape and goes back out as
    // that byte, so that the reason names it rather than the replacement character's first byte.
    const SHostIdCheck check = CheckHostIdText(Utf16ToFileName(*options.m_strCheck));
    const int nExitCode = check.IsValid() ? kInspectExitOk : kInspectExitInvalid;
    if (options.m_bJson) {
        CJsonTree tree;
        json& document = tree.Get();
        document["valid"] = check.IsValid();
        document["normalized"] = check.m_strNormalized.empty() ? json(nullptr) : json(check.m_strNormalized);
        document["reason"] = check.IsValid() ? json(nullptr) : json(check.m_strReason);
        return Output(host, DumpJson(document), nExitCode);
    }
    if (check.IsValid())
        return Output(host, "valid: " + check.m_strNormalized + "\n", nExitCode);
    // The reason names a typed character by its byte value when it is not printable, so the line stays one line.
    return Output(host, "not valid: " + check.m_strReason + "\n", nExitCode);
}

int WhatIf(const COptions& options, IInspectHost& host)
{
    CSnapshot snapshot;
    if (!options.m_strReplay)
        snapshot = RecordLiveSnapshot(host);
    else if (!LoadSnapshot(*options.m_strReplay, host, snapshot))
        return kInspectExitError;
    const CWhatIfReport whatIf = BuildWhatIf(snapshot);
    return Output(host, options.m_bJson ? FormatJsonWhatIf(whatIf) : FormatTextWhatIf(whatIf));
}

int Diff(const COptions& options, IInspectHost& host)
{
    // Both files are read before this machine is asked anything, so that a bad file fails fast.
    CSnapshot oldSnapshot;
    if (!LoadSnapshot(*options.m_strDiffOld, host, oldSnapshot))
        return kInspectExitError;
    const bool bNewIsLive = options.m_strDiffNew == kThisMachine;
    CSnapshot newSnapshot;
    if (!bNewIsLive && !LoadSnapshot(options.m_strDiffNew, host, newSnapshot))
        return kInspectExitError;

    const CInspectReport oldReport = ReplaySnapshotReport(std::move(oldSnapshot));
    const CInspectReport newReport = bNewIsLive ? BuildReport(host.GetLiveSources(), host.GetComputerName())
                                                : ReplaySnapshotReport(std::move(newSnapshot));
    // This machine's determination that ran out of memory has nothing to compare; a snapshot's recorded answer
    // of no memory for the table is compared like any other.
    if (bNewIsLive && newReport.m_bNoMemory)
        return NoMemory(host);
    const CReportDiff diff = CompareReports(oldReport, newReport);
    const std::string strOld = Utf16ToUtf8(*options.m_strDiffOld);
    const std::string strNew = bNewIsLive ? std::string("this machine") : Utf16ToUtf8(options.m_strDiffNew);
    return Output(host, options.m_bJson ? FormatJsonDiff(oldReport, newReport, diff, strOld, strNew)
                                        : FormatTextDiff(oldReport, newReport, diff, strOld, strNew));
}

}  // namespace

std::string InspectUsage()
{
    return "Usage: lumohostid-inspect [--json]\n"
           "       lumohostid-inspect --replay FILE [--json]\n"
           "       lumohostid-inspect --snapshot FILE\n"
           "       lumohostid-inspect --what-if [--replay FILE] [--json]\n"
           "       lumohostid-inspect --diff OLD NEW [--json]\n"
           "       lumohostid-inspect --check ID [--json]\n"
           "\n"
           "Explains how the host ID of this machine is chosen: the network adapters found, the adapter table, the\n"
           "chosen adapter with the rule that chose it, and the host ID with its digest input.\n"
           "\n"
           "  --json           print the answer as one JSON object\n"
           "  --snapshot FILE  write what this machine's sources answered to FILE (snapshot format 2);\n"
           "                   FILE - is standard output\n"
           "  --replay FILE    report on the answers of a snapshot instead of this machine\n"
           "  --what-if        the host ID if each adapter in turn were absent, and if the adapter table\n"
           "                   could not be read\n"
           "  --diff OLD NEW   compare two snapshots (NEW - is this machine): adapters added, removed and\n"
           "                   changed, the choice of each, and why the host ID changed or did not\n"
           "  --check ID       whether a typed host ID is well formed, with the reason when it is not\n"
           "  --help           print this text\n"
           "\n"
           "Exit code 0 on success (also when no adapter is chosen, and whether or not --diff finds a change),\n"
           "1 when --check finds the host ID not valid, 2 on any error.\n";
}

int RunInspect(const std::vector<std::u16string>& arguments, IInspectHost& host)
{
    try {
        COptions options;
        if (const std::string strError = ParseOptions(arguments, options); !strError.empty()) {
            host.WriteErr(OneLine(std::string(kProgramName) + ": " + strError) + InspectUsage());
            return kInspectExitError;
        }
        if (options.m_bHelp)
            return Output(host, InspectUsage());
        if (options.m_strSnapshot)
            return WriteSnapshot(*options.m_strSnapshot, host);
        if (options.m_strCheck)
            return Check(options, host);
        if (options.m_bWhatIf)
            return WhatIf(options, host);
        if (options.m_strDiffOld)
            return Diff(options, host);
        return Report(options, host);
    } catch (const std::bad_alloc&) {
        return NoMemory(host);
    } catch (const std::exception& e) {
        // Whatever else went wrong ends the run with a message, never with a signal.
        try {
            return Error(host, std::string(kProgramName) + ": internal error: " + e.what());
        } catch (...) {
            return kInspectExitError;
        }
    } catch (...) {
        return kInspectExitError;
    }
}
