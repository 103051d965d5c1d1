// lumo_gui_driver: drives LumoHostID.exe's dialogs through Win32 as a person would, for the GUI test.
//
//   lumo_gui_driver.exe PROGRAM WORKDIR VERSION
//
// It runs PROGRAM once with /exit: to learn the host ID, starts it without arguments, finds the main dialog by its
// caption, reads and checks its fields and its menu, opens the about dialog with command 32772 and checks its
// lines, and closes both. In both dialogs no text may be cut and the picture must fit its frame, at whatever scale
// the display has (measured inside the program by lumo_menu_probe.dll). At two points it hands over to the test script for a screenshot: it writes
// WORKDIR\<name>.ready holding the window's rectangle ("left top width height") and waits for WORKDIR\<name>.done.
// The outcome goes to WORKDIR\result.txt: "PASS", or "FAIL" followed by what failed. Every wait is bounded.

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/wide.h"
#include "res/resource.h"
#include "support/win/process_runner.h"
#include "win_test_support.h"

namespace {

constexpr DWORD kPollMilliseconds = 100;
constexpr DWORD kWindowWaitMilliseconds = 60000;
constexpr DWORD kShotWaitMilliseconds = 120000;
constexpr DWORD kProcessWaitMilliseconds = 60000;

std::u16string g_strWork;
std::vector<std::u16string> g_failures;

void Fail(const std::u16string& strWhat)
{
    g_failures.push_back(strWhat);
}

void Expect(bool bCondition, const std::u16string& strWhat)
{
    if (!bCondition)
        Fail(strWhat);
}

void ExpectText(const std::u16string& strActual, const std::u16string& strExpected, const std::u16string& strWhat)
{
    if (strActual != strExpected)
        Fail(strWhat + u": \"" + strActual + u"\", expected \"" + strExpected + u"\"");
}

bool WriteTextFile(const std::u16string& strPath, const std::string& text)
{
    // Written under another name and renamed, so that the script never reads half a file.
    const std::u16string strTemporary = strPath + u".part";
    const HANDLE hFile = ::CreateFileW(AsWide(strTemporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD nWritten = 0;
    const BOOL bWritten = ::WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr);
    ::CloseHandle(hFile);
    return bWritten && ::MoveFileExW(AsWide(strTemporary), AsWide(strPath), MOVEFILE_REPLACE_EXISTING);
}

std::string ReadFileBytes(const std::u16string& strPath)
{
    const HANDLE hFile = ::CreateFileW(AsWide(strPath), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes(4096, '\0');
    DWORD nRead = 0;
    ::ReadFile(hFile, &bytes[0], static_cast<DWORD>(bytes.size()), &nRead, nullptr);
    ::CloseHandle(hFile);
    bytes.resize(nRead);
    return bytes;
}

// Waits until the condition holds, at most nMilliseconds. True when it held.
template <class TCondition>
bool WaitFor(TCondition condition, DWORD nMilliseconds)
{
    for (DWORD nWaited = 0; nWaited <= nMilliseconds; nWaited += kPollMilliseconds) {
        if (condition())
            return true;
        ::Sleep(kPollMilliseconds);
    }
    return condition();
}

// A dialog of the process with that caption, or null.
HWND FindDialog(const wchar_t* pszCaption, DWORD dwProcessId)
{
    for (HWND hWnd = ::FindWindowExW(nullptr, nullptr, L"#32770", pszCaption); hWnd;
         hWnd = ::FindWindowExW(nullptr, hWnd, L"#32770", pszCaption)) {
        DWORD dwOwner = 0;
        ::GetWindowThreadProcessId(hWnd, &dwOwner);
        if (dwOwner == dwProcessId && ::IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

// Hands over to the test script for a screenshot of the window, and waits until it is taken.
void Screenshot(const char16_t* pszName, HWND hWnd)
{
    // Give the window a moment to finish painting after it came up.
    ::Sleep(500);
    RECT rect = {};
    ::GetWindowRect(hWnd, &rect);
    const std::string text = std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                             std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top) +
                             "\n";
    const std::u16string strReady = g_strWork + u"\\" + pszName + u".ready";
    const std::u16string strDone = g_strWork + u"\\" + pszName + u".done";
    if (!WriteTextFile(strReady, text)) {
        Fail(u"cannot write " + strReady);
        return;
    }
    if (!WaitFor([&] { return ::GetFileAttributesW(AsWide(strDone)) != INVALID_FILE_ATTRIBUTES; },
                 kShotWaitMilliseconds))
        Fail(u"no screenshot of " + std::u16string(pszName));
}

// What lumo_menu_probe.dll writes from inside the window's process on the probe message (Wine keeps a menu's
// items, and every font and bitmap handle, in the process that owns them); empty when it cannot be had.
std::string ProbeInside(HWND hWnd, const wchar_t* pszMessage, const wchar_t* pszFile)
{
    wchar_t szDriver[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, szDriver, MAX_PATH);
    std::u16string strProbe = FromWide(szDriver);
    strProbe = strProbe.substr(0, strProbe.rfind(u'\\') + 1) + u"lumo_menu_probe.dll";
    const HMODULE hProbe = ::LoadLibraryW(AsWide(strProbe));
    if (!hProbe)
        return std::string();
    const FARPROC pExport = ::GetProcAddress(hProbe, "LumoMenuProbeHook");
    const auto pHook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(pExport));
    wchar_t szTemp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, szTemp);
    const std::u16string strDescription = FromWide(szTemp) + FromWide(pszFile);
    ::DeleteFileW(AsWide(strDescription));
    std::string description;
    const HHOOK hHook = pHook ? ::SetWindowsHookExW(WH_CALLWNDPROC, pHook, hProbe,
                                                    ::GetWindowThreadProcessId(hWnd, nullptr))
                              : nullptr;
    if (hHook) {
        DWORD_PTR nResult = 0;
        ::SendMessageTimeoutW(hWnd, ::RegisterWindowMessageW(pszMessage), 0, 0, SMTO_ABORTIFHUNG,
                              kWindowWaitMilliseconds, &nResult);
        ::UnhookWindowsHookEx(hHook);
        description = ReadFileBytes(strDescription);
    }
    ::FreeLibrary(hProbe);
    return description;
}

// The description of the window's menu.
std::string DescribeMenuOf(HWND hWnd)
{
    return ProbeInside(hWnd, L"LumoMenuProbe", L"lumo-menu-probe.txt");
}

// No text of the dialog's controls is cut and its picture fits its frame, at whatever scale the display has: the
// probe measures at least nControls controls and finds none cut.
void ExpectNothingCut(HWND hDialog, const std::u16string& strDialog, int nControls)
{
    const std::string layout = ProbeInside(hDialog, L"LumoLayoutProbe", L"lumo-layout-probe.txt");
    const std::string kChecked = "checked=";
    if (layout.compare(0, kChecked.size(), kChecked) != 0) {
        Fail(strDialog + u": its layout could not be measured");
        return;
    }
    const int nChecked = std::atoi(layout.c_str() + kChecked.size());
    Expect(nChecked >= nControls, strDialog + u": only " + AsciiToUtf16(std::to_string(nChecked)) +
                                      u" controls measured, expected " + AsciiToUtf16(std::to_string(nControls)));
    for (size_t nLine = layout.find("\ncut="); nLine != std::string::npos; nLine = layout.find("\ncut=", nLine + 1)) {
        const size_t nEnd = layout.find('\n', nLine + 1);
        Fail(strDialog + u": " + Utf8ToUtf16(layout.substr(nLine + 5, nEnd == std::string::npos ? std::string::npos
                                                                                           : nEnd - nLine - 5)));
    }
}

void CheckMainDialog(HWND hMain, const std::u16string& strHostId)
{
    wchar_t szName[300] = {};
    DWORD nSize = 300;
    ::GetComputerNameW(szName, &nSize);
    ExpectText(WindowText(::GetDlgItem(hMain, IDC_COMPUTER_NAME)), FromWide(szName), u"computer name field");
    ExpectText(WindowText(::GetDlgItem(hMain, IDC_HOST_ID)), strHostId, u"host ID field");
    for (const int nId : {IDC_COMPUTER_NAME, IDC_HOST_ID}) {
        const LONG dwStyle = ::GetWindowLongW(::GetDlgItem(hMain, nId), GWL_STYLE);
        Expect((dwStyle & ES_READONLY) != 0, u"field " + AsciiToUtf16(std::to_string(nId)) + u" is not read-only");
    }
    ExpectText(WindowText(::GetDlgItem(hMain, IDCANCEL)), u"Close", u"Close button");
    ExpectNothingCut(hMain, u"main dialog", 5);
    const LONG dwExStyle = ::GetWindowLongW(hMain, GWL_EXSTYLE);
    Expect((dwExStyle & WS_EX_TOPMOST) == 0, u"the main dialog is topmost");
    Expect((dwExStyle & WS_EX_APPWINDOW) != 0, u"the main dialog has no taskbar button");

    // One right-justified (MFT_RIGHTJUSTIFY, 0x4000) popup "Info" on the bar, with one plain entry, command 32772.
    const std::string expected =
        "bar.count=1\n"
        "bar.0.text=Info\n"
        "bar.0.type=00004000\n"
        "bar.0.popup=1\n"
        "popup.count=1\n"
        "popup.0.text=About Kavro Host ID...\n"
        "popup.0.type=00000000\n"
        "popup.0.id=32772\n";
    const std::string description = DescribeMenuOf(hMain);
    if (description != expected)
        Fail(u"menu:\n" + Utf8ToUtf16(description) + u"expected:\n" + Utf8ToUtf16(expected));
}

void CheckAboutDialog(HWND hAbout, HWND hMain, const std::u16string& strVersion)
{
    ExpectText(WindowText(::GetDlgItem(hAbout, IDC_INFO_DESCRIPTION)), u"Kavro Host ID determination program",
               u"description line");
    ExpectText(WindowText(::GetDlgItem(hAbout, IDC_INFO_VERSION)), u"Version " + strVersion, u"version line");
    ExpectText(WindowText(::GetDlgItem(hAbout, IDC_INFO_MAIL)), u"hostid@kavro.example", u"e-mail link");
    ExpectText(WindowText(::GetDlgItem(hAbout, IDC_INFO_WEB)), u"www.kavro.example", u"web link");
    for (const int nId : {IDC_INFO_MAIL, IDC_INFO_WEB}) {
        const LONG dwStyle = ::GetWindowLongW(::GetDlgItem(hAbout, nId), GWL_STYLE);
        Expect((dwStyle & SS_NOTIFY) != 0, u"a link does not report clicks");
    }
    ExpectNothingCut(hAbout, u"about dialog", 13);
    Expect(::GetWindow(hAbout, GW_OWNER) == hMain, u"the about dialog is not owned by the main dialog");
    Expect(!::IsWindowEnabled(hMain), u"the main dialog is enabled while the about dialog is open");
    Expect((::GetWindowLongW(hAbout, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0, u"the about dialog is topmost");
}

// Opens the about dialog from the menu command and waits for it.
HWND OpenAbout(HWND hMain, DWORD dwProcessId)
{
    ::PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(ID_INFO_ABOUT, 0), 0);
    HWND hAbout = nullptr;
    WaitFor([&] { return (hAbout = FindDialog(L"Kavro Host ID", dwProcessId)) != nullptr; }, kWindowWaitMilliseconds);
    return hAbout;
}

bool CloseWith(HWND hDialog, int nCommand)
{
    ::PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nCommand, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDialog, nCommand)));
    return WaitFor([&] { return !::IsWindow(hDialog); }, kWindowWaitMilliseconds);
}

void Drive(const std::u16string& strProgram, const std::u16string& strVersion)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro");

