// The registry key object and the reading of the "XY" value, against the real HKEY_CURRENT_USER of the test's
// Wine prefix.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/utf16le.h"
#include "ui/layout.h"
#include "ui/win/kavro_guard_registry.h"
#include "win_test_support.h"

namespace {

// Removes Software\Kavro before and after each test, so every test starts without it.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro"); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro"); }

    static bool KeyExists(const wchar_t* pszPath)
    {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, pszPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(hKey);
        return true;
    }

    static void SetValue(const wchar_t* pszPath, DWORD dwType, const std::vector<uint8_t>& data)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, pszPath, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(::RegSetValueExW(hKey, L"XY", 0, dwType, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        ::RegCloseKey(hKey);
    }
};

TEST_F(RegistryTest, ConstructionAndPathExtendedInPlace)
{
    CKavroGuardRegistry registry;
    EXPECT_EQ(registry.m_strKey, u"Software\\Kavro\\VEDA\\");
    EXPECT_EQ(registry.m_hKey, nullptr);
    EXPECT_EQ(registry.m_hRoot, HKEY_CURRENT_USER);

    // Opening a key that does not exist fails with 1279 and opens nothing; the path is extended all the same.
    EXPECT_EQ(registry.OpenKey(u"Layout\\Screen1x1\\Dlg1"), kRegistryKeyFailed);
    EXPECT_EQ(registry.m_hKey, nullptr);
    EXPECT_EQ(registry.m_strKey, u"Software\\Kavro\\VEDA\\Layout\\Screen1x1\\Dlg1\\");
    EXPECT_FALSE(KeyExists(L"Software\\Kavro"));

    // Creating makes every missing level; no subkey keeps the path.
    EXPECT_EQ(registry.CreateKey(nullptr), kRegistryKeyOk);
    EXPECT_NE(registry.m_hKey, nullptr);
    EXPECT_TRUE(KeyExists(L"Software\\Kavro\\VEDA\\Layout\\Screen1x1\\Dlg1"));
    EXPECT_EQ(registry.OpenKey(nullptr), kRegistryKeyOk);
    EXPECT_NE(registry.m_hKey, nullptr);

    // A second subkey goes below the first.
    EXPECT_EQ(registry.CreateKey(u"More"), kRegistryKeyOk);
    EXPECT_TRUE(KeyExists(L"Software\\Kavro\\VEDA\\Layout\\Screen1x1\\Dlg1\\More"));
    registry.Close();
    EXPECT_EQ(registry.m_hKey, nullptr);
}

TEST_F(RegistryTest, FailuresGiveOnly1279)
{
    // A root that is no key makes the registry answer ERROR_INVALID_HANDLE; the object answers 1279 for that as for
    // any other failure.
    CKavroGuardRegistry registry;
    registry.m_hRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678));  // no key at all
    EXPECT_EQ(registry.CreateKey(u"X"), kRegistryKeyFailed);
    EXPECT_EQ(registry.m_hKey, nullptr);
    EXPECT_EQ(registry.OpenKey(nullptr), kRegistryKeyFailed);
    EXPECT_EQ(ReadXYValue(registry), u"");
}

TEST_F(RegistryTest, WrittenPositionReadsBack)
{
    CKavroGuardRegistry writer;
    ASSERT_EQ(writer.CreateKey(u"Layout\\Screen1x1\\Dlg7"), kRegistryKeyOk);
    WriteXYValue(writer, u"-12,340");
    writer.Close();

    HKEY hKey = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kavro\\VEDA\\Layout\\Screen1x1\\Dlg7", 0, KEY_READ, &hKey),
              ERROR_SUCCESS);
    DWORD dwType = 0;
    BYTE data[64] = {};
    DWORD cbData = sizeof(data);
    EXPECT_EQ(::RegQueryValueExW(hKey, L"XY", nullptr, &dwType, data, &cbData), ERROR_SUCCESS);
    ::RegCloseKey(hKey);
    EXPECT_EQ(dwType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cbData, 16u);  // 7 characters and the null, two bytes each
    EXPECT_EQ(std::vector<uint8_t>(data, data + cbData), Utf16LeBytes(u"-12,340", true));

    CKavroGuardRegistry reader;
    ASSERT_EQ(reader.OpenKey(u"Layout\\Screen1x1\\Dlg7"), kRegistryKeyOk);
    EXPECT_EQ(ReadXYValue(reader), u"-12,340");
}

TEST_F(RegistryTest, ReadXYValueAgainstStoredValues)
{
    const std::u16string longText = u"120,45" + std::u16string(300, u' ');  // 614 bytes with the null
    const struct {
        const char* name;
        bool stored;
        DWORD type;
        std::vector<uint8_t> data;
        std::u16string text;
    } cases[] = {
        {"text", true, REG_SZ, Utf16LeBytes(u"120,45", true), u"120,45"},
        {"text without null", true, REG_SZ, Utf16LeBytes(u"120,45", false), u"120,45"},
        {"expandable text", true, REG_EXPAND_SZ, Utf16LeBytes(u"120,45", true), u""},
        {"short binary", true, REG_BINARY, Utf16LeBytes(u"120,45", true), u""},
        {"number", true, REG_DWORD, {0x78, 0, 0, 0}, u""},
        {"long text read in full", true, REG_SZ, Utf16LeBytes(longText, true), longText},
        {"long binary taken as text", true, REG_BINARY, Utf16LeBytes(longText, false), longText},
        {"missing", false, REG_SZ, {}, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kavro");
        if (c.stored) {
            SetValue(L"Software\\Kavro\\VEDA\\Test", c.type, c.data);
        } else {
            CKavroGuardRegistry creator;
            ASSERT_EQ(creator.CreateKey(u"Test"), kRegistryKeyOk);
        }
        CKavroGuardRegistry registry;
        ASSERT_EQ(registry.OpenKey(u"Test"), kRegistryKeyOk);
        EXPECT_EQ(ReadXYValue(registry), c.text);
    }
    // Without an open key there is nothing to read.
    CKavroGuardRegistry registry;
    EXPECT_EQ(ReadXYValue(registry), u"");
}

}  // namespace
