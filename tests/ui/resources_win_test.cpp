// The resources of LumoHostID.exe as the program file holds them: both dialog templates control by control, the
// menu, the icon group, the picture, the manifest and the version resource; and the manifest of the inspect tool
// and the version resources of the inspect tool and the library.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/win/menu_item.h"
#include "ui/file_version_info.h"
#include "ui/win/version_resource_reader.h"
#include "win_test_support.h"

namespace {

const std::u16string kProgram = BuildTreePath(LUMO_HOSTID_EXE);

// A manifest names Windows 7, 8, 8.1 and 10 (which stands for 11 too) as supported, so that none of them runs the
// program in the compatibility mode of an older Windows.
void ExpectSupportedWindows(const std::string& strManifest)
{
    const char* const ids[] = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                               "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const char* pszId : ids)
        EXPECT_NE(strManifest.find(std::string("<supportedOS Id=\"") + pszId + "\"/>"), std::string::npos) << pszId;
}

// The program file loaded as data: its resources can be found, nothing of it runs.
class CDataModule {
public:
    explicit CDataModule(const std::u16string& strPath)
        : m_hModule(::LoadLibraryExW(AsWide(strPath), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~CDataModule()
    {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }
    CDataModule(const CDataModule&) = delete;
    CDataModule& operator=(const CDataModule&) = delete;

    HMODULE Get() const { return m_hModule; }

    // The bytes of a resource, empty when it is not there.
    std::vector<uint8_t> Resource(const wchar_t* pszType, uint16_t nId) const
    {
        const HRSRC hResource = ::FindResourceW(m_hModule, MAKEINTRESOURCEW(nId), pszType);
        if (!hResource)
            return {};
        const HGLOBAL hLoaded = ::LoadResource(m_hModule, hResource);
        const auto* pData = static_cast<const uint8_t*>(::LockResource(hLoaded));
        return pData ? std::vector<uint8_t>(pData, pData + ::SizeofResource(m_hModule, hResource))
                     : std::vector<uint8_t>();
    }

private:
    HMODULE m_hModule;
};

// A reader over the bytes of a dialog template (DLGTEMPLATEEX).
class CTemplateReader {
public:
    explicit CTemplateReader(const std::vector<uint8_t>& data) : m_data(data) {}

    uint16_t Word() { return Read<uint16_t>(); }
    uint32_t Dword() { return Read<uint32_t>(); }
    int16_t Short() { return Read<int16_t>(); }
    uint8_t Byte() { return Read<uint8_t>(); }

    std::u16string Text()
    {
        std::u16string strText;
        for (uint16_t unit = Word(); unit != 0 && !m_bOverrun; unit = Word())
            strText.push_back(unit);
        return strText;
    }

    // A name or an ordinal: "#<number>" for an ordinal, the text for a name, "" for none.
    std::u16string NameOrOrdinal()
    {
        const uint16_t first = Word();
        if (first == 0)
            return u"";
        if (first == 0xFFFF)
            return u"#" + AsciiToUtf16(std::to_string(Word()));
        std::u16string strText(1, first);
        return strText + Text();
    }

    void AlignDword() { m_nAt = (m_nAt + 3) & ~size_t(3); }
    void Skip(size_t nBytes) { m_nAt += nBytes; }
    bool Overrun() const { return m_bOverrun || m_nAt > m_data.size(); }

private:
    template <class T>
    T Read()
    {
        T value{};
        if (m_nAt + sizeof(T) > m_data.size()) {
            m_bOverrun = true;
            return value;
        }
        std::memcpy(&value, m_data.data() + m_nAt, sizeof(T));
        m_nAt += sizeof(T);
        return value;
    }

    const std::vector<uint8_t>& m_data;
    size_t m_nAt = 0;
    bool m_bOverrun = false;
};

struct CControl {
    uint32_t id;
    std::u16string className;  // lower case; the well-known classes are stored as ordinals
    std::u16string text;
    int16_t x, y, cx, cy;
    uint32_t style;
    uint32_t exStyle;

    bool operator==(const CControl& o) const
    {
        return id == o.id && className == o.className && text == o.text && x == o.x && y == o.y && cx == o.cx &&
               cy == o.cy && style == o.style && exStyle == o.exStyle;
    }
};

void PrintTo(const CControl& c, std::ostream* os)
{
    *os << "{" << c.id << ", " << Narrow(c.className) << ", \"" << Narrow(c.text) << "\", " << c.x << "," << c.y
        << "," << c.cx << "," << c.cy << ", 0x" << std::hex << c.style << ", 0x" << c.exStyle << std::dec << "}";
}

struct CDialogTemplate {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::u16string menu, windowClass, caption;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 0;
    std::u16string typeface;
    std::vector<CControl> controls;
};

// A template's header on one line, every field named, so that a comparison shows all that differ at once.
std::string HeaderText(const CDialogTemplate& dialog)
{
    char szStyles[64];
    std::snprintf(szStyles, sizeof(szStyles), "style 0x%08X, extended 0x%08X", static_cast<unsigned>(dialog.style),
                  static_cast<unsigned>(dialog.exStyle));
    return "caption \"" + Narrow(dialog.caption) + "\", " + szStyles + ", at " + std::to_string(dialog.x) + "," +
           std::to_string(dialog.y) + ", " + std::to_string(dialog.cx) + "x" + std::to_string(dialog.cy) +
           ", menu \"" + Narrow(dialog.menu) + "\", class \"" + Narrow(dialog.windowClass) + "\", font \"" +
           Narrow(dialog.typeface) + "\" " + std::to_string(dialog.pointSize) + " weight " +
           std::to_string(dialog.weight) + " italic " + std::to_string(dialog.italic) + " charset " +
           std::to_string(dialog.charset);
}

std::u16string ClassName(const std::u16string& strClass)
{
    if (strClass == u"#128")
        return u"button";
    if (strClass == u"#129")
        return u"edit";
    if (strClass == u"#130")
        return u"static";
    return AsciiLowerCopy(strClass);
}

CDialogTemplate ParseDialog(const std::vector<uint8_t>& data)
{
    CDialogTemplate dialog;
    CTemplateReader reader(data);
    EXPECT_EQ(reader.Word(), 1);       // dlgVer
    EXPECT_EQ(reader.Word(), 0xFFFF);  // signature: an extended template
    reader.Dword();                    // helpID
    dialog.exStyle = reader.Dword();
    dialog.style = reader.Dword();
    const uint16_t nItems = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.NameOrOrdinal();
    dialog.windowClass = reader.NameOrOrdinal();
    dialog.caption = reader.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        dialog.weight = reader.Word();
        dialog.italic = reader.Byte();
        dialog.charset = reader.Byte();
        dialog.typeface = reader.Text();
    }
    for (uint16_t i = 0; i < nItems && !reader.Overrun(); ++i) {
        reader.AlignDword();
        CControl control{};
        reader.Dword();  // helpID
        control.exStyle = reader.Dword();
        control.style = reader.Dword();
        control.x = reader.Short();
        control.y = reader.Short();
        control.cx = reader.Short();
        control.cy = reader.Short();
        control.id = reader.Dword();
        control.className = ClassName(reader.NameOrOrdinal());
        control.text = reader.NameOrOrdinal();
        reader.Skip(reader.Word());  // creation data
        dialog.controls.push_back(control);
    }
    EXPECT_FALSE(reader.Overrun());
    return dialog;
}

constexpr uint32_t kNoId = 0xFFFFFFFF;

class ProgramResourcesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_module.Get(), nullptr) << Narrow(kProgram); }

    CDataModule m_module{kProgram};
};

