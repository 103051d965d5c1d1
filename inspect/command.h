#pragma once

// lumohostid-inspect: explains the host-ID choice on this machine, writes what the machine's sources answered as a
// snapshot, or replays a snapshot. The determination is the main program's own; only the sources differ.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/sources.h"

constexpr int kInspectExitOk = 0;       // also when nothing was chosen, and whether or not --diff finds a change
constexpr int kInspectExitInvalid = 1;  // --check: the host ID is not valid
constexpr int kInspectExitError = 2;    // usage error, unreadable or malformed snapshot, output that cannot be written

// A snapshot larger than this is refused before it is parsed; a real one is a few kilobytes.
constexpr size_t kMaxSnapshotBytes = 16u * 1024 * 1024;

// What the tool needs from the system it runs on.
class IInspectHost {
public:
    virtual ~IInspectHost() = default;

    // The sources of this machine. Asked for only when a report or a snapshot of this machine is wanted.
    virtual CInventorySources GetLiveSources() = 0;

    // The name of this machine; empty when it cannot be had.
    virtual std::u16string GetComputerName() = 0;

    // Reads a whole file of at most nMaxBytes bytes. On failure strReason says why, in a few words.
    virtual bool ReadFile(const std::u16string& strPath, size_t nMaxBytes, std::string& bytes,
                          std::string& strReason) = 0;

    // Creates or overwrites a file with the bytes. On failure strReason says why.
    virtual bool WriteFile(const std::u16string& strPath, std::string_view bytes, std::string& strReason) = 0;

    // Writes bytes to standard output or standard error as they are, whatever the console's code page.
    virtual bool WriteOut(std::string_view bytes) = 0;
    virtual bool WriteErr(std::string_view bytes) = 0;
};

// The usage text, lines ended by "\n".
std::string InspectUsage();

// Runs the tool; arguments holds the program name first. Returns the exit code.
int RunInspect(const std::vector<std::u16string>& arguments, IInspectHost& host);
