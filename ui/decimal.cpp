#include "ui/decimal.h"

#include <limits>

namespace {

// The white space of the C library's "C" locale.
bool IsSpace(char16_t ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\n' || ch == u'\v' || ch == u'\f' || ch == u'\r';
}

}  // namespace

int32_t ParseDecimalLong(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        bNegative = text[i] == u'-';
        ++i;
    }
    // The magnitude is gathered in 64 bits and stops growing once it is past the range, so it never overflows.
    const int64_t nLimit = bNegative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                     : static_cast<int64_t>(std::numeric_limits<int32_t>::max());
    int64_t nMagnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (nMagnitude <= nLimit)
            nMagnitude = nMagnitude * 10 + (text[i] - u'0');
    }
    if (nMagnitude > nLimit)
        nMagnitude = nLimit;
    return static_cast<int32_t>(bNegative ? -nMagnitude : nMagnitude);
}
