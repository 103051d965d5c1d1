#include "ui/url_link.h"

uint32_t LinkTextColour(bool bVisited)
{
    return bVisited ? kLinkColourVisited : kLinkColourUnvisited;
}

bool LinkColoursItself(uint32_t nColourKind, uint32_t dwStyle)
{
    return nColourKind == kColourKindStatic && (dwStyle & 0xFF) <= 2;
}

std::u16string LinkTarget(const std::u16string& strUrl, const std::u16string& strControlText)
{
    return strUrl.empty() ? strControlText : strUrl;
}

std::u16string MailLinkTarget(const std::u16string& strAddress)
{
    return u"mailto:" + strAddress;
}

bool ShellOpenSucceeded(intptr_t nResult)
{
    return nResult > 32;
}
