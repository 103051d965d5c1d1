// The stored-position value and the version text of the about dialog, on any input.

#include <algorithm>
#include <cstring>

#include "fuzz_input.h"
#include "ui/decimal.h"
#include "ui/file_version_info.h"
#include "ui/layout.h"

namespace {

// Answers the two registry queries of ReadXYValueText from the fuzzer's bytes: result, size and type of each, then
// the data.
class CFuzzQuery : public IXYValueQuery {
public:
    CFuzzQuery(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint32_t Query(uint8_t* pBuffer, uint32_t& nBytes, uint32_t& dwType) override
    {
        FUZZ_CHECK(++m_nCalls <= 2);
        const uint32_t dwResult = Take32() % 4 == 0 ? kRegMoreData : (Take32() % 3 == 0 ? 2u : 0u);
        const uint32_t nClaimed = Take32();
        dwType = Take32() % 8;
        if (dwResult == kRegMoreData) {
            nBytes = nClaimed;
        } else if (dwResult == 0) {
            const uint32_t nCopy = std::min({nBytes, nClaimed, static_cast<uint32_t>(m_size - m_at)});
            std::memcpy(pBuffer, m_data + m_at, nCopy);
            m_at += nCopy;
            nBytes = nCopy;
        }
        return dwResult;
    }

private:
    uint32_t Take32()
    {
        uint32_t value = 0;
        for (int i = 0; i < 4 && m_at < m_size; ++i)
            value |= uint32_t(m_data[m_at++]) << (8 * i);
        return value;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
    int m_nCalls = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = UnitsFromBytes(data, size);

    // A position is only ever taken with both coordinates at 0 or more, from a text with a comma.
    if (const std::optional<CXYPosition> position = ParseXYValue(text)) {
        FUZZ_CHECK(position->x >= 0 && position->y >= 0);
        FUZZ_CHECK(text.find(u',') != std::u16string::npos);
    }
    (void)ParseDecimalLong(text);

    // Numbers without a token keep their value; the others hold what ParseDecimalLong makes of the token.
    int32_t numbers[4] = {-7, -7, -7, -7};
    SplitVersion(text, numbers);
    size_t nTokens = 0;
    for (size_t i = 0; i < text.size() && nTokens < 4;) {
        while (i < text.size() && text[i] == u'.')
            ++i;
        if (i == text.size())
            break;
        const size_t nEnd = std::min(text.find(u'.', i), text.size());
        FUZZ_CHECK(numbers[nTokens] == ParseDecimalLong(std::u16string_view(text).substr(i, nEnd - i)));
        ++nTokens;
        i = nEnd;
    }
    for (size_t k = nTokens; k < 4; ++k)
        FUZZ_CHECK(numbers[k] == -7);

    const std::u16string taken = TakeDataAsText(data, size);
    FUZZ_CHECK(taken.size() <= size / 2);
    FUZZ_CHECK(taken.find(u'\0') == std::u16string::npos);

    CFuzzQuery query(data, size);
    const std::u16string stored = ReadXYValueText(query);
    FUZZ_CHECK(stored.find(u'\0') == std::u16string::npos);
    return 0;
}
