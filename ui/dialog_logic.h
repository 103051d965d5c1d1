#pragma once

// The decisions of the dialog base that need no window: the caption, where the icon of a minimised dialog is drawn,
// and what a paint request does.

#include <cstdint>
#include <string>

// The caption a dialog gets from the text loaded from the string table: an empty caption becomes the loaded text;
// otherwise every "%1" of the caption is replaced by it, from left to right, and inserted text is not searched again.
std::u16string MergeCaption(const std::u16string& strCaption, const std::u16string& strLoaded);

// Where the icon of a minimised dialog is drawn in its client area: centred, each coordinate
// (client extent - icon extent + 1) / 2 with the division truncating toward zero.
struct CIconPosition {
    int32_t x;
    int32_t y;
};
CIconPosition CenteredIconPosition(int32_t nClientWidth, int32_t nClientHeight, int32_t nIconWidth,
                                   int32_t nIconHeight);

// The state of a dialog that a paint request looks at.
struct CPaintState {
    bool bInitDone = false;         // initialisation has finished
    bool bToTopOnPaint = false;     // bring the dialog to the top of the z-order on every paint
    bool bTopMostAlways = false;    // make it topmost on every paint, minimised or not
    bool bTopMostNoParent = false;  // make it topmost on every paint while it is not minimised
    bool bIconic = false;           // the dialog is minimised
    bool bHasWindow = false;        // the dialog object has a window
};

// What a paint request does, in this order: paint (the icon, or the dialog's default painting), then move the
// dialog in the z-order.
enum class EPaintKind {
    Nothing,       // before initialisation has finished
    Default,       // the dialog's default painting
    Icon,          // the minimised dialog: its background and its icon
};
enum class EZOrderKind {
    Keep,          // the z-order is left alone
    ToTopAndShow,  // to the top of the z-order (not topmost), shown
    TopMost,       // made topmost
};
struct CPaintPlan {
    EPaintKind paint = EPaintKind::Nothing;
    EZOrderKind zOrder = EZOrderKind::Keep;
};
CPaintPlan PlanPaint(const CPaintState& state);
