#pragma once

// The start-up sequence of the program, free of any window system: command line, determination, host-ID text, then
// either the output file or the main dialog, and the exit code.

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/sources.h"

class CBaseHostId;

enum class EWriteResult {
    Written,       // the file was created (or emptied) and every byte written
    CannotCreate,  // the file could not be created or opened
    WriteFailed,   // the file was created, but the write failed or was short
};

// The file operations of start-up, as the platform provides them.
class IOutputFileSystem {
public:
    virtual ~IOutputFileSystem() = default;

    // The separator of directories in an output path: a backslash on Windows, a slash on Linux.
    virtual char16_t GetDirectorySeparator() const = 0;

    // Whether a file or directory of that name exists.
    virtual bool PathExists(const std::u16string& strPath) = 0;

    // Creates the directory with any missing parents. Failure is silent: it shows when the file is created.
    virtual void CreateDirectoryTree(const std::u16string& strDirectory) = 0;

    // Creates the file, or empties it when it exists, and writes the bytes.
    virtual EWriteResult WriteNewFile(const std::u16string& strPath, const std::vector<uint8_t>& bytes) = 0;
};

// The interactive side of start-up, as the platform provides it.
class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    // Sets up the user-interface library before anything else happens.
    virtual void SetUp() = 0;

    // Shows the main dialog with the host-ID text (which may be empty) until the user closes it.
    virtual void RunMainDialog(const std::u16string& strHostId) = 0;
};

// Process exit codes. Every failure ends with 1: an output file that cannot be written, memory that ran out during
// the determination (the host ID is then empty), and any other failure inside the program.
constexpr int32_t kExitOk = 0;
constexpr int32_t kExitOutputFileFailed = 1;
constexpr int32_t kExitNoMemory = 1;
constexpr int32_t kExitInternalError = 1;

// The host-ID text of the chosen adapter, determining first; empty when nothing with an address was chosen. Empty
// too, with bNoMemory set, when memory ran out anywhere in the determination or the digest: an ID taken from an
// incomplete inventory may be another adapter's, so none is given.
std::u16string DetermineHostIdText(CBaseHostId& hostId, bool& bNoMemory);
std::u16string DetermineHostIdText(CBaseHostId& hostId);

// What one determination over the sources gave, for the programs and the library to report.
struct CHostIdOutcome {
    std::u16string m_strHostId;  // empty when no adapter qualifies or memory ran out
    bool m_bNoMemory = false;    // memory ran out: the host ID is unknown, not absent
};

// One whole determination over the sources. Never throws std::bad_alloc: memory that runs out is the outcome's.
CHostIdOutcome DetermineHostId(const CInventorySources& sources);

// The bytes of the output file: the host-ID text as single bytes (at most 49) and one zero byte.
std::vector<uint8_t> OutputFileBytes(const std::u16string& strHostId);

// Runs the whole start-up and returns the exit code. arguments holds the program name first. With no sources (the
// program could not set them up for lack of memory) the determination counts as having run out of memory. Memory
// that runs out in the determination leaves the output file empty (zero bytes) or the dialog's field empty, and the
// exit code is kExitNoMemory. Memory that runs out before the command line is known escapes as std::bad_alloc.
int32_t RunStartUp(const std::vector<std::u16string>& arguments, IOutputFileSystem& fileSystem,
                   IUserInterface& userInterface, const CInventorySources* pSources);
int32_t RunStartUp(const std::vector<std::u16string>& arguments, IOutputFileSystem& fileSystem,
                   IUserInterface& userInterface, const CInventorySources& sources);