TEST_F(ProgramResourcesTest, MainDialogTemplate)
{
    const CDialogTemplate dialog = ParseDialog(m_module.Resource(RT_DIALOG, IDD_LUMOHOSTID_DIALOG));
    EXPECT_EQ(HeaderText(dialog),
              "caption \"Kavro Lumo HostID\", style 0x90CB00C0, extended 0x00040000, at 0,0, 312x86, menu \"#130\", "
              "class \"\", font \"Segoe UI\" 9 weight 400 italic 0 charset 0");
    const std::vector<CControl> expected = {
        {2, u"button", u"Close", 225, 57, 70, 16, 0x50010000, 0},
        {kNoId, u"static", u"Computer name:", 15, 13, 60, 17, 0x5002000C, 0},
        {1000, u"edit", u"", 81, 12, 214, 14, 0x50810880, 0},
        {kNoId, u"static", u"Host ID:", 15, 34, 55, 18, 0x50020000, 0},
        {1001, u"edit", u"", 81, 33, 214, 14, 0x50810880, 0},
    };
    EXPECT_EQ(dialog.controls, expected);
}

TEST_F(ProgramResourcesTest, AboutDialogTemplate)
{
    const CDialogTemplate dialog = ParseDialog(m_module.Resource(RT_DIALOG, IDD_INFO_DIALOG));
    EXPECT_EQ(HeaderText(dialog),
              "caption \"Kavro Host ID\", style 0x80C800C0, extended 0x00000000, at 0,0, 266x325, menu \"\", "
              "class \"\", font \"Segoe UI\" 9 weight 400 italic 0 charset 0");
    ASSERT_EQ(dialog.controls.size(), 14u);
    // The controls in template order: ID, class, rectangle and style as the layout gives them. The address block's
    // texts are the maker's own data and are only required to be there.
    const struct {
        uint32_t id;
        const char16_t* className;
        int16_t x, y, cx, cy;
        uint32_t style;
        const char16_t* text;  // null: any non-empty text
    } expected[] = {
        {1072, u"static", 10, 180, 230, 8, 0x50020000, u"- Description -"},
        {1006, u"static", 10, 194, 230, 8, 0x50020000, u"- Version -"},
        {1128, u"static", 10, 208, 230, 1, 0x50000010, u""},
        {1039, u"static", 10, 214, 230, 8, 0x50000200, nullptr},
        {1129, u"static", 10, 228, 105, 8, 0x50000280, nullptr},
        {1130, u"static", 120, 228, 115, 8, 0x50000280, nullptr},
        {1131, u"static", 10, 240, 105, 8, 0x50000280, nullptr},
        {1132, u"static", 120, 240, 115, 8, 0x50000280, nullptr},
        {1133, u"static", 10, 252, 230, 9, 0x50020000, nullptr},
        {1134, u"static", 10, 266, 105, 10, 0x50020200, u"hostid@kavro.example"},
        {1135, u"static", 120, 266, 115, 10, 0x50020200, u"www.kavro.example"},
        {1068, u"static", 10, 280, 230, 8, 0x50020000, nullptr},
        {1, u"button", 187, 300, 70, 14, 0x50010001, u"Close"},
        {1008, u"static", 0, 0, 267, 171, 0x5000020E, u"#134"},
    };
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
        const CControl& control = dialog.controls[i];
        SCOPED_TRACE(control.id);
        EXPECT_EQ(control.id, expected[i].id);
        EXPECT_EQ(control.className, expected[i].className);
        EXPECT_EQ(control.x, expected[i].x);
        EXPECT_EQ(control.y, expected[i].y);
        EXPECT_EQ(control.cx, expected[i].cx);
        EXPECT_EQ(control.cy, expected[i].cy);
        EXPECT_EQ(control.style, expected[i].style);
        EXPECT_EQ(control.exStyle, 0u);
        if (expected[i].text) {
            EXPECT_EQ(control.text, expected[i].text);
        } else {
            EXPECT_FALSE(control.text.empty());
        }
    }
    // The copyright line names the maker's company, as the address block does.
    EXPECT_NE(dialog.controls[11].text.find(dialog.controls[3].text), std::u16string::npos);
}

