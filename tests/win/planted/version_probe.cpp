// Reads a file's version through the programs' version reader and prints it, so that a test can watch how the
// reader loads version.dll.
//   lumo_version_probe FILE

#include <cstdio>
#include <string>

#include "common/win/wide.h"
#include "ui/file_version_info.h"
#include "ui/win/version_resource_reader.h"

extern "C" int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    CWinVersionResourceReader reader;
    CFileVersionInfo info(reader);
    info.m_strFile = FromWide(argv[1]);
    const std::u16string strVersion = info.GetFileVersion();
    std::printf("%s\n", std::string(strVersion.begin(), strVersion.end()).c_str());
    return strVersion.empty() ? 1 : 0;
}