    // The host ID as file-output mode writes it.
    const std::u16string strExpectedFile = g_strWork + u"\\expected.txt";
    if (RunToEnd(u"\"" + strProgram + u"\" /exit:" + strExpectedFile, kProcessWaitMilliseconds) != DWORD{0}) {
        Fail(u"the program did not write its host ID");
        return;
    }
    const std::string bytes = ReadFileBytes(strExpectedFile);
    const std::u16string strHostId = AsciiToUtf16(bytes.substr(0, bytes.find('\0')));

    CTestProcess process;
    if (!process.Start(u"\"" + strProgram + u"\"")) {
        Fail(u"the program does not start");
        return;
    }
    HWND hMain = nullptr;
    if (!WaitFor([&] { return (hMain = FindDialog(L"Kavro Lumo HostID", process.GetProcessId())) != nullptr; },
                 kWindowWaitMilliseconds)) {
        Fail(u"no window with the caption \"Kavro Lumo HostID\"");
    } else {
        CheckMainDialog(hMain, strHostId);
        Screenshot(u"main", hMain);

        HWND hAbout = OpenAbout(hMain, process.GetProcessId());
        if (!hAbout) {
            Fail(u"command 32772 opens no about dialog");
        } else {
            CheckAboutDialog(hAbout, hMain, strVersion);
            Screenshot(u"about", hAbout);
            Expect(CloseWith(hAbout, IDOK), u"the about dialog's Close button does not close it");
            Expect(::IsWindowEnabled(hMain) != FALSE, u"the main dialog stays disabled after the about dialog");
            // The about dialog opens again, and Escape's command closes it.
            hAbout = OpenAbout(hMain, process.GetProcessId());
            Expect(hAbout != nullptr, u"the about dialog does not open a second time");
            if (hAbout)
                Expect(CloseWith(hAbout, IDCANCEL), u"the cancel command does not close the about dialog");
        }
        Expect(CloseWith(hMain, IDCANCEL), u"the Close button does not close the main dialog");
    }
    const std::optional<DWORD> exitCode = process.WaitForExit(kProcessWaitMilliseconds);
    if (exitCode)
        Expect(*exitCode == 0, u"the program's exit code is not 0");
    else
        Fail(u"the program does not end when its dialog is closed");

    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kavro", 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        ::RegCloseKey(hKey);
        Fail(u"the dialogs wrote to the registry");
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    const std::u16string strProgram = FromWide(argv[1]);
    g_strWork = FromWide(argv[2]);
    const std::u16string strVersion = FromWide(argv[3]);

    Drive(strProgram, strVersion);

    std::string result = g_failures.empty() ? "PASS\n" : "FAIL\n";
    for (const std::u16string& strFailure : g_failures)
        result += Utf16ToUtf8(strFailure) + "\n";
    WriteTextFile(g_strWork + u"\\result.txt", result);
    return g_failures.empty() ? 0 : 1;
}