TEST_F(ProgramResourcesTest, MenuWithTheRightJustifiedInfoPopup)
{
    const HMENU hMenu = ::LoadMenuW(m_module.Get(), MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_NE(hMenu, nullptr);
    ASSERT_EQ(::GetMenuItemCount(hMenu), 1);
    const std::optional<CMenuItem> item = ReadMenuItem(hMenu, 0);
    ASSERT_TRUE(item);
    EXPECT_EQ(FromWide(item->m_strText.c_str()), u"Info");
    EXPECT_EQ(item->m_fType, static_cast<UINT>(MFT_STRING | MFT_RIGHTJUSTIFY));
    ASSERT_NE(item->m_hSubMenu, nullptr);
    ASSERT_EQ(::GetMenuItemCount(item->m_hSubMenu), 1);

    const std::optional<CMenuItem> entry = ReadMenuItem(item->m_hSubMenu, 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(FromWide(entry->m_strText.c_str()), u"About Kavro Host ID...");
    EXPECT_EQ(entry->m_wID, static_cast<UINT>(ID_INFO_ABOUT));
    EXPECT_EQ(entry->m_wID, 32772u);
    EXPECT_EQ(entry->m_fType, static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(entry->m_fState, static_cast<UINT>(MFS_ENABLED));
    EXPECT_EQ(entry->m_hSubMenu, nullptr);
    ::DestroyMenu(hMenu);
}

TEST_F(ProgramResourcesTest, MenuIsAnExtendedTemplate)
{
    // LoadMenu takes a plain template as well, so the stored bytes are read: the header's version is 1 for an
    // extended menu (0 for a plain one), and the items carry their type, state and ID as double words.
    const std::vector<uint8_t> data = m_module.Resource(RT_MENU, IDR_MAIN_MENU);
    ASSERT_FALSE(data.empty());
    CTemplateReader reader(data);
    ASSERT_EQ(reader.Word(), 1u) << "not an extended menu template";
    const uint16_t nOffset = reader.Word();
    ASSERT_GE(nOffset, 4u);
    EXPECT_EQ(reader.Dword(), 0u);  // the menu's help ID
    reader.Skip(nOffset - 4);

    // Each item as the template stores it; a popup's help ID and its items follow its text.
    struct CItem {
        uint32_t type, state, id;
        uint16_t flags;  // 0x01 popup, 0x80 last item of its menu
        std::u16string text;
    };
    std::vector<CItem> items;
    for (int nLevel = 0; nLevel < 2 && !reader.Overrun(); ++nLevel) {
        CItem item;
        item.type = reader.Dword();
        item.state = reader.Dword();
        item.id = reader.Dword();
        item.flags = reader.Word();
        item.text = reader.Text();
        reader.AlignDword();
        if (item.flags & 0x01) {
            EXPECT_EQ(reader.Dword(), 0u);  // the popup's help ID
        }
        items.push_back(item);
    }
    ASSERT_FALSE(reader.Overrun());
    const std::vector<CItem> expected = {
        {MFT_RIGHTJUSTIFY, 0, 0, 0x81, u"Info"},
        {MFT_STRING, 0, ID_INFO_ABOUT, 0x80, u"About Kavro Host ID..."},
    };
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].type, expected[i].type);
        EXPECT_EQ(items[i].state, expected[i].state);
        EXPECT_EQ(items[i].id, expected[i].id);
        EXPECT_EQ(items[i].flags, expected[i].flags);
        EXPECT_EQ(Narrow(items[i].text), Narrow(expected[i].text));
    }
}

