#include "ui/win/info_dlg.h"

#include "res/resource.h"
#include "ui/file_version_info.h"
#include "ui/url_link.h"
#include "ui/win/version_resource_reader.h"
#include "ui/win/win_app.h"

const char16_t kInfoDescription[] = u"Kavro Host ID determination program";

CInfoDlg::CInfoDlg(CWnd* pParent) : CBaseDlg(GetResourceModule(), IDD_INFO_DIALOG, pParent)
{
    m_bTopMostNoParent = false;
}

void CInfoDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_INFO_DESCRIPTION, m_staticDescription);
    DDX_Control(pDX, IDC_INFO_VERSION, m_staticVersion);
    DDX_Control(pDX, IDC_INFO_MAIL, m_linkMail);
    DDX_Control(pDX, IDC_INFO_WEB, m_linkWeb);
}

BOOL CInfoDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();

    CWinVersionResourceReader reader;
    CFileVersionInfo versionInfo(reader);
    const CWinApp* pApp = GetCurrentApp();
    versionInfo.m_strFile = pApp ? pApp->GetModulePath() : ModuleFilePath(nullptr);

    // The description is fixed; the version resource's own FileDescription is not used.
    m_staticDescription.SetWindowText(kInfoDescription);
    m_staticVersion.SetWindowText(VersionLineText(versionInfo.GetFileVersion()));

    // The e-mail link opens a new mail to the address the template shows; the web link opens its own text.
    m_linkMail.m_strUrl = MailLinkTarget(m_linkMail.GetWindowText());
    return TRUE;
}
