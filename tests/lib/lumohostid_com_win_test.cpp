// A Windows caller may have set up COM on its thread before calling the library, in either apartment model, or not
// at all. The call must work in each case and leave the thread's COM as it found it.

#include <lumohostid.h>

#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

enum class EComSetUp { None, SingleThreaded, MultiThreaded };

struct SThreadResult {
    HRESULT hrSetUp = E_FAIL;
    int nResult = LUMOHOSTID_E_INTERNAL;
    std::string strHostId;
    HRESULT hrTypeBefore = E_FAIL;
    APTTYPE typeBefore = APTTYPE_CURRENT;
    HRESULT hrTypeAfter = E_FAIL;
    APTTYPE typeAfter = APTTYPE_CURRENT;
    // After the caller's own CoUninitialize: COM must be gone from the thread, i.e. the library kept its own
    // initialisations balanced.
    HRESULT hrTypeAtEnd = E_FAIL;
};

HRESULT ApartmentOf(APTTYPE& type)
{
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    return ::CoGetApartmentType(&type, &qualifier);
}

SThreadResult CallOnThread(EComSetUp eSetUp)
{
    SThreadResult result;
    std::thread thread([&] {
        if (eSetUp == EComSetUp::SingleThreaded)
            result.hrSetUp = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        else if (eSetUp == EComSetUp::MultiThreaded)
            result.hrSetUp = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        else
            result.hrSetUp = S_OK;
        result.hrTypeBefore = ApartmentOf(result.typeBefore);

        char buffer[LUMOHOSTID_SIZE] = {};
        result.nResult = lumohostid_get(buffer, sizeof(buffer));
        result.strHostId = buffer;
        char* pJson = nullptr;
        if (lumohostid_report_json(&pJson) != LUMOHOSTID_OK)
            result.nResult = LUMOHOSTID_E_INTERNAL;
        lumohostid_free(pJson);

        result.hrTypeAfter = ApartmentOf(result.typeAfter);
        if (eSetUp != EComSetUp::None)
            ::CoUninitialize();
        APTTYPE typeAtEnd = APTTYPE_CURRENT;
        result.hrTypeAtEnd = ApartmentOf(typeAtEnd);
    });
    thread.join();
    return result;
}

TEST(LumoHostIdLibraryCom, TheCallerThreadsComIsLeftAsItWas)
{
    const SThreadResult plain = CallOnThread(EComSetUp::None);
    ASSERT_TRUE(plain.nResult == LUMOHOSTID_OK || plain.nResult == LUMOHOSTID_NO_ADAPTER)
        << lumohostid_strerror(plain.nResult);
    EXPECT_EQ(plain.hrTypeBefore, CO_E_NOTINITIALIZED);
    EXPECT_EQ(plain.hrTypeAfter, CO_E_NOTINITIALIZED) << "the library left COM set up on the thread";

    struct SCase {
        EComSetUp eSetUp;
        APTTYPE type;
        const char* pszName;
    };
    const SCase cases[] = {
        {EComSetUp::SingleThreaded, APTTYPE_MAINSTA, "single-threaded"},
        {EComSetUp::MultiThreaded, APTTYPE_MTA, "multithreaded"},
    };
    for (const SCase& c : cases) {
        const SThreadResult result = CallOnThread(c.eSetUp);
        ASSERT_EQ(result.hrSetUp, S_OK) << c.pszName;
        ASSERT_EQ(result.hrTypeBefore, S_OK) << c.pszName;
        EXPECT_EQ(result.nResult, plain.nResult) << c.pszName;
        EXPECT_EQ(result.strHostId, plain.strHostId) << c.pszName;
        EXPECT_EQ(result.hrTypeAfter, S_OK) << c.pszName;
        EXPECT_EQ(result.typeAfter, result.typeBefore) << c.pszName;
        // The first single-threaded apartment of a process is its main one; either STA kind counts as STA.
        if (c.type == APTTYPE_MTA)
            EXPECT_EQ(result.typeBefore, APTTYPE_MTA);
        else
            EXPECT_TRUE(result.typeBefore == APTTYPE_STA || result.typeBefore == APTTYPE_MAINSTA);
        EXPECT_EQ(result.hrTypeAtEnd, CO_E_NOTINITIALIZED) << c.pszName << ": COM stays set up on the thread";
    }
}

}  // namespace