TEST_F(ProgramResourcesTest, IconPictureAndManifest)
{
    // Icon group 5, with images of 16, 32 and 48 pixels.
    const std::vector<uint8_t> group = m_module.Resource(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_GE(group.size(), 6u);
    uint16_t header[3];
    std::memcpy(header, group.data(), sizeof(header));
    EXPECT_EQ(header[1], 1);  // icons
    ASSERT_EQ(header[2], 3);
    ASSERT_EQ(group.size(), 6u + 3u * 14u);
    const uint8_t sizes[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(group[6 + 14 * i], sizes[i]);

    // Bitmap 134: 400 by 278 pixels with 8 bits per pixel and a palette.
    const std::vector<uint8_t> picture = m_module.Resource(RT_BITMAP, IDB_INFO_BANNER);
    ASSERT_GE(picture.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER info;
    std::memcpy(&info, picture.data(), sizeof(info));
    EXPECT_EQ(info.biWidth, 400);
    EXPECT_EQ(info.biHeight, 278);
    EXPECT_EQ(info.biBitCount, 8);
    EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
    const DWORD nColours = info.biClrUsed ? info.biClrUsed : 256;
    EXPECT_EQ(nColours, 256u);
    EXPECT_EQ(picture.size(), sizeof(info) + 4 * nColours + 400u * 278u);

    // The manifest asks for version 6 of the common controls and per-monitor DPI awareness, version 2 first with
    // the older forms after it, and names the Windows versions the program is made for.
    const std::vector<uint8_t> manifest = m_module.Resource(RT_MANIFEST, 1);
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                        "PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos);
    EXPECT_NE(text.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>"),
              std::string::npos);
    ExpectSupportedWindows(text);
}

// The manifest of the inspect tool: the supported Windows versions and no elevation.
TEST(InspectResourcesTest, Manifest)
{
    const CDataModule module(BuildTreePath(LUMO_INSPECT_EXE));
    ASSERT_NE(module.Get(), nullptr);
    const std::vector<uint8_t> manifest = module.Resource(RT_MANIFEST, 1);
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
    ExpectSupportedWindows(text);
}

// The version resource of each binary names the product, its maker, the file and the project version.
TEST(VersionResourceTest, EveryBinaryHasItsVersionResource)
{
    const std::u16string strVersion = Utf8ToUtf16(LUMO_PROJECT_VERSION);
    const struct {
        std::u16string file;
        std::u16string description;
        std::u16string originalName;
    } cases[] = {
        {kProgram, u"Kavro Lumo HostID", u"LumoHostID.exe"},
        {BuildTreePath(LUMO_INSPECT_EXE), u"Kavro Lumo HostID inspector", u"lumohostid-inspect.exe"},
        {BuildTreePath(LUMO_LIBRARY_DLL), u"Kavro Lumo HostID library", u"lumohostid.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.originalName));
        CWinVersionResourceReader reader;
        uint32_t dwError = 0;
        const uint32_t nSize = reader.GetSize(c.file, dwError);
        ASSERT_GT(nSize, 0u) << dwError;
        std::vector<uint8_t> buffer(nSize);
        ASSERT_TRUE(reader.Read(c.file, buffer, dwError)) << dwError;
        const auto translation = reader.QueryFirstTranslation(buffer);
        ASSERT_TRUE(translation);
        EXPECT_EQ(translation->first, 0x0409);
        EXPECT_EQ(translation->second, 1200);
        const std::u16string strBlock = u"\\StringFileInfo\\040904b0\\";
        const auto value = [&](const char16_t* pszName) {
            return Narrow(reader.QueryString(buffer, strBlock + pszName).value_or(u"<none>"));
        };
        EXPECT_EQ(value(u"FileVersion"), Narrow(strVersion));
        EXPECT_EQ(value(u"ProductVersion"), Narrow(strVersion));
        EXPECT_EQ(value(u"ProductName"), "Kavro Lumo HostID");
        EXPECT_EQ(value(u"CompanyName"), "Kavro Software Ltd.");
        EXPECT_EQ(value(u"FileDescription"), Narrow(c.description));
        EXPECT_EQ(value(u"OriginalFilename"), Narrow(c.originalName));
    }
}

TEST(VersionResourceTest, ProgramFileVersionIsTheProjectVersion)
{
    CWinVersionResourceReader reader;
    CFileVersionInfo info(reader);
    info.m_strFile = kProgram;
    info.m_nFlags = VI_FILEVERSION | VI_PRODUCTVERSION | VI_COMPANYNAME | VI_FILEDESCRIPTION | VI_LEGALCOPYRIGHT;
    EXPECT_EQ(info.GetFileVersion(), Utf8ToUtf16(LUMO_PROJECT_VERSION));
    EXPECT_EQ(info.m_strError, u"");
    EXPECT_EQ(info.m_strProductVersion, Utf8ToUtf16(LUMO_PROJECT_VERSION));
    EXPECT_EQ(info.m_strCompanyName, u"Kavro Software Ltd.");
    EXPECT_FALSE(info.m_strFileDescription.empty());
    EXPECT_NE(info.m_strLegalCopyright.find(u"Kavro"), std::u16string::npos);
    const int32_t expected[4] = {LUMO_PROJECT_VERSION_MAJOR, LUMO_PROJECT_VERSION_MINOR, LUMO_PROJECT_VERSION_PATCH, 0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(info.m_nFileVersion[i], expected[i]) << i;
    EXPECT_EQ(VersionLineText(info.m_strFileVersion), u"Version " + Utf8ToUtf16(LUMO_PROJECT_VERSION));
}

TEST(VersionResourceTest, FilesWithoutVersionResource)
{
    // A file that is no program, and a file that is not there: the size query fails with the system's code.
    wchar_t szDirectory[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, szDirectory), 0u);
    const std::u16string strText = FromWide(szDirectory) + u"lumo-version-test.txt";
    const HANDLE hFile = ::CreateFileW(AsWide(strText), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD nWritten = 0;
    ::WriteFile(hFile, "no program", 10, &nWritten, nullptr);
    ::CloseHandle(hFile);

    const struct {
        std::u16string file;
        const char* name;
    } cases[] = {
        {strText, "text file"},
        {FromWide(szDirectory) + u"lumo-no-such-file.exe", "missing file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD dwHandle = 0;
        ::SetLastError(0);
        ASSERT_EQ(::GetFileVersionInfoSizeW(AsWide(c.file), &dwHandle), 0u);
        const DWORD dwSystemError = ::GetLastError();
        EXPECT_NE(dwSystemError, 0u);

        CWinVersionResourceReader reader;
        CFileVersionInfo info(reader);
        info.m_strFile = c.file;
        EXPECT_EQ(info.GetFileVersion(), u"");
        EXPECT_EQ(info.m_strError, u"gp=" + AsciiToUtf16(std::to_string(dwSystemError)));
        EXPECT_TRUE(info.m_bLoaded);
        EXPECT_EQ(VersionLineText(info.GetFileVersion()), u"");
    }
    ::DeleteFileW(AsWide(strText));
}

}  // namespace
