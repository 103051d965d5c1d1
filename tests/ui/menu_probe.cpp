// lumo_menu_probe.dll: the GUI test's look at a window's menu from inside the window's own process. Wine keeps a
// menu's items in the process that owns it, so another process cannot read them; the driver sets this hook on the
// program's window thread, and on the probe message the hook describes the menu of the window into
// %TEMP%\lumo-menu-probe.txt, one "key=value" line each:
//   bar.count, and for each bar item i: bar.<i>.text, bar.<i>.type (hex), bar.<i>.popup (0 or 1);
//   popup.count, and for each item j of the first popup: popup.<j>.text, popup.<j>.type (hex), popup.<j>.id
// On the layout message it measures, in the same process (a font or bitmap handle means nothing in another one),
// whether every text and picture of the window's controls fits its control, into %TEMP%\lumo-layout-probe.txt:
//   checked=<how many controls were measured>, then one "cut=<what>" line for each that does not fit.

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "support/win/menu_item.h"

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
    const std::optional<CMenuItem> item = ReadMenuItem(hMenu, nPosition);
    if (!item)
        return nullptr;
    const std::string key = std::string(pszPrefix) + "." + std::to_string(nPosition) + ".";
    text += key + "text=" + Utf8(item->m_strText.c_str()) + "\n";
    text += key + "type=" + Hex(item->m_fType) + "\n";
    if (item->m_hSubMenu)
        text += key + "popup=1\n";
    else
        text += key + "id=" + std::to_string(item->m_wID) + "\n";
    return item->m_hSubMenu;
}

void WriteProbeFile(const wchar_t* pszName, const std::string& text)
{
    wchar_t szPath[MAX_PATH] = {};
    if (!::GetTempPathW(MAX_PATH, szPath))
        return;
    std::wstring strPath = std::wstring(szPath) + pszName;
    const HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    DWORD nWritten = 0;
    ::WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr);
    ::CloseHandle(hFile);
}

std::string Size(LONG nWidth, LONG nHeight)
{
    return std::to_string(nWidth) + "x" + std::to_string(nHeight);
}

// The size a control's text takes, drawn in the control's font as the control draws it: one line for an edit field
// or a no-wrap static, wrapped at the control's width otherwise.
SIZE TextSize(HWND hControl, const wchar_t* pszText, bool bSingleLine, LONG nWidth)
{
    RECT needed = {0, 0, nWidth, 0};
    const HDC hdc = ::GetDC(hControl);
    const HGDIOBJ hOld = ::SelectObject(hdc, reinterpret_cast<HGDIOBJ>(::SendMessageW(hControl, WM_GETFONT, 0, 0)));
    const LONG dwStyle = ::GetWindowLongW(hControl, GWL_STYLE);
    UINT uFormat = DT_CALCRECT | DT_NOCLIP | (bSingleLine ? DT_SINGLELINE : DT_WORDBREAK);
    wchar_t szClass[32] = {};
    ::GetClassNameW(hControl, szClass, 32);
    if (lstrcmpiW(szClass, L"Edit") == 0 || (dwStyle & SS_NOPREFIX) != 0)
        uFormat |= DT_NOPREFIX;
    ::DrawTextW(hdc, pszText, -1, &needed, uFormat);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(hControl, hdc);
    return SIZE{needed.right - needed.left, needed.bottom - needed.top};
}

void MeasureLayout(HWND hWnd)
{
    std::string cuts;
    int nChecked = 0;
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        wchar_t szClass[32] = {};
        wchar_t szText[512] = {};
        ::GetClassNameW(hChild, szClass, 32);
        ::GetWindowTextW(hChild, szText, 512);
        RECT client = {};
        ::GetClientRect(hChild, &client);
        const LONG dwStyle = ::GetWindowLongW(hChild, GWL_STYLE);
        const std::string name = "\"" + Utf8(szText) + "\" (control " + std::to_string(::GetDlgCtrlID(hChild)) + ")";
        if (lstrcmpiW(szClass, L"Edit") == 0) {
            // The text between the field's margins.
            const DWORD dwMargins = static_cast<DWORD>(::SendMessageW(hChild, EM_GETMARGINS, 0, 0));
            const LONG nWidth = client.right - LOWORD(dwMargins) - HIWORD(dwMargins);
            const SIZE size = TextSize(hChild, szText, true, nWidth);
            ++nChecked;
            if (size.cx > nWidth || size.cy > client.bottom)
                cuts += "cut=field " + name + " needs " + Size(size.cx, size.cy) + " in " + Size(nWidth, client.bottom) +
                        "\n";
        } else if (lstrcmpiW(szClass, L"Static") == 0) {
            const LONG dwType = dwStyle & SS_TYPEMASK;
            if (dwType == SS_BITMAP) {
                // A centred picture larger than its frame would lose its edges on every side. (Its window text is
                // the resource number, no text to show.)
                const std::string picture = "(control " + std::to_string(::GetDlgCtrlID(hChild)) + ")";
                BITMAP bitmap = {};
                const auto hBitmap = reinterpret_cast<HGDIOBJ>(::SendMessageW(hChild, STM_GETIMAGE, IMAGE_BITMAP, 0));
                ++nChecked;
                if (!hBitmap || ::GetObjectW(hBitmap, sizeof(bitmap), &bitmap) == 0)
                    cuts += "cut=picture " + picture + " has no image\n";
                else if (bitmap.bmWidth > client.right || bitmap.bmHeight > client.bottom)
                    cuts += "cut=picture " + picture + " of " + Size(bitmap.bmWidth, bitmap.bmHeight) + " in a frame of " +
                            Size(client.right, client.bottom) + "\n";
            } else if (szText[0] != 0 && (dwType == SS_LEFT || dwType == SS_CENTER || dwType == SS_RIGHT ||
                                          dwType == SS_LEFTNOWORDWRAP)) {
                const SIZE size = TextSize(hChild, szText, dwType == SS_LEFTNOWORDWRAP, client.right);
                ++nChecked;
                if (size.cx > client.right || size.cy > client.bottom)
                    cuts += "cut=text " + name + " needs " + Size(size.cx, size.cy) + " in " +
                            Size(client.right, client.bottom) + "\n";
            }
        } else if (lstrcmpiW(szClass, L"Button") == 0 && szText[0] != 0) {
            // A push button's caption, inside the button's three-dimensional edge.
            const SIZE size = TextSize(hChild, szText, true, client.right);
            const LONG nInset = ::GetSystemMetrics(SM_CXEDGE);
            ++nChecked;
            if (size.cx > client.right - 2 * nInset || size.cy > client.bottom - 2 * nInset)
                cuts += "cut=button " + name + " needs " + Size(size.cx, size.cy) + " in " +
                        Size(client.right - 2 * nInset, client.bottom - 2 * nInset) + "\n";
        }
    }
    WriteProbeFile(L"lumo-layout-probe.txt", "checked=" + std::to_string(nChecked) + "\n" + cuts);
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

    WriteProbeFile(L"lumo-menu-probe.txt", text);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK LumoMenuProbeHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION) {
        const auto* pMessage = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (pMessage->message == ::RegisterWindowMessageW(L"LumoMenuProbe"))
            DescribeMenu(pMessage->hwnd);
        else if (pMessage->message == ::RegisterWindowMessageW(L"LumoLayoutProbe"))
            MeasureLayout(pMessage->hwnd);
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
