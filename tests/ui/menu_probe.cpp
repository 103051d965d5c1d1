// lumo_menu_probe.dll: the GUI test's look at a window's menu from inside the window's own process. Wine keeps a
// menu's items in the process that owns it, so another process cannot read them; the driver sets this hook on the
// program's window thread, and on the probe message the hook describes the menu of the window into
// %TEMP%\lumo-menu-probe.txt, one "key=value" line each:
//   bar.count, and for each bar item i: bar.<i>.text, bar.<i>.type (hex), bar.<i>.popup (0 or 1);
//   popup.count, and for each item j of the first popup: popup.<j>.text, popup.<j>.type (hex), popup.<j>.id

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* pszText)
{
    char szText[512] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, pszText, -1, szText, sizeof(szText) - 1, nullptr, nullptr);
    return szText;
}

std::string Hex(UINT nValue)
{
    char szText[16];
    std::snprintf(szText, sizeof(szText), "%08X", nValue);
    return szText;
}

// Describes one item and returns its popup menu, if any.
HMENU DescribeItem(std::string& text, const char* pszPrefix, HMENU hMenu, int nPosition)
{
    wchar_t szItem[256] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_ID;
    item.dwTypeData = szItem;
    item.cch = 256;
    if (!::GetMenuItemInfoW(hMenu, static_cast<UINT>(nPosition), TRUE, &item))
        return nullptr;
    const std::string key = std::string(pszPrefix) + "." + std::to_string(nPosition) + ".";
    text += key + "text=" + Utf8(szItem) + "\n";
    text += key + "type=" + Hex(item.fType) + "\n";
    if (item.hSubMenu)
        text += key + "popup=1\n";
    else
        text += key + "id=" + std::to_string(item.wID) + "\n";
    return item.hSubMenu;
}

void DescribeMenu(HWND hWnd)
{
    std::string text;
    const HMENU hBar = ::GetMenu(hWnd);
    const int nBar = hBar ? ::GetMenuItemCount(hBar) : -1;
    text += "bar.count=" + std::to_string(nBar) + "\n";
    HMENU hFirstPopup = nullptr;
    for (int i = 0; i < nBar; ++i) {
        const HMENU hPopup = DescribeItem(text, "bar", hBar, i);
        if (!hFirstPopup)
            hFirstPopup = hPopup;
    }
    const int nPopup = hFirstPopup ? ::GetMenuItemCount(hFirstPopup) : -1;
    text += "popup.count=" + std::to_string(nPopup) + "\n";
    for (int j = 0; j < nPopup; ++j)
        DescribeItem(text, "popup", hFirstPopup, j);

    wchar_t szPath[MAX_PATH] = {};
    if (!::GetTempPathW(MAX_PATH, szPath))
        return;
    std::wstring strPath = std::wstring(szPath) + L"lumo-menu-probe.txt";
    const HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    DWORD nWritten = 0;
    ::WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr);
    ::CloseHandle(hFile);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK LumoMenuProbeHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION) {
        const auto* pMessage = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (pMessage->message == ::RegisterWindowMessageW(L"LumoMenuProbe"))
            DescribeMenu(pMessage->hwnd);
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
