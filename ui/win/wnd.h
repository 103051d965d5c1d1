#pragma once

// The window objects of the program's small window framework: a C++ object bound to a window, which receives the
// window's messages through a virtual handler chain, and the two plain control classes the dialogs bind.
//
// A derived class handles a message by overriding OnWndMsg, answering true with the result for what it handles and
// passing everything else to its base class: the chain of overrides is the message map. Messages that no class
// handles go to the window's original procedure.

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object bound to a window, or null when none is.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Binds the object to an existing window and routes the window's messages to it: PreSubclassWindow runs first,
    // then the window procedure is replaced. False when the object is bound already or the window is not there.
    bool SubclassWindow(HWND hWnd);

    // Gives the window its original procedure back and unbinds the object. Returns the window.
    HWND UnsubclassWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }

    std::u16string GetWindowText() const;
    void SetWindowText(const std::u16string& strText);
    DWORD GetStyle() const;

    // Handles a message for this window. True when handled, with the result in *pResult.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Handles a notification that the parent reflected back to this control: a colour request (WM_CTLCOLOR...) or
    // a WM_COMMAND notification from this control. True when handled, with the result in *pResult; a colour request
    // that answers no brush counts as not handled, so the parent colours the control itself.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    HWND m_hWnd = nullptr;

protected:
    // Runs just before the window procedure is replaced: the place to change the window's style.
    virtual void PreSubclassWindow() {}

    // The window's original procedure, for what this object does not handle.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Binds and unbinds the object and the window in the map of bound windows.
    void Attach(HWND hWnd);
    void Detach();

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
};

// A static text control.
class CStatic : public CWnd {};

// An edit control.
class CEdit : public CWnd {};

// Reflects a message that a control sent to its parent back to the control's object, when the control is bound:
// the colour requests (WM_CTLCOLORMSGBOX to WM_CTLCOLORSTATIC, lParam the control) and WM_COMMAND notifications
// (lParam the control). True when the control handled it, with the result in *pResult.
bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
