#include "ui/layout.h"

#include <memory>
#include <new>
#include <string>

#include "common/text.h"
#include "ui/decimal.h"

namespace {

std::u16string Decimal(int64_t nValue)
{
    return AsciiToUtf16(std::to_string(nValue));
}

}  // namespace

std::u16string DefaultKavroKey()
{
    return ProductKavroKey(u"VEDA\\");
}

std::u16string ProductKavroKey(const std::u16string& strProductKey)
{
    return u"Software\\Kavro\\" + strProductKey;
}

std::u16string ScreenName(int32_t nWidth, int32_t nHeight)
{
    return u"Screen" + Decimal(nWidth) + u"x" + Decimal(nHeight);
}

std::u16string LayoutName(uint32_t nIDTemplate)
{
    // The name is formatted with "%d", so the ID is read as a signed number (template IDs stay below 65536).
    return u"Dlg" + Decimal(static_cast<int32_t>(nIDTemplate));
}

std::u16string LayoutSubkey(const std::u16string& strScreenName, const std::u16string& strLayoutName)
{
    return u"Layout\\" + strScreenName + u"\\" + strLayoutName;
}

std::u16string ExtendKeyPath(const std::u16string& strKey, const std::u16string& strSubkey)
{
    return strKey + strSubkey + u"\\";
}

std::u16string FormatXYValue(int32_t x, int32_t y)
{
    return Decimal(x) + u"," + Decimal(y);
}

std::u16string::size_type XYValueDataBytes(const std::u16string& strText)
{
    return 2 * strText.size() + 2;
}

std::optional<CXYPosition> ParseXYValue(const std::u16string& strText)
{
    const size_t nComma = strText.find(u',');
    if (strText.empty() || nComma == std::u16string::npos)
        return std::nullopt;
    CXYPosition position{-1, -1};
    const std::u16string_view left(strText.data(), nComma);
    const std::u16string_view right(strText.data() + nComma + 1, strText.size() - nComma - 1);
    if (!left.empty())
        position.x = ParseDecimalLong(left);
    if (!right.empty())
        position.y = ParseDecimalLong(right);
    if (position.x < 0 || position.y < 0)
        return std::nullopt;
    return position;
}

std::u16string TakeDataAsText(const uint8_t* pData, size_t nBytes)
{
    std::u16string strText;
    const size_t nUnits = nBytes / 2;
    for (size_t i = 0; i < nUnits; ++i) {
        const char16_t unit = static_cast<char16_t>(pData[2 * i] | (pData[2 * i + 1] << 8));
        if (unit == 0)
            break;
        strText.push_back(unit);
    }
    return strText;
}

std::u16string ReadXYValueText(IXYValueQuery& query)
{
    uint8_t buffer[kXYFirstQueryBytes] = {};
    uint32_t nBytes = sizeof(buffer);
    uint32_t dwType = 0;
    const uint32_t nResult = query.Query(buffer, nBytes, dwType);
    if (nResult == kRegSuccess) {
        if (dwType != kRegTypeSz)
            return std::u16string();
        // The registry never reports more than the buffer holds on success; the bound keeps that a certainty.
        return TakeDataAsText(buffer, nBytes < sizeof(buffer) ? nBytes : sizeof(buffer));
    }
    if (nResult != kRegMoreData || nBytes <= kXYFirstQueryBytes || nBytes > kXYLargestValueBytes)
        return std::u16string();

    // (size + 4) x 2 bytes, well inside 32 bits for any size below the bound.
    const uint32_t nNeeded = nBytes;
    const size_t nAllocated = (static_cast<size_t>(nNeeded) + 4) * 2;
    const std::unique_ptr<uint8_t[]> pBuffer(new (std::nothrow) uint8_t[nAllocated]());
    if (!pBuffer)
        return std::u16string();
    nBytes = nNeeded;
    // The value may have grown between the two queries; then this one fails too, and the result stays empty.
    if (query.Query(pBuffer.get(), nBytes, dwType) != kRegSuccess)
        return std::u16string();
    return TakeDataAsText(pBuffer.get(), nBytes < nNeeded ? nBytes : nNeeded);
}
