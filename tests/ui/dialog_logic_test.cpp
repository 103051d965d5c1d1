// The plain decisions of the dialog base and of the hyperlink control.

#include <gtest/gtest.h>

#include <string>

#include "ui/dialog_logic.h"
#include "ui/url_link.h"

namespace {

TEST(CaptionTest, Merging)
{
    const struct {
        std::u16string caption;
        std::u16string loaded;
        std::u16string result;
    } cases[] = {
        {u"Setup %1 of %1", u"X", u"Setup X of X"},
        {u"", u"X", u"X"},
        {u"", u"", u""},
        {u"No placeholder", u"X", u"No placeholder"},
        {u"%1", u"%1", u"%1"},             // inserted text is not searched again
        {u"%1%1", u"a%1b", u"a%1ba%1b"},
        {u"%%11", u"X", u"%X1"},           // the first "%1" from the left
        {u"100%", u"X", u"100%"},
        {u"%2 and %1", u"X", u"%2 and X"},
        {u"Title %1", u"", u"Title "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.caption.begin(), c.caption.end()));
        EXPECT_EQ(MergeCaption(c.caption, c.loaded), c.result);
    }
}

TEST(IconPositionTest, CentredWithTruncatingDivision)
{
    const struct {
        int32_t clientWidth, clientHeight, iconWidth, iconHeight, x, y;
    } cases[] = {
        {160, 28, 32, 32, 64, -1},  // (28 - 32 + 1) / 2 = -3 / 2 = -1, toward zero
        {33, 32, 32, 32, 1, 0},
        {0, 0, 32, 32, -15, -15},   // -31 / 2 = -15
        {100, 50, 16, 16, 42, 17},
    };
    for (const auto& c : cases) {
        const CIconPosition position = CenteredIconPosition(c.clientWidth, c.clientHeight, c.iconWidth, c.iconHeight);
        EXPECT_EQ(position.x, c.x) << c.clientWidth;
        EXPECT_EQ(position.y, c.y) << c.clientHeight;
    }
}

TEST(PaintTest, Plans)
{
    constexpr bool T = true;
    constexpr bool F = false;
    const struct {
        const char* name;
        CPaintState state;  // init done, to top, topmost always, topmost without parent, iconic, has window
        EPaintKind paint;
        EZOrderKind zOrder;
    } cases[] = {
        {"before initialisation", {F, T, T, T, F, T}, EPaintKind::Nothing, EZOrderKind::Keep},
        {"settings of both dialogs", {T, F, F, F, F, T}, EPaintKind::Default, EZOrderKind::Keep},
        {"settings of both dialogs, minimised", {T, F, F, F, T, T}, EPaintKind::Icon, EZOrderKind::Keep},
        {"no parent, defaults", {T, F, F, T, F, T}, EPaintKind::Default, EZOrderKind::TopMost},
        {"no parent, minimised", {T, F, F, T, T, T}, EPaintKind::Icon, EZOrderKind::Keep},
        {"topmost always", {T, F, T, F, F, T}, EPaintKind::Default, EZOrderKind::TopMost},
        {"topmost always, minimised", {T, F, T, F, T, T}, EPaintKind::Icon, EZOrderKind::TopMost},
        {"to top wins", {T, T, T, T, F, T}, EPaintKind::Default, EZOrderKind::ToTopAndShow},
        {"to top while minimised", {T, T, F, F, T, T}, EPaintKind::Default, EZOrderKind::ToTopAndShow},
        {"no window", {T, F, T, T, F, F}, EPaintKind::Default, EZOrderKind::Keep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CPaintPlan plan = PlanPaint(c.state);
        EXPECT_EQ(plan.paint, c.paint);
        EXPECT_EQ(plan.zOrder, c.zOrder);
    }
}

TEST(LinkTest, ColoursAndStyles)
{
    EXPECT_EQ(LinkTextColour(false), 0x00008000u);
    EXPECT_EQ(LinkTextColour(true), 0x000000FFu);

    const struct {
        uint32_t kind;
        uint32_t style;
        bool colours;
    } cases[] = {
        {6, 0x50020200, true},   // the about dialog's link controls: left text
        {6, 0x50020301, true},   // centred, with SS_NOTIFY and SS_CENTERIMAGE above the low byte
        {6, 0x00000002, true},   // right
        {6, 0x00000003, false},  // icon
        {6, 0x0000000E, false},  // bitmap
        {6, 0x00000080, false},  // left with no prefix: another bit of the low byte
        {6, 0x0000000C, false},  // left, no word wrap
        {1, 0x00000000, false},  // an edit control's request
        {0, 0x00000000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LinkColoursItself(c.kind, c.style), c.colours) << c.kind << " " << std::hex << c.style;
}

TEST(LinkTest, TargetsAndShellResults)
{
    EXPECT_EQ(LinkTarget(u"", u"www.kavro.example"), u"www.kavro.example");
    EXPECT_EQ(LinkTarget(u"mailto:a@b", u"a@b"), u"mailto:a@b");
    EXPECT_EQ(MailLinkTarget(u"hostid@kavro.example"), u"mailto:hostid@kavro.example");
    EXPECT_FALSE(ShellOpenSucceeded(0));
    EXPECT_FALSE(ShellOpenSucceeded(2));
    EXPECT_FALSE(ShellOpenSucceeded(32));
    EXPECT_TRUE(ShellOpenSucceeded(33));
    EXPECT_FALSE(ShellOpenSucceeded(-1));
}

}  // namespace
