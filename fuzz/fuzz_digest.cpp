// The single-byte conversion and the digest, on any text.

#include <cstring>

#include "fuzz_input.h"
#include "hostid/digest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = UnitsFromBytes(data, size);

    CNarrowBuffer buffer(text);
    FUZZ_CHECK(buffer.Convert() == kDigestOk);
    FUZZ_CHECK(buffer.GetState() == 1);

    // The direct form stops at the first zero unit; any unit above 0xFF before it selects the hexadecimal form.
    size_t nUnits = 0;
    bool bNarrow = true;
    for (; nUnits < text.size() && text[nUnits] != 0; ++nUnits)
        bNarrow = bNarrow && text[nUnits] <= 0xFF;
    const auto nLength = static_cast<size_t>(buffer.GetLength());
    FUZZ_CHECK(nLength == (bNarrow ? nUnits : 4 * nUnits));
    FUZZ_CHECK(buffer.GetCapacity() >= nLength + 2);
    FUZZ_CHECK(buffer.GetData()[nLength] == 0);
    if (bNarrow) {
        for (size_t i = 0; i < nUnits; ++i)
            FUZZ_CHECK(buffer.GetData()[i] == text[i]);
    } else {
        FUZZ_CHECK(std::strspn(reinterpret_cast<const char*>(buffer.GetData()), "0123456789ABCDEF") == nLength);
    }

    // Every kind runs over the bytes; kind 3 is the host ID's and must equal the feed of the converted bytes.
    for (int32_t nType = 0; nType <= 7; ++nType) {
        CRBase digest(text, nType);
        FUZZ_CHECK(digest.Run() == kDigestOk);
        if (nType == 3) {
            uint32_t s = 0;
            for (size_t i = 0; i < nLength; ++i)
                s = CRBase::Step(3, s, buffer.GetData()[i]);
            FUZZ_CHECK(digest.GetValue() == s);
            FUZZ_CHECK(DigestText(text) == s);
        }
    }
    return 0;
}
