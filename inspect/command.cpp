#include "inspect/command.h"

#include <exception>
#include <optional>

#include "common/text.h"
#include "inspect/recording_sources.h"
#include "inspect/replay_sources.h"
#include "inspect/report.h"
#include "inspect/snapshot.h"
#include "inventory/base_host_id.h"

namespace {

constexpr char kProgramName[] = "lumohostid-inspect";

struct COptions {
    bool m_bJson = false;
    bool m_bHelp = false;
    std::optional<std::u16string> m_strSnapshot;
    std::optional<std::u16string> m_strReplay;
};

// Every message is one line of UTF-8: a file name or a field path with a line end in it must not start a second
// one, and the bytes of malformed text that the parser quotes become U+FFFD.
std::string OneLine(std::string_view message)
{
    return PrintableUtf8(Utf8ToUtf16(message)) + "\n";
}

bool ParseOptions(const std::vector<std::u16string>& arguments, COptions& options, std::string& strError)
{
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& strArgument = arguments[i];
        if (strArgument == u"--json") {
            if (options.m_bJson) {
                strError = "--json is given twice";
                return false;
            }
            options.m_bJson = true;
        } else if (strArgument == u"--help" || strArgument == u"-h") {
            options.m_bHelp = true;
        } else if (strArgument == u"--snapshot" || strArgument == u"--replay") {
            std::optional<std::u16string>& strTarget =
                strArgument == u"--snapshot" ? options.m_strSnapshot : options.m_strReplay;
            const std::string strName = Utf16ToUtf8(strArgument);
            if (strTarget) {
                strError = strName + " is given twice";
                return false;
            }
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                strError = strName + " needs a file name";
                return false;
            }
            strTarget = arguments[++i];
        } else {
            strError = "unknown argument: " + Utf16ToUtf8(strArgument);
            return false;
        }
    }
    if (options.m_strSnapshot && options.m_strReplay) {
        strError = "--snapshot and --replay exclude each other";
        return false;
    }
    if (options.m_strSnapshot && options.m_bJson) {
        strError = "--json formats the report, and --snapshot writes no report";
        return false;
    }
    return true;
}

int Error(IInspectHost& host, const std::string& strLine)
{
    host.WriteErr(OneLine(strLine));
    return kInspectExitError;
}

int WriteSnapshot(const std::u16string& strPath, IInspectHost& host)
{
    CRecordingSources recorder(host.GetLiveSources());
    {
        CBaseHostId hostId(recorder.Get());
        hostId.DetermineAdapter();
    }
    CSnapshot snapshot = recorder.GetSnapshot();
    snapshot.m_strComputerName = host.GetComputerName();
    const std::string strText = SerializeSnapshot(snapshot);

    if (strPath == u"-") {
        if (!host.WriteOut(strText))
            return Error(host, std::string(kProgramName) + ": cannot write to standard output");
        return kInspectExitOk;
    }
    std::string strReason;
    if (!host.WriteFile(strPath, strText, strReason))
        return Error(host, Utf16ToUtf8(strPath) + ": cannot be written: " + strReason);
    return kInspectExitOk;
}

int Report(const COptions& options, IInspectHost& host)
{
    CInspectReport report;
    if (options.m_strReplay) {
        const std::u16string& strPath = *options.m_strReplay;
        const std::string strFile = Utf16ToUtf8(strPath);
        std::string bytes;
        std::string strReason;
        if (!host.ReadFile(strPath, kMaxSnapshotBytes, bytes, strReason))
            return Error(host, strFile + ": cannot be read: " + strReason);
        CSnapshot snapshot;
        CSnapshotError error;
        if (!ParseSnapshot(bytes, snapshot, error)) {
            const std::string strWhere = error.m_strPath.empty() ? std::string() : error.m_strPath + ": ";
            return Error(host, strFile + ": " + strWhere + error.m_strMessage);
        }
        // The text is read; its memory serves the replay and the report.
        std::string().swap(bytes);
        std::u16string strComputerName = snapshot.m_strComputerName;
        CReplaySources replay(std::move(snapshot));
        report = BuildReport(replay.Get(), std::move(strComputerName));
    } else {
        report = BuildReport(host.GetLiveSources(), host.GetComputerName());
    }

    const std::string strOut = options.m_bJson ? FormatJsonReport(report) : FormatTextReport(report);
    if (!host.WriteOut(strOut))
        return Error(host, std::string(kProgramName) + ": cannot write to standard output");
    return kInspectExitOk;
}

}  // namespace

std::string InspectUsage()
{
    return "Usage: lumohostid-inspect [--json]\n"
           "       lumohostid-inspect --replay FILE [--json]\n"
           "       lumohostid-inspect --snapshot FILE\n"
           "\n"
           "Explains how the host ID of this machine is chosen: the network adapters found, the adapter table, the\n"
           "chosen adapter with the rule that chose it, and the host ID with its digest input.\n"
           "\n"
           "  --json           print the report as one JSON object\n"
           "  --snapshot FILE  write what this machine's sources answered to FILE (snapshot format 2);\n"
           "                   FILE - is standard output\n"
           "  --replay FILE    report on the answers of a snapshot instead of this machine\n"
           "  --help           print this text\n"
           "\n"
           "Exit code 0 on success (also when no adapter is chosen), 2 on any error.\n";
}

int RunInspect(const std::vector<std::u16string>& arguments, IInspectHost& host)
{
    try {
        COptions options;
        std::string strError;
        if (!ParseOptions(arguments, options, strError)) {
            host.WriteErr(OneLine(std::string(kProgramName) + ": " + strError) + InspectUsage());
            return kInspectExitError;
        }
        if (options.m_bHelp) {
            if (!host.WriteOut(InspectUsage()))
                return Error(host, std::string(kProgramName) + ": cannot write to standard output");
            return kInspectExitOk;
        }
        if (options.m_strSnapshot)
            return WriteSnapshot(*options.m_strSnapshot, host);
        return Report(options, host);
    } catch (const std::exception& e) {
        // Memory exhaustion is the one failure expected here; whatever it is, it ends the run with a message.
        return Error(host, std::string(kProgramName) + ": " + e.what());
    }
}
