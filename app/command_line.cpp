#include "app/command_line.h"

#include "app/start_up.h"

void ParseCommandLine(const std::vector<std::u16string>& arguments, CCommandLineInfo& info)
{
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& strArgument = arguments[i];
        const bool bIsSwitch = !strArgument.empty() && (strArgument[0] == u'-' || strArgument[0] == u'/');
        const bool bIsLast = i + 1 == arguments.size();
        info.ParseParam(bIsSwitch ? strArgument.substr(1) : strArgument, bIsSwitch, bIsLast);
    }
}

CConfigurationData::CConfigurationData(IOutputFileSystem& fileSystem) : m_fileSystem(fileSystem) {}

void CConfigurationData::ParseParam(const std::u16string& strParam, bool bIsSwitch, bool /*bIsLast*/)
{
    static const std::u16string kExitSwitch = u"exit:";
    if (!bIsSwitch || strParam.compare(0, kExitSwitch.size(), kExitSwitch) != 0)
        return;

    m_bExit = true;
    m_strExitPath = strParam.substr(kExitSwitch.size());

    // The output directory is created here, before anything is determined.
    const size_t nSeparator = m_strExitPath.rfind(m_fileSystem.GetDirectorySeparator());
    if (nSeparator == std::u16string::npos)
        return;
    const std::u16string strDirectory = m_strExitPath.substr(0, nSeparator);
    // A path that begins with the separator names the root of the current drive, which always exists.
    if (!strDirectory.empty() && !m_fileSystem.PathExists(strDirectory))
        m_fileSystem.CreateDirectoryTree(strDirectory);
}
