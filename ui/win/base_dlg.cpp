#include "ui/win/base_dlg.h"

#include <optional>

#include "common/win/wide.h"
#include "ui/dialog_logic.h"
#include "ui/layout.h"
#include "ui/win/kavro_guard_registry.h"
#include "ui/win/win_app.h"

namespace {

// Room for the caption text loaded from the string table, in characters (1023 and the terminating null).
constexpr int kTitleBufferChars = 1024;

const DLGTEMPLATE* LoadDialogTemplate(HINSTANCE hModule, uint32_t nIDTemplate)
{
    const HRSRC hResource = ::FindResourceW(hModule, MAKEINTRESOURCEW(nIDTemplate), RT_DIALOG);
    if (!hResource)
        return nullptr;
    // A loaded resource stays mapped with its module; there is nothing to free.
    const HGLOBAL hLoaded = ::LoadResource(hModule, hResource);
    return hLoaded ? static_cast<const DLGTEMPLATE*>(::LockResource(hLoaded)) : nullptr;
}

}  // namespace

const std::u16string& LayoutScreenName()
{
    static const std::u16string strScreenName =
        ScreenName(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    return strScreenName;
}

CBaseDlg::CBaseDlg(HINSTANCE hResInst, uint32_t nIDTemplate, CWnd* pParent)
    : CDialog(pParent),
      m_hResInst(hResInst),
      m_nIDTemplate(nIDTemplate),
      m_pParent(pParent),
      m_bTopMostNoParent(pParent == nullptr)
{
    InitModalIndirect(LoadDialogTemplate(hResInst, nIDTemplate), pParent);
}

CBaseDlg::~CBaseDlg() = default;

INT_PTR CBaseDlg::DoModal()
{
    const HINSTANCE hPrevious = GetResourceModule();
    SetResourceModule(m_hResInst);
    const INT_PTR nResult = CDialog::DoModal();
    if (hPrevious)
        SetResourceModule(hPrevious);
    return nResult;
}

BOOL CBaseDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_hIcon = ::LoadIconW(m_hResInst, MAKEINTRESOURCEW(m_nIDIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (m_nIDTitle != 0) {
        wchar_t szTitle[kTitleBufferChars] = {};
        const int nLength = ::LoadStringW(m_hResInst, m_nIDTitle, szTitle, kTitleBufferChars);
        const std::u16string strLoaded = FromWide(szTitle, static_cast<size_t>(nLength > 0 ? nLength : 0));
        SetWindowText(MergeCaption(GetWindowText(), strLoaded));
    }

    if (m_bRememberPos)
        RestorePosition();

    m_bInitDone = true;
    return TRUE;
}

void CBaseDlg::OnOK()
{
    if (m_bRememberPos)
        SavePosition();
    CDialog::OnOK();
}

void CBaseDlg::OnCancel()
{
    if (m_bRememberPos)
        SavePosition();
    CDialog::OnCancel();
}

uint32_t CBaseDlg::OpenLayoutKey(CKavroGuardRegistry& registry, bool bForReading)
{
    if (m_strLayoutName.empty())
        m_strLayoutName = LayoutName(m_nIDTemplate);
    if (!m_strProductKey.empty()) {
        registry.m_hRoot = HKEY_CURRENT_USER;
        registry.m_strKey = ProductKavroKey(m_strProductKey);
    }
    const std::u16string strSubkey = LayoutSubkey(LayoutScreenName(), m_strLayoutName);
    return bForReading ? registry.OpenKey(strSubkey.c_str()) : registry.CreateKey(strSubkey.c_str());
}

void CBaseDlg::SavePosition()
{
    CKavroGuardRegistry registry;
    if (OpenLayoutKey(registry, false) != kRegistryKeyOk)
        return;
    RECT rect = {};
    ::GetWindowRect(m_hWnd, &rect);
    WriteXYValue(registry, FormatXYValue(rect.left, rect.top));
    registry.Close();
}

void CBaseDlg::RestorePosition()
{
    std::u16string strText;
    {
        CKavroGuardRegistry registry;
        if (OpenLayoutKey(registry, true) == kRegistryKeyOk)
            strText = ReadXYValue(registry);
    }
    const std::optional<CXYPosition> position = ParseXYValue(strText);
    if (position)
        ::SetWindowPos(m_hWnd, nullptr, position->x, position->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBaseDlg::OnPaint()
{
    CPaintState state;
    state.bInitDone = m_bInitDone;
    state.bToTopOnPaint = m_bToTopOnPaint;
    state.bTopMostAlways = m_bTopMostAlways;
    state.bTopMostNoParent = m_bTopMostNoParent;
    state.bHasWindow = m_hWnd != nullptr && ::IsWindow(m_hWnd);
    state.bIconic = state.bHasWindow && ::IsIconic(m_hWnd);
    const CPaintPlan plan = PlanPaint(state);

    switch (plan.paint) {
    case EPaintKind::Nothing:
        // Before initialisation the paint request still has to be answered, or it would come back at once.
        DefaultPaint();
        return;
    case EPaintKind::Default:
        DefaultPaint();
        break;
    case EPaintKind::Icon: {
        PAINTSTRUCT paint;
        const HDC hDC = ::BeginPaint(m_hWnd, &paint);
        if (hDC) {
            ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
            RECT client = {};
            ::GetClientRect(m_hWnd, &client);
            const CIconPosition at = CenteredIconPosition(client.right - client.left, client.bottom - client.top,
                                                          ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
            ::DrawIcon(hDC, at.x, at.y, m_hIcon);
            ::EndPaint(m_hWnd, &paint);
        }
        break;
    }
    }

    switch (plan.zOrder) {
    case EZOrderKind::Keep:
        break;
    case EZOrderKind::ToTopAndShow:
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        break;
    case EZOrderKind::TopMost:
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        break;
    }
}

bool CBaseDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        *pResult = 0;
        return true;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return true;
    default:
        return CDialog::OnWndMsg(message, wParam, lParam, pResult);
    }
}
