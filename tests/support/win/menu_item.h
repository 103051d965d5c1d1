#pragma once

// One item of a menu as GetMenuItemInfoW gives it, for the resource test and the GUI test's probe inside the
// program, which both read a menu item by item.

#include <windows.h>

#include <optional>
#include <string>

struct CMenuItem {
    std::wstring m_strText;  // up to 255 characters, far more than an item of the program's menu holds
    UINT m_fType = 0;
    UINT m_fState = 0;
    UINT m_wID = 0;
    HMENU m_hSubMenu = nullptr;
};

// The item at the position, or none when the menu has no such item.
inline std::optional<CMenuItem> ReadMenuItem(HMENU hMenu, int nPosition)
{
    wchar_t szText[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_ID | MIIM_STATE;
    info.dwTypeData = szText;
    info.cch = 256;
    if (!::GetMenuItemInfoW(hMenu, static_cast<UINT>(nPosition), TRUE, &info))
        return std::nullopt;
    CMenuItem item;
    item.m_strText = szText;
    item.m_fType = info.fType;
    item.m_fState = info.fState;
    item.m_wID = info.wID;
    item.m_hSubMenu = info.hSubMenu;
    return item;
}
