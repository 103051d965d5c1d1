#include "ui/win/lumo_host_id_dlg.h"

#include "common/win/computer_name.h"
#include "res/resource.h"
#include "ui/win/info_dlg.h"
#include "ui/win/win_app.h"

CLumoHostIdDlg::CLumoHostIdDlg() : CBaseDlg(GetResourceModule(), IDD_LUMOHOSTID_DIALOG, nullptr)
{
    m_bTopMostNoParent = false;
}

void CLumoHostIdDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COMPUTER_NAME, m_editComputerName);
    DDX_Control(pDX, IDC_HOST_ID, m_editHostId);
}

BOOL CLumoHostIdDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();

    // A name that cannot be read shows as an empty field.
    m_editComputerName.SetWindowText(ReadComputerName());
    m_editHostId.SetWindowText(m_strHostId);
    return TRUE;
}

void CLumoHostIdDlg::OnAbout()
{
    CInfoDlg dialog(this);
    dialog.DoModal();
}

bool CLumoHostIdDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND && lParam == 0 && LOWORD(wParam) == ID_INFO_ABOUT) {
        OnAbout();
        *pResult = 0;
        return true;
    }
    return CBaseDlg::OnWndMsg(message, wParam, lParam, pResult);
}
