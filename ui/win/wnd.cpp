#include "ui/win/wnd.h"

#include <map>
#include <vector>

#include "common/win/wide.h"

namespace {

// The windows bound to objects. Everything runs on the one user-interface thread, so the map needs no lock.
std::map<HWND, CWnd*>& BoundWindows()
{
    static std::map<HWND, CWnd*> windows;
    return windows;
}

}  // namespace

CWnd::~CWnd()
{
    // A window that outlives its object must not call into it any more.
    if (m_pfnSuper)
        UnsubclassWindow();
    else if (m_hWnd)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    const auto found = BoundWindows().find(hWnd);
    return found == BoundWindows().end() ? nullptr : found->second;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    BoundWindows()[hWnd] = this;
}

void CWnd::Detach()
{
    if (m_hWnd) {
        const auto found = BoundWindows().find(m_hWnd);
        if (found != BoundWindows().end() && found->second == this)
            BoundWindows().erase(found);
    }
    m_hWnd = nullptr;
}

bool CWnd::SubclassWindow(HWND hWnd)
{
    if (m_hWnd || !hWnd || !::IsWindow(hWnd) || FromHandlePermanent(hWnd))
        return false;
    Attach(hWnd);
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    if (!m_pfnSuper) {
        Detach();
        return false;
    }
    return true;
}

HWND CWnd::UnsubclassWindow()
{
    const HWND hWnd = m_hWnd;
    if (m_pfnSuper && hWnd && ::IsWindow(hWnd))
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    return hWnd;
}

std::u16string CWnd::GetWindowText() const
{
    if (!m_hWnd)
        return std::u16string();
    const int nLength = ::GetWindowTextLengthW(m_hWnd);
    if (nLength <= 0)
        return std::u16string();
    std::vector<wchar_t> buffer(static_cast<size_t>(nLength) + 1);
    const int nCopied = ::GetWindowTextW(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return FromWide(buffer.data(), static_cast<size_t>(nCopied > 0 ? nCopied : 0));
}

void CWnd::SetWindowText(const std::u16string& strText)
{
    if (m_hWnd)
        ::SetWindowTextW(m_hWnd, AsWide(strText));
}

DWORD CWnd::GetStyle() const
{
    return m_hWnd ? static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) : 0;
}

bool CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The last message of the window: the original procedure has its say, then the object lets go.
        const LRESULT result = pWnd->DefWindowProc(message, wParam, lParam);
        pWnd->UnsubclassWindow();
        return result;
    }
    LRESULT result = 0;
    if (pWnd->OnWndMsg(message, wParam, lParam, &result))
        return result;
    return pWnd->DefWindowProc(message, wParam, lParam);
}

bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const bool bColour = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    if (!bColour && message != WM_COMMAND)
        return false;
    CWnd* pChild = lParam ? CWnd::FromHandlePermanent(reinterpret_cast<HWND>(lParam)) : nullptr;
    if (!pChild)
        return false;
    return pChild->OnChildNotify(message, wParam, lParam, pResult);
}
