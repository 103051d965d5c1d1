#pragma once

// The command line: the walk over the arguments and the one switch the program understands.

#include <string>
#include <vector>

class IOutputFileSystem;

// The command-line object of the application layer: the walk hands it each argument in turn.
class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;

    // One argument, its leading switch character already removed when bIsSwitch is set.
    virtual void ParseParam(const std::u16string& strParam, bool bIsSwitch, bool bIsLast) = 0;
};

// Walks the arguments after the program name (arguments[0]) into info. An argument that begins with "-" or "/" is
// a switch; that one character is removed and a second one stays part of the text.
void ParseCommandLine(const std::vector<std::u16string>& arguments, CCommandLineInfo& info);

class CConfigurationData : public CCommandLineInfo {
public:
    explicit CConfigurationData(IOutputFileSystem& fileSystem);
    ~CConfigurationData() override = default;

    // Understands only "exit:<path>", case-sensitively and at the start of a switch. It records the path and creates
    // the path's directory at once when it is missing. A later "exit:" replaces the path of an earlier one.
    void ParseParam(const std::u16string& strParam, bool bIsSwitch, bool bIsLast) override;

    std::u16string GetExitPath() const { return m_strExitPath; }

    bool m_bExit = false;

private:
    std::u16string m_strExitPath;
    IOutputFileSystem& m_fileSystem;
};
