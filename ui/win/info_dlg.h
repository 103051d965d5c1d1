#pragma once

// The about dialog: the banner picture, the description, the version from the program's own version resource, the
// maker's address block, and two links (e-mail and web site).

#include "ui/win/base_dlg.h"
#include "ui/win/url_ctrl.h"

class CInfoDlg : public CBaseDlg {
public:
    // Template 132 of the current resource module, above the given parent; never kept topmost.
    explicit CInfoDlg(CWnd* pParent);

    void DoDataExchange(CDataExchange* pDX) override;

    // Sets the description and version lines and the e-mail link's target.
    BOOL OnInitDialog() override;

    CStatic m_staticDescription;
    CStatic m_staticVersion;
    CUrlCtrl m_linkMail;
    CUrlCtrl m_linkWeb;
};

// The about dialog's fixed description line.
extern const char16_t kInfoDescription[];
