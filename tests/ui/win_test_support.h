#pragma once

// Helpers of the Windows tests of the user interface and the program.

#include <windows.h>

#include <string>

#include "common/text.h"
#include "common/win/wide.h"

// The Windows form of a path of the build tree, which Wine shows as drive Z:.
inline std::u16string BuildTreePath(const char* pszUnixPath)
{
    std::u16string strPath = Utf8ToUtf16(pszUnixPath);
    if (!strPath.empty() && strPath[0] == u'/') {
        for (char16_t& ch : strPath) {
            if (ch == u'/')
                ch = u'\\';
        }
        strPath = u"Z:" + strPath;
    }
    return strPath;
}

// The text of a window (a control of another process too: WM_GETTEXT is marshalled).
inline std::u16string WindowText(HWND hWnd)
{
    wchar_t szText[1024] = {};
    ::SendMessageW(hWnd, WM_GETTEXT, sizeof(szText) / sizeof(szText[0]), reinterpret_cast<LPARAM>(szText));
    return FromWide(szText);
}

inline std::string Narrow(const std::u16string& strText)
{
    return Utf16ToUtf8(strText);
}
