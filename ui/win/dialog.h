#pragma once

// Modal dialogs from template resources, with their controls bound to control objects.

#include <windows.h>

#include "ui/win/wnd.h"

class CDialog;

// The data exchange of one UpdateData: the dialog and the direction.
class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate) : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate)
    {
    }

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: from the controls to the object; false: to the controls
};

// Binds the dialog's control nIDC to a control object, once: the object then receives the control's messages and
// the notifications the dialog reflects back. A control that the template lacks leaves the object unbound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    // The dialog runs from the template that InitModalIndirect gives it.
    explicit CDialog(CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Prepares the dialog to run from a loaded template with the given parent.
    void InitModalIndirect(const DLGTEMPLATE* pTemplate, CWnd* pParentWnd);

    // Runs the dialog modally with the application's current resource module and returns the value given to
    // EndDialog; -1 when there is no template or the dialog cannot be created.
    virtual INT_PTR DoModal();

    // The dialog's initialisation: binds the controls (UpdateData(false)). True lets the dialog manager give the
    // focus to the first control with a tab stop.
    virtual BOOL OnInitDialog();

    // The OK command (ID 1): takes the data from the controls and, when that succeeds, ends with IDOK.
    virtual void OnOK();

    // The cancel command (ID 2, also Escape and the close box): ends with IDCANCEL.
    virtual void OnCancel();

    // Binds and exchanges the controls' data; a derived dialog binds its controls here.
    virtual void DoDataExchange(CDataExchange* pDX);

    bool UpdateData(bool bSaveAndValidate = true);
    void EndDialog(INT_PTR nResult);
    HWND GetDlgItem(int nID) const;

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    // The default painting of a dialog, which is what the dialog manager does with WM_PAINT: the controls paint
    // themselves, the dialog only validates its area.
    void DefaultPaint();

    const DLGTEMPLATE* m_lpDialogTemplate = nullptr;
    CWnd* m_pParentWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
};
