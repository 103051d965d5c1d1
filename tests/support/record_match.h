#pragma once

// One comparison of adapter records for every test that holds two determinations, or a determination and a table
// case, against each other: a failure names each field that differs, with both values.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/text.h"
#include "inventory/hid_dev_net.h"

// The fields of a record, for comparisons that leave some out.
enum ERecordField : unsigned {
    kRecordGuid = 1u << 0,
    kRecordPnpId = 1u << 1,
    kRecordWireless = 1u << 2,
    kRecordAddress = 1u << 3,
    kRecordFlags = 1u << 4,
    kRecordPermanentAddress = 1u << 5,
    kRecordCurrentAddress = 1u << 6,
    kRecordAllFields = (1u << 7) - 1,
};

namespace record_match_detail {

inline std::string Quoted(const std::u16string& text) { return "\"" + Utf16ToUtf8(text) + "\""; }

inline std::string Hex(uint32_t dwValue)
{
    char szText[16];
    std::snprintf(szText, sizeof(szText), "0x%X", static_cast<unsigned>(dwValue));
    return szText;
}

inline void Compare(std::string& strDiffers, bool bSame, const char* pszField, const std::string& strActual,
                    const std::string& strExpected)
{
    if (bSame)
        return;
    strDiffers += strDiffers.empty() ? "" : "; ";
    strDiffers += std::string(pszField) + " is " + strActual + ", expected " + strExpected;
}

}  // namespace record_match_detail

// Success when the record has the expected value in each field of nFields; else every such field that differs.
inline testing::AssertionResult SameRecord(const CHidDevNet& actual, const CHidDevNet& expected,
                                           unsigned nFields = kRecordAllFields)
{
    using namespace record_match_detail;
    std::string strDiffers;
    auto text = [&](ERecordField eField, const char* pszField, const std::u16string& a, const std::u16string& b) {
        if (nFields & eField)
            Compare(strDiffers, a == b, pszField, Quoted(a), Quoted(b));
    };
    text(kRecordGuid, "GUID", actual.m_strGuid, expected.m_strGuid);
    text(kRecordPnpId, "enumerator", actual.m_strPnpId, expected.m_strPnpId);
    if (nFields & kRecordWireless) {
        Compare(strDiffers, actual.m_bWireless == expected.m_bWireless, "wireless", actual.m_bWireless ? "yes" : "no",
                expected.m_bWireless ? "yes" : "no");
    }
    text(kRecordAddress, "address", actual.m_strAddress, expected.m_strAddress);
    if (nFields & kRecordFlags) {
        Compare(strDiffers, actual.m_dwFlags == expected.m_dwFlags, "flags", Hex(actual.m_dwFlags),
                Hex(expected.m_dwFlags));
    }
    text(kRecordPermanentAddress, "permanent address", actual.m_strPermanentAddress, expected.m_strPermanentAddress);
    text(kRecordCurrentAddress, "current address", actual.m_strCurrentAddress, expected.m_strCurrentAddress);
    if (strDiffers.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "record " << Quoted(actual.m_strGuid) << ": " << strDiffers;
}
