#include "ui/win/dialog.h"

#include "ui/win/win_app.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd || !pDX->m_pDlgWnd)
        return;
    const HWND hControl = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (hControl)
        rControl.SubclassWindow(hControl);
}

CDialog::CDialog(CWnd* pParentWnd) : m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    // A dialog that is still up when its object goes (it never is after DoModal) must not call into the object.
    if (m_hWnd) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        Detach();
    }
}

void CDialog::InitModalIndirect(const DLGTEMPLATE* pTemplate, CWnd* pParentWnd)
{
    m_lpDialogTemplate = pTemplate;
    m_pParentWnd = pParentWnd;
}

INT_PTR CDialog::DoModal()
{
    if (!m_lpDialogTemplate)
        return -1;
    const HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    // The dialog's controls load what they name by ID (a picture) from the module given here.
    return ::DialogBoxIndirectParamW(GetResourceModule(), m_lpDialogTemplate, hParent, &CDialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    return true;
}

void CDialog::EndDialog(INT_PTR nResult)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

HWND CDialog::GetDlgItem(int nID) const
{
    return m_hWnd ? ::GetDlgItem(m_hWnd, nID) : nullptr;
}

void CDialog::DefaultPaint()
{
    PAINTSTRUCT paint;
    if (::BeginPaint(m_hWnd, &paint))
        ::EndPaint(m_hWnd, &paint);
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Colour requests and notifications of bound controls go back to the controls first.
    if (ReflectToChild(message, wParam, lParam, pResult))
        return true;
    // Menu commands and button clicks (code 0) and accelerators (code 1); IDOK also comes from Enter, IDCANCEL from
    // Escape and the close box.
    if (message == WM_COMMAND && (HIWORD(wParam) == 0 || HIWORD(wParam) == 1)) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            *pResult = 0;
            return true;
        case IDCANCEL:
            OnCancel();
            *pResult = 0;
            return true;
        default:
            break;
        }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* pDialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        pDialog->Attach(hDlg);
        return pDialog->OnInitDialog();
    }
    auto* pDialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hDlg, DWLP_USER));
    if (!pDialog)
        return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT) take the dialog manager's handling

    LRESULT result = 0;
    const bool bHandled = pDialog->OnWndMsg(message, wParam, lParam, &result);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hDlg, DWLP_USER, 0);
        pDialog->Detach();
    }
    if (!bHandled)
        return FALSE;
    switch (message) {
    // These messages answer through the dialog procedure's own result.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
