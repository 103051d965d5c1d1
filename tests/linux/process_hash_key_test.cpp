// The hash key of a process comes from the kernel's random source: two runs of one program get different keys, so
// keys made against one run's hash are worth nothing against the next.

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/keyed_hash.h"
#include "common/system_random.h"

namespace {

std::string KeyText(const CHashKey& key)
{
    char szText[40];
    std::snprintf(szText, sizeof(szText), "%016llx%016llx", static_cast<unsigned long long>(key.nK0),
                  static_cast<unsigned long long>(key.nK1));
    return szText;
}

// Run again with LUMO_PRINT_HASH_KEY set, this test program prints its key and ends before any test starts.
const bool g_bPrinter = [] {
    if (!std::getenv("LUMO_PRINT_HASH_KEY"))
        return false;
    std::printf("%s\n", KeyText(ProcessHashKey()).c_str());
    std::fflush(stdout);
    _exit(0);
}();

std::string KeyOfAnotherRun()
{
    char szPath[4096] = {};
    const ssize_t nLength = readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
    if (nLength <= 0)
        return "no path";
    FILE* pPipe = popen(("LUMO_PRINT_HASH_KEY=1 '" + std::string(szPath, nLength) + "'").c_str(), "r");
    if (!pPipe)
        return "no run";
    std::string out;
    char chunk[256];
    while (std::fgets(chunk, sizeof(chunk), pPipe))
        out += chunk;
    pclose(pPipe);
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST(ProcessHashKeyTest, EveryRunDrawsAKeyOfItsOwn)
{
    const std::string strFirst = KeyOfAnotherRun();
    const std::string strSecond = KeyOfAnotherRun();
    const std::string strHere = KeyText(ProcessHashKey());
    ASSERT_EQ(strFirst.size(), 32u) << strFirst;
    ASSERT_EQ(strSecond.size(), 32u) << strSecond;
    EXPECT_NE(strFirst, strSecond);
    EXPECT_NE(strFirst, strHere);
    EXPECT_NE(strSecond, strHere);
    // The key stays the same within a process, or the containers built with it would lose their keys.
    EXPECT_EQ(KeyText(ProcessHashKey()), strHere);
}

TEST(ProcessHashKeyTest, TheSystemSourceGivesFreshBytes)
{
    unsigned char first[16] = {}, second[16] = {};
    ASSERT_TRUE(FillSystemRandom(first, sizeof(first)));
    ASSERT_TRUE(FillSystemRandom(second, sizeof(second)));
    EXPECT_NE(std::string(reinterpret_cast<char*>(first), 16), std::string(reinterpret_cast<char*>(second), 16));
}

}  // namespace
