#include "app/win/win_user_interface.h"

#include <windows.h>

#include <commctrl.h>

#include "ui/win/lumo_host_id_dlg.h"
#include "ui/win/win_app.h"

void CWinUserInterface::SetUp()
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);  // 8 bytes
    controls.dwICC = ICC_WIN95_CLASSES;  // 0xFF
    ::InitCommonControlsEx(&controls);
    // The framework's own start-up; its answer is not used.
    m_app.CWinApp::InitInstance();
}

void CWinUserInterface::RunMainDialog(const std::u16string& strHostId)
{
    m_app.SetRegistryKey(u"LumoHostID");
    CLumoHostIdDlg dialog;
    dialog.m_strHostId = strHostId;
    m_app.m_pMainWnd = &dialog;
    dialog.DoModal();
    m_app.m_pMainWnd = nullptr;
}
