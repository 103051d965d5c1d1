// The dialog base and both dialogs as real windows under Wine: captions, icon, the topmost rules, the remembered
// position against the prefix's registry, the resource module, the about dialog's lines and its hyperlink controls.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_probe.h"
#include "res/resource.h"
#include "test_dialogs.h"
#include "ui/layout.h"
#include "ui/url_link.h"
#include "ui/win/base_dlg.h"
#include "ui/win/info_dlg.h"
#include "ui/win/lumo_host_id_dlg.h"
#include "ui/win/win_app.h"
#include "win_test_support.h"

namespace {

HINSTANCE TestModule()
{
    return ::GetModuleHandleW(nullptr);
}

bool IsTopMost(HWND hWnd)
{
    return (::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Paints the whole dialog now, as the window system would when it comes up or is uncovered.
void PaintNow(HWND hWnd)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

POINT TopLeft(HWND hWnd)
{
    RECT rect = {};
    ::GetWindowRect(hWnd, &rect);
    return {rect.left, rect.top};
}

bool KeyExists(const std::u16string& strPath)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, AsWide(strPath), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

void WriteStoredText(const std::u16string& strPath, const std::u16string& strText)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, AsWide(strPath), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(hKey, L"XY", 0, REG_SZ, reinterpret_cast<const BYTE*>(strText.c_str()),
                     static_cast<DWORD>(2 * strText.size() + 2));
    ::RegCloseKey(hKey);
}

// The stored text, or "<none>".
std::u16string ReadStoredText(const std::u16string& strPath)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, AsWide(strPath), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return u"<none>";
    wchar_t szText[128] = {};
    DWORD cbText = sizeof(szText) - sizeof(wchar_t);
    DWORD dwType = 0;
    const LSTATUS nResult = ::RegQueryValueExW(hKey, L"XY", nullptr, &dwType, reinterpret_cast<BYTE*>(szText), &cbText);
    ::RegCloseKey(hKey);
    if (nResult != ERROR_SUCCESS || dwType != REG_SZ)
        return u"<none>";
    return FromWide(szText);
}

std::u16string Position(POINT point)
{
    return FormatXYValue(point.x, point.y);
}

// Every test starts and ends without Software\Kavro in the prefix's registry.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro"); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro"); }

    // The layout key of the test template below a product key of the tests' own.
    static std::u16string TestLayoutKey(const std::u16string& strScreenName = LayoutScreenName())
    {
        return ExtendKeyPath(ProductKavroKey(u"LumoHostIDTest\\"), LayoutSubkey(strScreenName, u"Dlg910"));
    }
};

using CBaseProbe = CProbe<CBaseDlg>;

