#pragma once

// A static text control that looks and acts as a hyperlink: underlined in the dialog's font, green until it has
// been opened and red afterwards, with the hand cursor; a click hands its target to the shell's "open" verb.

#include <windows.h>

#include <string>

#include "ui/win/gdi_objects.h"
#include "ui/win/wnd.h"

class CUrlCtrl : public CStatic {
public:
    CUrlCtrl();
    ~CUrlCtrl() override;

    // Opens the target (m_strUrl, filled from the control's text when empty) with the shell. On success the link
    // counts as visited and repaints in that colour. True on success.
    virtual bool OpenUrl();

    // The colour request the dialog reflects back: for a static request on a left, centred or right text control,
    // the underlined font, the link colour, a transparent background and the hollow brush; otherwise no brush.
    HBRUSH CtlColor(HDC hDC, UINT nCtlColor);

    void OnClicked() { OpenUrl(); }

    // The hand cursor, when there is one: true (handled). Otherwise false, and the default cursor applies.
    bool OnSetCursor();

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    CCursorHandle m_hCursor;  // an owned copy of the system's hand cursor, or none
    CFont m_font;             // the control's font, underlined; made on the first colour request
    std::u16string m_strUrl;  // what a click opens
    bool m_bVisited = false;  // the target was opened successfully

protected:
    // Adds SS_NOTIFY, so that the control reports clicks and receives the mouse-cursor query.
    void PreSubclassWindow() override;
};
