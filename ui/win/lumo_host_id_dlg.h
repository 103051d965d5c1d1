#pragma once

// The main dialog: the computer's name and the host ID in read-only fields, a Close button, and the "Info" menu
// whose one entry opens the about dialog.

#include <string>

#include "ui/win/base_dlg.h"

class CLumoHostIdDlg : public CBaseDlg {
public:
    // Template 129 of the current resource module, no parent; never kept topmost.
    CLumoHostIdDlg();

    void DoDataExchange(CDataExchange* pDX) override;

    // Shows the computer name and m_strHostId.
    BOOL OnInitDialog() override;

    // Command 32772: runs the about dialog modally above this one.
    void OnAbout();

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    CEdit m_editComputerName;
    CEdit m_editHostId;
    std::u16string m_strHostId;  // set before DoModal; may be empty
};
