// The C interface of liblumohostid, linked as a caller links it: the shared library (the DLL under Wine) and, on
// Linux, the static archive. Only the public header is included.

#include <lumohostid.h>

#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

struct SMachineAnswer {
    int nResult = LUMOHOSTID_E_INTERNAL;
    std::string strHostId;
};

SMachineAnswer GetHostId()
{
    SMachineAnswer answer;
    char buffer[LUMOHOSTID_SIZE];
    std::memset(buffer, 'X', sizeof(buffer));
    answer.nResult = lumohostid_get(buffer, sizeof(buffer));
    answer.strHostId.assign(buffer, strnlen(buffer, sizeof(buffer)));
    return answer;
}

std::string ReportJson()
{
    char* pJson = nullptr;
    const int nResult = lumohostid_report_json(&pJson);
    EXPECT_EQ(nResult, LUMOHOSTID_OK) << lumohostid_strerror(nResult);
    std::string strJson = pJson ? pJson : "";
    lumohostid_free(pJson);
    return strJson;
}

TEST(LumoHostIdLibrary, BadArgumentsAreRefusedAndLeaveAnEmptyText)
{
    struct SCase {
        bool bNullBuffer;
        size_t nSize;
        int nExpected;
    };
    const SCase cases[] = {
        {true, LUMOHOSTID_SIZE, LUMOHOSTID_E_NULL_POINTER},
        {true, 0, LUMOHOSTID_E_NULL_POINTER},
        {false, 0, LUMOHOSTID_E_BUFFER_TOO_SMALL},
        {false, 1, LUMOHOSTID_E_BUFFER_TOO_SMALL},
        {false, LUMOHOSTID_SIZE - 1, LUMOHOSTID_E_BUFFER_TOO_SMALL},
    };
    for (const SCase& c : cases) {
        char buffer[32];
        std::memset(buffer, 'X', sizeof(buffer));
        EXPECT_EQ(lumohostid_get(c.bNullBuffer ? nullptr : buffer, c.nSize), c.nExpected) << "size " << c.nSize;
        // A buffer the call was given starts with a zero byte; nothing is written past the size it was told.
        EXPECT_EQ(buffer[0], (!c.bNullBuffer && c.nSize > 0) ? '\0' : 'X') << "size " << c.nSize;
        if (!c.bNullBuffer) {
            EXPECT_EQ(buffer[c.nSize], 'X') << "size " << c.nSize;
        }
    }
    EXPECT_EQ(lumohostid_report_json(nullptr), LUMOHOSTID_E_NULL_POINTER);
    EXPECT_EQ(lumohostid_check(nullptr), LUMOHOSTID_E_NULL_POINTER);
    lumohostid_free(nullptr);
}

TEST(LumoHostIdLibrary, TheHostIdIsWellFormedOrEmptyAndMatchesTheReport)
{
    const SMachineAnswer answer = GetHostId();
    ASSERT_TRUE(answer.nResult == LUMOHOSTID_OK || answer.nResult == LUMOHOSTID_NO_ADAPTER)
        << lumohostid_strerror(answer.nResult);
    if (answer.nResult == LUMOHOSTID_OK) {
        EXPECT_EQ(answer.strHostId.size(), 14u);
        EXPECT_EQ(lumohostid_check(answer.strHostId.c_str()), LUMOHOSTID_OK) << answer.strHostId;
    } else {
        EXPECT_EQ(answer.strHostId, "");
    }

    // The report is the inspect tool's object, with the same host ID.
    const nlohmann::json report = nlohmann::json::parse(ReportJson());
    for (const char* pszKey : {"host_id", "digest_input", "selected", "how", "records"})
        EXPECT_TRUE(report.contains(pszKey)) << pszKey;
    EXPECT_EQ(report.value("host_id", std::string("?")), answer.strHostId);
    EXPECT_EQ(report["how"] == "none", answer.nResult == LUMOHOSTID_NO_ADAPTER);
}

// Calls on many threads at once give what one call alone gives: nothing is shared between calls.
TEST(LumoHostIdLibrary, ConcurrentCallsAgree)
{
    const SMachineAnswer expected = GetHostId();
    const std::string strExpectedJson = ReportJson();
    constexpr int kThreads = 8;
    constexpr int kCallsEach = 4;
    std::vector<std::vector<SMachineAnswer>> answers(kThreads);
    std::vector<std::vector<std::string>> reports(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCallsEach; ++i) {
                answers[t].push_back(GetHostId());
                char* pJson = nullptr;
                if (lumohostid_report_json(&pJson) == LUMOHOSTID_OK)
                    reports[t].push_back(pJson);
                lumohostid_free(pJson);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(answers[t].size(), size_t(kCallsEach));
        ASSERT_EQ(reports[t].size(), size_t(kCallsEach));
        for (int i = 0; i < kCallsEach; ++i) {
            EXPECT_EQ(answers[t][i].nResult, expected.nResult);
            EXPECT_EQ(answers[t][i].strHostId, expected.strHostId);
            EXPECT_EQ(reports[t][i], strExpectedJson);
        }
    }
}

TEST(LumoHostIdLibrary, CheckGivesTheReasonOfATypedId)
{
    struct SCase {
        const char* pszText;
        int nExpected;
    };
    const SCase cases[] = {
        {"44-9D-95-72-3E", LUMOHOSTID_OK},
        {"44-9d-95-72-3e", LUMOHOSTID_OK},
        {"  44 - 9D-95-72-3E\n", LUMOHOSTID_OK},
        {"", LUMOHOSTID_E_EMPTY},
        {" \t\r\n", LUMOHOSTID_E_EMPTY},
        {"44-9D-95-72", LUMOHOSTID_E_MALFORMED},
        {"449D95723E", LUMOHOSTID_E_MALFORMED},
        {"44-9D-95-72-3E-00", LUMOHOSTID_E_MALFORMED},
        {"44-9D-95-72-3G", LUMOHOSTID_E_MALFORMED},
        {"44-9D-95-72-3F", LUMOHOSTID_E_CHECK_BYTE},
        {"44-9D-95-73-3E", LUMOHOSTID_E_CHECK_BYTE},
        {"44-9D-95-71-3D", LUMOHOSTID_E_TYPE_CODE},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(lumohostid_check(c.pszText), c.nExpected) << '"' << c.pszText << '"';
}

TEST(LumoHostIdLibrary, EveryResultHasItsOwnSentence)
{
    const int codes[] = {LUMOHOSTID_OK,          LUMOHOSTID_NO_ADAPTER,         LUMOHOSTID_E_NULL_POINTER,
                         LUMOHOSTID_E_BUFFER_TOO_SMALL, LUMOHOSTID_E_NO_MEMORY, LUMOHOSTID_E_INTERNAL,
                         LUMOHOSTID_E_EMPTY,     LUMOHOSTID_E_MALFORMED,        LUMOHOSTID_E_CHECK_BYTE,
                         LUMOHOSTID_E_TYPE_CODE};
    std::set<std::string> sentences;
    for (const int nCode : codes) {
        ASSERT_NE(lumohostid_strerror(nCode), nullptr);
        EXPECT_TRUE(sentences.insert(lumohostid_strerror(nCode)).second) << nCode;
    }
    for (const int nUnknown : {-9, 2, 1000, -2147483647 - 1})
        EXPECT_STREQ(lumohostid_strerror(nUnknown), "unknown result code");
    EXPECT_STREQ(lumohostid_version(), LUMO_EXPECTED_VERSION);
}

}  // namespace
