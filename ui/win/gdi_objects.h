#pragma once

// Owners of the window system's objects that the dialogs create: fonts and cursors. Each releases its object in its
// destructor, on every path.

#include <windows.h>

// A font made by CreateFontIndirectW, deleted with DeleteObject.
class CFont {
public:
    CFont() = default;
    ~CFont() { DeleteFont(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Creates the font described; a font held before is deleted first. False when no font could be made.
    bool CreateFontIndirect(const LOGFONTW& logFont)
    {
        DeleteFont();
        m_hObject = ::CreateFontIndirectW(&logFont);
        return m_hObject != nullptr;
    }

    HFONT GetSafeHandle() const { return m_hObject; }

    void DeleteFont()
    {
        if (m_hObject) {
            ::DeleteObject(m_hObject);
            m_hObject = nullptr;
        }
    }

private:
    HFONT m_hObject = nullptr;
};

// A cursor of the caller's own (a copy made by CopyIcon), destroyed with DestroyCursor. A shared system cursor must
// never be put in here: those are not destroyed.
class CCursorHandle {
public:
    CCursorHandle() = default;
    explicit CCursorHandle(HCURSOR hCursor) : m_hCursor(hCursor) {}
    ~CCursorHandle() { Reset(); }
    CCursorHandle(const CCursorHandle&) = delete;
    CCursorHandle& operator=(const CCursorHandle&) = delete;

    HCURSOR Get() const { return m_hCursor; }
    explicit operator bool() const { return m_hCursor != nullptr; }

    void Reset()
    {
        if (m_hCursor) {
            ::DestroyCursor(m_hCursor);
            m_hCursor = nullptr;
        }
    }

private:
    HCURSOR m_hCursor = nullptr;
};
