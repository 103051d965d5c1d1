#include "hostid/host_id_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CheckCase {
    const char* text;
    EHostIdCheck result;
    const char* normalized;
    const char* reason;  // a part of the reason that must be there
};

TEST(HostIdCheckTest, FormsAndReasons)
{
    const CheckCase cases[] = {
        {"44-9D-95-72-3E", EHostIdCheck::kValid, "44-9D-95-72-3E", ""},
        {"44-9d-95-72-3e", EHostIdCheck::kValid, "44-9D-95-72-3E", ""},
        {"  44 - 9D -95-\t72 - 3E \r\n", EHostIdCheck::kValid, "44-9D-95-72-3E", ""},
        {"BF-C5-7C-E2-E4", EHostIdCheck::kValid, "BF-C5-7C-E2-E4", ""},
        {"00-00-00-02-02", EHostIdCheck::kValid, "00-00-00-02-02", ""},
        {"44-9D-95-72-3F", EHostIdCheck::kCheckByte, "44-9D-95-72-3F", "the check byte should be 3E: one of the pairs"},
        {"44-9D-59-72-3E", EHostIdCheck::kCheckByte, "44-9D-59-72-3E", "should be F2"},
        {"44-9D-95-77-3B", EHostIdCheck::kTypeCode, "44-9D-95-77-3B", "not a host ID of this program: type code 7"},
        {"44-9D-95-70-3C", EHostIdCheck::kTypeCode, "44-9D-95-70-3C", "type code 0"},
        {"", EHostIdCheck::kEmpty, "", "empty"},
        {" \t\n", EHostIdCheck::kEmpty, "", "empty"},
        {"44-9D-95-72", EHostIdCheck::kMalformed, "", "4 pairs, not 5"},
        {"44", EHostIdCheck::kMalformed, "", "1 pair, not 5"},
        {"44-9D-95-72-3E-00", EHostIdCheck::kMalformed, "", "more than five pairs"},
        {"449D95723E", EHostIdCheck::kMalformed, "", "pair 1 has 10 digits"},
        {"44-9D-95-72-3", EHostIdCheck::kMalformed, "", "pair 5 has 1 digit,"},
        {"44-9D-95-72-", EHostIdCheck::kMalformed, "", "ends after a hyphen"},
        {"44-9G-95-72-3E", EHostIdCheck::kMalformed, "", "character 5 is \"G\", not a hex digit"},
        {"44--9D-95-72-3E", EHostIdCheck::kMalformed, "", "character 4 is \"-\", not a hex digit"},
        {"44:9D:95:72:3E", EHostIdCheck::kMalformed, "", "character 3 is \":\" where a hyphen belongs"},
        {"44 9D 95 72 3E", EHostIdCheck::kMalformed, "", "where a hyphen belongs"},
        {"44-9D-95-72-3E\x01", EHostIdCheck::kMalformed, "", "byte 0x01"},
        {"44-9D-95-72-3\xC3\xA9", EHostIdCheck::kMalformed, "", "character 14 is byte 0xC3, not a hex digit"},
        {"44-9D-95-72-3E5", EHostIdCheck::kMalformed, "", "pair 5 has 3 digits"},
        {"-44-9D-95-72-3E", EHostIdCheck::kMalformed, "", "character 1 is \"-\""},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.text);
        const SHostIdCheck check = CheckHostIdText(c.text);
        EXPECT_EQ(check.m_eResult, c.result);
        EXPECT_EQ(check.IsValid(), c.result == EHostIdCheck::kValid);
        EXPECT_EQ(check.m_strNormalized, c.normalized);
        EXPECT_NE(check.m_strReason.find(c.reason), std::string::npos) << check.m_strReason;
        EXPECT_EQ(check.m_strReason.empty(), c.result == EHostIdCheck::kValid);
    }
}

// Every text one keystroke away from a valid host ID (a character replaced, dropped or added) is either refused or
// the very same host ID, as when a digit changes only its case or a space lands beside a hyphen.
TEST(HostIdCheckTest, EverySingleCharacterTypoIsCaught)
{
    const char* const ids[] = {"44-9D-95-72-3E", "BF-C5-7C-E2-E4", "15-46-27-F2-86", "00-00-00-02-02",
                               "FF-FF-FF-F2-0D"};
    std::string alphabet;
    for (int ch = 1; ch < 256; ++ch)
        alphabet.push_back(static_cast<char>(ch));

    for (const char* id : ids) {
        SCOPED_TRACE(id);
        const std::string valid = id;
        ASSERT_TRUE(CheckHostIdText(valid).IsValid());
        size_t nTried = 0;
        auto expectCaught = [&](const std::string& typo) {
            ++nTried;
            const SHostIdCheck check = CheckHostIdText(typo);
            if (check.IsValid()) {
                EXPECT_EQ(check.m_strNormalized, valid) << "typo taken as another valid ID: " << typo;
            }
        };
        for (size_t i = 0; i <= valid.size(); ++i) {
            if (i < valid.size()) {
                expectCaught(valid.substr(0, i) + valid.substr(i + 1));
                for (const char ch : alphabet) {
                    if (ch != valid[i])
                        expectCaught(valid.substr(0, i) + ch + valid.substr(i + 1));
                }
            }
            for (const char ch : alphabet)
                expectCaught(valid.substr(0, i) + ch + valid.substr(i));
        }
        // 14 drops, 14 x 254 replacements and 15 x 255 insertions.
        EXPECT_EQ(nTried, 14u + 14u * 254u + 15u * 255u);
    }
}

}  // namespace
