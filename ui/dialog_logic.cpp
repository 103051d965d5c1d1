#include "ui/dialog_logic.h"

std::u16string MergeCaption(const std::u16string& strCaption, const std::u16string& strLoaded)
{
    if (strCaption.empty())
        return strLoaded;
    static const std::u16string kPlaceholder = u"%1";
    std::u16string strResult;
    size_t nFrom = 0;
    for (size_t nAt = strCaption.find(kPlaceholder); nAt != std::u16string::npos;
         nAt = strCaption.find(kPlaceholder, nFrom)) {
        strResult.append(strCaption, nFrom, nAt - nFrom);
        strResult += strLoaded;
        nFrom = nAt + kPlaceholder.size();
    }
    strResult.append(strCaption, nFrom, std::u16string::npos);
    return strResult;
}

CIconPosition CenteredIconPosition(int32_t nClientWidth, int32_t nClientHeight, int32_t nIconWidth,
                                   int32_t nIconHeight)
{
    // The extents are window metrics, far from the 32-bit limits; the arithmetic is done in 64 bits all the same.
    const auto center = [](int32_t nClient, int32_t nIcon) {
        return static_cast<int32_t>((static_cast<int64_t>(nClient) - nIcon + 1) / 2);
    };
    return {center(nClientWidth, nIconWidth), center(nClientHeight, nIconHeight)};
}

CPaintPlan PlanPaint(const CPaintState& state)
{
    CPaintPlan plan;
    if (!state.bInitDone)
        return plan;
    if (state.bToTopOnPaint) {
        plan.paint = EPaintKind::Default;
        plan.zOrder = EZOrderKind::ToTopAndShow;
        return plan;
    }
    plan.paint = state.bIconic ? EPaintKind::Icon : EPaintKind::Default;
    if (state.bHasWindow && (state.bTopMostAlways || (!state.bIconic && state.bTopMostNoParent)))
        plan.zOrder = EZOrderKind::TopMost;
    return plan;
}
