#include "ui/win/url_ctrl.h"

#include <shellapi.h>

#include "common/win/wide.h"
#include "ui/url_link.h"

namespace {

// An owned copy of the system's hand cursor, or none when the system has none.
HCURSOR CopyHandCursor()
{
    const HCURSOR hShared = ::LoadCursorW(nullptr, IDC_HAND);
    return hShared ? ::CopyIcon(hShared) : nullptr;
}

}  // namespace

CUrlCtrl::CUrlCtrl() : m_hCursor(CopyHandCursor()) {}

CUrlCtrl::~CUrlCtrl()
{
    // The cursor copy first; the font and the text then go with their owners.
    m_hCursor.Reset();
}

void CUrlCtrl::PreSubclassWindow()
{
    CStatic::PreSubclassWindow();
    const LONG dwStyle = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, dwStyle | static_cast<LONG>(kStaticNotifyStyle));
}

HBRUSH CUrlCtrl::CtlColor(HDC hDC, UINT nCtlColor)
{
    if (!LinkColoursItself(nCtlColor, GetStyle()))
        return nullptr;
    if (!m_font) {
        const auto hDialogFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        LOGFONTW logFont = {};
        // Without a font of its own the control takes the system font's description.
        const HGDIOBJ hSource = hDialogFont ? static_cast<HGDIOBJ>(hDialogFont) : ::GetStockObject(SYSTEM_FONT);
        if (::GetObjectW(hSource, sizeof(logFont), &logFont) == sizeof(logFont)) {
            logFont.lfUnderline = 1;
            m_font.Reset(::CreateFontIndirectW(&logFont));
            if (m_font) {
                // Some static controls (Wine's) select their own font only after asking for the colours, which
                // would undo the selection below; the control is given the underlined font as its own as well, and
                // paints once more with it.
                ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
                ::InvalidateRect(m_hWnd, nullptr, TRUE);
            }
        }
    }
    if (m_font)
        ::SelectObject(hDC, m_font.Get());
    ::SetTextColor(hDC, LinkTextColour(m_bVisited));
    ::SetBkMode(hDC, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

bool CUrlCtrl::OpenUrl()
{
    m_strUrl = LinkTarget(m_strUrl, GetWindowText());
    const auto nResult = reinterpret_cast<intptr_t>(
        ::ShellExecuteW(nullptr, L"open", AsWide(m_strUrl), nullptr, nullptr, SW_SHOWNORMAL));
    if (!ShellOpenSucceeded(nResult))
        return false;
    m_bVisited = true;
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return true;
}

bool CUrlCtrl::OnSetCursor()
{
    if (!m_hCursor)
        return false;
    ::SetCursor(m_hCursor.Get());
    return true;
}

bool CUrlCtrl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_SETCURSOR) {
        if (!OnSetCursor())
            return false;
        *pResult = TRUE;
        return true;
    }
    return CStatic::OnWndMsg(message, wParam, lParam, pResult);
}

bool CUrlCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        // The colour kinds follow the messages' order: CTLCOLOR_MSGBOX (0) to CTLCOLOR_STATIC (6).
        const HBRUSH hBrush = CtlColor(reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX);
        if (!hBrush)
            return false;
        *pResult = reinterpret_cast<LRESULT>(hBrush);
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnClicked();
        *pResult = 0;
        return true;
    }
    return CStatic::OnChildNotify(message, wParam, lParam, pResult);
}