TEST_F(DialogTest, SettingsOfBothDialogsLeaveCaptionRegistryAndZOrderAlone)
{
    CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
    dialog.m_bTopMostNoParent = false;
    HICON hIcon = nullptr;
    dialog.check = [&](CBaseProbe& d) {
        EXPECT_EQ(WindowText(d.m_hWnd), u"Setup %1 of %1");
        EXPECT_TRUE(d.m_bInitDone);
        PaintNow(d.m_hWnd);
        EXPECT_FALSE(IsTopMost(d.m_hWnd));
        // Icon 5 is the dialog's big and small icon and its drag icon.
        hIcon = d.m_hIcon;
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(d.m_hWnd, WM_GETICON, ICON_BIG, 0)), d.m_hIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(d.m_hWnd, WM_GETICON, ICON_SMALL, 0)), d.m_hIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(d.m_hWnd, WM_QUERYDRAGICON, 0, 0)), d.m_hIcon);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(dialog.bChecked);
    EXPECT_NE(hIcon, nullptr);
    EXPECT_EQ(hIcon, ::LoadIconW(TestModule(), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    EXPECT_FALSE(KeyExists(u"Software\\Kavro"));
}

TEST_F(DialogTest, TopMostRules)
{
    const struct {
        const char* name;
        bool noParentDefault;  // keep the default of a dialog without parent
        bool always;
        bool topMost;
    } cases[] = {
        {"no parent, defaults", true, false, true},
        {"cleared", false, false, false},
        {"always", false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
        EXPECT_TRUE(dialog.m_bTopMostNoParent);  // the default without a parent
        if (!c.noParentDefault)
            dialog.m_bTopMostNoParent = false;
        dialog.m_bTopMostAlways = c.always;
        dialog.check = [&](CBaseProbe& d) {
            PaintNow(d.m_hWnd);
            EXPECT_EQ(IsTopMost(d.m_hWnd), c.topMost);
        };
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    // With a parent the default is off.
    CBaseProbe parent(TestModule(), IDD_TEST_NO_CAPTION, nullptr);
    CBaseDlg child(TestModule(), IDD_TEST_PLACEHOLDERS, &parent);
    EXPECT_FALSE(child.m_bTopMostNoParent);
}

TEST_F(DialogTest, CaptionFromTheStringTable)
{
    const struct {
        uint32_t templateId;
        uint32_t titleId;
        std::u16string caption;
    } cases[] = {
        {IDD_TEST_PLACEHOLDERS, IDS_TEST_TITLE, u"Setup X of X"},
        {IDD_TEST_NO_CAPTION, IDS_TEST_TITLE, u"X"},
        {IDD_TEST_PLACEHOLDERS, 0, u"Setup %1 of %1"},
        {IDD_TEST_NO_CAPTION, 0, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.caption));
        CBaseProbe dialog(TestModule(), c.templateId, nullptr);
        dialog.m_nIDTitle = c.titleId;
        std::u16string strCaption = u"<not checked>";
        dialog.check = [&](CBaseProbe& d) { strCaption = WindowText(d.m_hWnd); };
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(strCaption, c.caption);
    }
}

TEST_F(DialogTest, MissingTemplateShowsNothing)
{
    CBaseDlg dialog(TestModule(), IDD_TEST_MISSING, nullptr);
    EXPECT_EQ(dialog.DoModal(), -1);
    CBaseDlg elsewhere(::GetModuleHandleW(L"kernel32.dll"), IDD_LUMOHOSTID_DIALOG, nullptr);
    EXPECT_EQ(elsewhere.DoModal(), -1);
}

TEST_F(DialogTest, ResourceModuleIsTheDialogsWhileItRuns)
{
    const HINSTANCE hOther = ::GetModuleHandleW(L"kernel32.dll");
    SetResourceModule(hOther);
    CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
    HINSTANCE hDuring = nullptr;
    dialog.check = [&](CBaseProbe&) { hDuring = GetResourceModule(); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(hDuring, TestModule());
    EXPECT_EQ(GetResourceModule(), hOther);
    SetResourceModule(nullptr);
    EXPECT_EQ(GetResourceModule(), TestModule());
}

// Runs the dialog until it is cancelled and answers where it opened: its top left corner once shown, {-1000, -1000}
// when it never showed.
POINT OpenedAt(CBaseProbe& dialog)
{
    POINT at = {-1000, -1000};
    dialog.check = [&](CBaseProbe& d) { at = TopLeft(d.m_hWnd); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    return at;
}

// Where the dialog opens when nothing is stored.
POINT TemplatePosition()
{
    CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
    dialog.m_bTopMostNoParent = false;
    return OpenedAt(dialog);
}

TEST_F(DialogTest, RestoringFromStoredTexts)
{
    const POINT templateAt = TemplatePosition();
    ASSERT_NE(templateAt.x, -1000);
    // A position the template never gives, so that "not moved" and "moved" cannot be confused.
    ASSERT_FALSE(templateAt.x == 120 && templateAt.y == 45);
    const struct {
        const char16_t* stored;  // null: no value
        bool moved;
        POINT at;
    } cases[] = {
        {u"120,45", true, {120, 45}},
        {u"0,0", true, {0, 0}},
        {u"-8,45", false, {}},
        {u"120,", false, {}},
        {u",45", false, {}},
        {u"45", false, {}},
        {u"abc,45", true, {0, 45}},
        {u"12,34,56", true, {12, 34}},
        {u"", false, {}},
        {nullptr, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? Narrow(c.stored) : "no value");
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro");
        if (c.stored)
            WriteStoredText(TestLayoutKey(), c.stored);
        CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
        dialog.m_bTopMostNoParent = false;
        dialog.m_bRememberPos = true;
        dialog.m_strProductKey = u"LumoHostIDTest\\";
        const POINT at = OpenedAt(dialog);
        const POINT expected = c.moved ? c.at : templateAt;
        EXPECT_EQ(at.x, expected.x);
        EXPECT_EQ(at.y, expected.y);
        // Closing saved where the dialog was.
        EXPECT_EQ(ReadStoredText(TestLayoutKey()), Position(at));
        EXPECT_EQ(dialog.m_strLayoutName, u"Dlg910");
    }
}

TEST_F(DialogTest, EveryWayOfClosingSavesThePosition)
{
    const struct {
        const char* name;
        INT_PTR result;
        std::function<void(CBaseProbe&)> close;
    } cases[] = {
        {"OK command", IDOK, [](CBaseProbe& d) { ::PostMessageW(d.m_hWnd, WM_COMMAND, IDOK, 0); }},
        {"cancel command", IDCANCEL, [](CBaseProbe& d) { ::PostMessageW(d.m_hWnd, WM_COMMAND, IDCANCEL, 0); }},
        {"close box", IDCANCEL, [](CBaseProbe& d) { ::PostMessageW(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"OK button", IDOK,
         [](CBaseProbe& d) { ::PostMessageW(d.GetDlgItem(IDOK), BM_CLICK, 0, 0); }},
    };
    int nStep = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro");
        CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
        dialog.m_bTopMostNoParent = false;
        dialog.m_bRememberPos = true;
        dialog.m_strProductKey = u"LumoHostIDTest\\";
        const POINT target = {200 + 10 * nStep, 60 + 5 * nStep};
        ++nStep;
        POINT at = {};
        dialog.check = [&](CBaseProbe& d) {
            ::SetWindowPos(d.m_hWnd, nullptr, target.x, target.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            at = TopLeft(d.m_hWnd);
        };
        dialog.close = c.close;
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(at.x, target.x);
        EXPECT_EQ(ReadStoredText(TestLayoutKey()), Position(target));
    }
}

TEST_F(DialogTest, PositionsBelongToTheirScreenAndLayoutName)
{
    const POINT templateAt = TemplatePosition();
    // A position saved at another resolution is not applied, and stays as it was.
    const std::u16string strOtherScreen = TestLayoutKey(ScreenName(1, 1));
    WriteStoredText(strOtherScreen, u"120,45");
    {
        CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
        dialog.m_bTopMostNoParent = false;
        dialog.m_bRememberPos = true;
        dialog.m_strProductKey = u"LumoHostIDTest\\";
        const POINT at = OpenedAt(dialog);
        EXPECT_EQ(at.x, templateAt.x);
        EXPECT_EQ(at.y, templateAt.y);
        EXPECT_EQ(ReadStoredText(strOtherScreen), u"120,45");
        EXPECT_EQ(ReadStoredText(TestLayoutKey()), Position(at));
    }
    // Without a product key the default key holds it; a layout name of the dialog's own replaces "Dlg<ID>".
    {
        const std::u16string strDefault =
            ExtendKeyPath(DefaultKavroKey(), LayoutSubkey(LayoutScreenName(), u"Custom"));
        WriteStoredText(strDefault, u"130,50");
        CBaseProbe dialog(TestModule(), IDD_TEST_PLACEHOLDERS, nullptr);
        dialog.m_bTopMostNoParent = false;
        dialog.m_bRememberPos = true;
        dialog.m_strLayoutName = u"Custom";
        const POINT at = OpenedAt(dialog);
        EXPECT_EQ(at.x, 130);
        EXPECT_EQ(at.y, 50);
        EXPECT_TRUE(KeyExists(u"Software\\Kavro\\VEDA\\Layout\\" + LayoutScreenName() + u"\\Custom"));
    }
}

TEST_F(DialogTest, ScreenNameIsThePrimaryDisplaysSize)
{
    EXPECT_EQ(LayoutScreenName(), ScreenName(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)));
}

TEST_F(DialogTest, MainDialogShowsItsFields)
{
    const struct {
        const char* name;
        std::u16string hostId;
    } cases[] = {
        {"host ID", u"44-9D-95-72-3E"},
        {"empty", u""},
        {"longer than the field", std::u16string(300, u'7')},
    };
    wchar_t szName[300] = {};
    DWORD nSize = 300;
    ASSERT_TRUE(::GetComputerNameW(szName, &nSize));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CProbe<CLumoHostIdDlg> dialog;
        dialog.m_strHostId = c.hostId;
        EXPECT_FALSE(dialog.m_bTopMostNoParent);
        EXPECT_EQ(dialog.m_nIDTemplate, 129u);
        dialog.check = [&](CProbe<CLumoHostIdDlg>& d) {
            EXPECT_EQ(WindowText(d.m_hWnd), u"Kavro Lumo HostID");
            EXPECT_EQ(WindowText(d.GetDlgItem(IDC_COMPUTER_NAME)), FromWide(szName));
            EXPECT_EQ(WindowText(d.GetDlgItem(IDC_HOST_ID)), c.hostId);
            EXPECT_EQ(d.m_editHostId.m_hWnd, d.GetDlgItem(IDC_HOST_ID));
            for (const int nId : {IDC_COMPUTER_NAME, IDC_HOST_ID}) {
                const LONG dwStyle = ::GetWindowLongW(d.GetDlgItem(nId), GWL_STYLE);
                EXPECT_TRUE(dwStyle & ES_READONLY);
                EXPECT_TRUE(dwStyle & ES_AUTOHSCROLL);
            }
            // The focus is on the Close button, the first tab stop.
            EXPECT_EQ(::GetFocus(), d.GetDlgItem(IDCANCEL));
            PaintNow(d.m_hWnd);
            EXPECT_FALSE(IsTopMost(d.m_hWnd));
        };
        dialog.close = [](CProbe<CLumoHostIdDlg>& d) { ::PostMessageW(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); };
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_TRUE(dialog.bChecked);
        EXPECT_EQ(dialog.m_editHostId.m_hWnd, nullptr);  // unbound when the control went
    }
    EXPECT_FALSE(KeyExists(u"Software\\Kavro"));
}

using CInfoProbe = CProbe<CInfoDlg>;

TEST_F(DialogTest, AboutDialogLines)
{
    CInfoProbe dialog(nullptr);
    EXPECT_FALSE(dialog.m_bTopMostNoParent);
    EXPECT_EQ(dialog.m_nIDTemplate, 132u);
    dialog.check = [](CInfoProbe& d) {
        EXPECT_EQ(WindowText(d.m_hWnd), u"Kavro Host ID");
        EXPECT_EQ(WindowText(d.GetDlgItem(IDC_INFO_DESCRIPTION)), u"Kavro Host ID determination program");
        // This test program carries the program's version resource, so its version line is the program's.
        EXPECT_EQ(WindowText(d.GetDlgItem(IDC_INFO_VERSION)), u"Version " + Utf8ToUtf16(LUMO_PROJECT_VERSION));
        EXPECT_EQ(d.m_linkMail.m_strUrl, u"mailto:hostid@kavro.example");
        EXPECT_EQ(d.m_linkWeb.m_strUrl, u"");
        for (const int nId : {IDC_INFO_MAIL, IDC_INFO_WEB})
            EXPECT_TRUE(::GetWindowLongW(d.GetDlgItem(nId), GWL_STYLE) & SS_NOTIFY);
        // The picture is bitmap 134 of the dialog's module.
        const auto hBitmap = reinterpret_cast<HBITMAP>(
            ::SendMessageW(d.GetDlgItem(IDC_INFO_PICTURE), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(hBitmap, nullptr);
        BITMAP bitmap = {};
        ASSERT_EQ(::GetObjectW(hBitmap, sizeof(bitmap), &bitmap), static_cast<int>(sizeof(bitmap)));
        EXPECT_EQ(bitmap.bmWidth, 400);
        EXPECT_EQ(bitmap.bmHeight, 278);
        EXPECT_EQ(::GetFocus(), d.GetDlgItem(IDOK));
        PaintNow(d.m_hWnd);
        EXPECT_FALSE(IsTopMost(d.m_hWnd));
    };
    dialog.close = [](CInfoProbe& d) { ::PostMessageW(d.GetDlgItem(IDOK), BM_CLICK, 0, 0); };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.bChecked);
    EXPECT_FALSE(KeyExists(u"Software\\Kavro"));
}

// The colour request of a static control as its dialog receives it: the brush, and the text colour, background mode
// and font the request left in the device context.
struct CColourAnswer {
    HBRUSH hBrush;
    COLORREF textColour;
    int nBkMode;
    HFONT hFont;
};

CColourAnswer AskColour(HWND hDialog, HWND hControl, UINT message = WM_CTLCOLORSTATIC)
{
    const HDC hDC = ::GetDC(hControl);
    ::SetTextColor(hDC, RGB(1, 2, 3));
    ::SetBkMode(hDC, OPAQUE);
    CColourAnswer answer;
    answer.hBrush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(hDialog, message, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hControl)));
    answer.textColour = ::GetTextColor(hDC);
    answer.nBkMode = ::GetBkMode(hDC);
    answer.hFont = static_cast<HFONT>(::GetCurrentObject(hDC, OBJ_FONT));
    ::ReleaseDC(hControl, hDC);
    return answer;
}

TEST_F(DialogTest, LinkColoursReflectedFromTheDialog)
{
    CInfoProbe dialog(nullptr);
    dialog.check = [](CInfoProbe& d) {
        const HWND hMail = d.GetDlgItem(IDC_INFO_MAIL);
        EXPECT_EQ(d.m_linkMail.m_font.Get(), nullptr);
        const CColourAnswer first = AskColour(d.m_hWnd, hMail);
        EXPECT_EQ(first.hBrush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
        EXPECT_EQ(first.textColour, static_cast<COLORREF>(kLinkColourUnvisited));
        EXPECT_EQ(first.nBkMode, TRANSPARENT);
        ASSERT_NE(d.m_linkMail.m_font.Get(), nullptr);
        EXPECT_EQ(first.hFont, d.m_linkMail.m_font.Get());
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(hMail, WM_GETFONT, 0, 0)), first.hFont);
        // The link's font is the dialog's, underlined.
        LOGFONTW linkFont = {};
        LOGFONTW dialogFont = {};
        ::GetObjectW(d.m_linkMail.m_font.Get(), sizeof(linkFont), &linkFont);
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(d.m_hWnd, WM_GETFONT, 0, 0)), sizeof(dialogFont),
                     &dialogFont);
        EXPECT_EQ(linkFont.lfUnderline, 1);
        EXPECT_EQ(dialogFont.lfUnderline, 0);
        EXPECT_EQ(linkFont.lfHeight, dialogFont.lfHeight);
        EXPECT_EQ(FromWide(linkFont.lfFaceName), FromWide(dialogFont.lfFaceName));

        // The font is made once; a visited link is red.
        d.m_linkMail.m_bVisited = true;
        const CColourAnswer visited = AskColour(d.m_hWnd, hMail);
        EXPECT_EQ(visited.hFont, first.hFont);
        EXPECT_EQ(visited.textColour, static_cast<COLORREF>(kLinkColourVisited));
        d.m_linkMail.m_bVisited = false;

        // A plain static text of the dialog, and another kind of request, keep the dialog's own colouring.
        const CColourAnswer plain = AskColour(d.m_hWnd, d.GetDlgItem(IDC_INFO_DESCRIPTION));
        EXPECT_NE(plain.hBrush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
        EXPECT_NE(plain.textColour, static_cast<COLORREF>(kLinkColourUnvisited));
        const CColourAnswer edit = AskColour(d.m_hWnd, hMail, WM_CTLCOLOREDIT);
        EXPECT_NE(edit.hBrush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
        EXPECT_NE(edit.textColour, static_cast<COLORREF>(kLinkColourUnvisited));

        // A link whose style's low byte is not plain text (here: no prefix) is not coloured either.
        const LONG dwStyle = ::GetWindowLongW(hMail, GWL_STYLE);
        ::SetWindowLongW(hMail, GWL_STYLE, dwStyle | SS_NOPREFIX);
        const CColourAnswer noPrefix = AskColour(d.m_hWnd, hMail);
        EXPECT_NE(noPrefix.hBrush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
        ::SetWindowLongW(hMail, GWL_STYLE, dwStyle);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(dialog.bChecked);
}

TEST_F(DialogTest, LinkCursorAndClicks)
{
    // A program that starts and ends at once stands in for a web address: the shell opens it successfully.
    wchar_t szSystem[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    const std::u16string strQuickProgram = FromWide(szSystem) + u"\\hostname.exe";
    ASSERT_NE(::GetFileAttributesW(AsWide(strQuickProgram)), INVALID_FILE_ATTRIBUTES);

    CInfoProbe dialog(nullptr);
    dialog.check = [&](CInfoProbe& d) {
        const HWND hWeb = d.GetDlgItem(IDC_INFO_WEB);
        // The hand cursor, a copy of the system's.
        ASSERT_TRUE(d.m_linkWeb.m_hCursor);
        EXPECT_NE(d.m_linkWeb.m_hCursor.Get(), ::LoadCursorW(nullptr, IDC_HAND));
        const LPARAM nHit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
        EXPECT_EQ(::SendMessageW(hWeb, WM_SETCURSOR, reinterpret_cast<WPARAM>(hWeb), nHit), TRUE);
        EXPECT_EQ(::GetCursor(), d.m_linkWeb.m_hCursor.Get());

        // A click the shell cannot open: the target is the control's text, and the link stays unvisited. (The
        // text is a file that is not there, so that no browser is started.)
        ::SetWindowTextW(hWeb, L"C:\\lumo-no-such-directory\\page.none");
        ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_INFO_WEB, STN_CLICKED), reinterpret_cast<LPARAM>(hWeb));
        EXPECT_EQ(d.m_linkWeb.m_strUrl, u"C:\\lumo-no-such-directory\\page.none");
        EXPECT_FALSE(d.m_linkWeb.m_bVisited);

        // A click the shell can open makes the link visited, and red from then on.
        d.m_linkWeb.m_strUrl = strQuickProgram;
        ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_INFO_WEB, STN_CLICKED), reinterpret_cast<LPARAM>(hWeb));
        EXPECT_TRUE(d.m_linkWeb.m_bVisited);
        EXPECT_EQ(AskColour(d.m_hWnd, hWeb).textColour, static_cast<COLORREF>(kLinkColourVisited));
        EXPECT_EQ(AskColour(d.m_hWnd, d.GetDlgItem(IDC_INFO_MAIL)).textColour,
                  static_cast<COLORREF>(kLinkColourUnvisited));
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(dialog.bChecked);
}

TEST_F(DialogTest, LinkOnATemplateOfItsOwn)
{
    // A hyperlink control bound by a dialog of its own: SS_NOTIFY is added when it is bound, and a click that the
    // dialog reflects reaches it.
    class CLinkDialog : public CBaseDlg {
    public:
        CLinkDialog() : CBaseDlg(::GetModuleHandleW(nullptr), IDD_TEST_PLACEHOLDERS, nullptr) {}
        void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_LINK, m_link); }

        class CCountingLink : public CUrlCtrl {
        public:
            int nOpened = 0;
            bool OpenUrl() override
            {
                ++nOpened;
                return false;
            }
        } m_link;
    };
    CProbe<CLinkDialog> dialog;
    dialog.m_bTopMostNoParent = false;
    DWORD dwStyleBefore = 0;
    dialog.check = [&](CProbe<CLinkDialog>& d) {
        const HWND hLink = d.GetDlgItem(IDC_TEST_LINK);
        EXPECT_EQ(d.m_link.m_hWnd, hLink);
        EXPECT_EQ(CWnd::FromHandlePermanent(hLink), &d.m_link);
        dwStyleBefore = static_cast<DWORD>(::GetWindowLongW(hLink, GWL_STYLE));
        ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_LINK, STN_CLICKED), reinterpret_cast<LPARAM>(hLink));
        ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_LINK, STN_DBLCLK), reinterpret_cast<LPARAM>(hLink));
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(dwStyleBefore & SS_NOTIFY);
    EXPECT_EQ(dialog.m_link.nOpened, 1);
    EXPECT_EQ(dialog.m_link.m_hWnd, nullptr);
}

}  // namespace
