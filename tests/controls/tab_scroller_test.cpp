// The scroll arrows in a real window: clicks through real messages, the
// size they keep, and their looks painted pixel by pixel.
#include "controls/tab_scroller.h"

#include <gtest/gtest.h>

#include "classlib/graphics.h"

namespace {

TBitmap Painted(TScroller& scroller)
{
    TBitmap canvas(24, 24);
    TBitmapDC dc(canvas);
    scroller.PaintTo(dc.Get());
    return canvas;
}

}  // namespace

TEST(TabScrollerWindow, ClicksSizeAndLooks)
{
    TScroller scroller(nullptr);
    scroller.SetColor(RGBColor(230, 224, 222));
    scroller.SetArrowColor(RGBColor(38, 70, 130));
    scroller.SetBounds(5, 3, 100, 100);
    EXPECT_EQ(scroller.Width(), 23);
    EXPECT_EQ(scroller.Height(), 13);
    scroller.SetMax(2);
    int clicks = 0;
    scroller.OnClick = [&](TScroller&) { ++clicks; };

    const COLORREF arrow = RGB(38, 70, 130), field = RGB(230, 224, 222);
    TBitmap look = Painted(scroller);
    EXPECT_EQ(look.Pixel(8, 5), arrow) << "left arrow's outline, disabled at Min";
    EXPECT_EQ(look.Pixel(5, 6), field) << "without its fill";
    EXPECT_EQ(look.Pixel(19, 6), arrow) << "right arrow filled";

    // A press and release on the right arrow: one step, drawn pressed meanwhile.
    SendMessageA(scroller.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(18, 6));
    look = Painted(scroller);
    EXPECT_EQ(look.Pixel(12, 5), RGB(0, 0, 0)) << "sunken frame, dark side";
    EXPECT_EQ(look.Pixel(22, 5), RGB(255, 255, 255)) << "sunken frame, light side";
    SendMessageA(scroller.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(18, 6));
    EXPECT_EQ(scroller.Position(), 1);
    EXPECT_EQ(clicks, 1);
    look = Painted(scroller);
    EXPECT_EQ(look.Pixel(5, 6), arrow) << "the left arrow can scroll now";
    EXPECT_EQ(look.Pixel(22, 5), field) << "no frame after the release";

    // A double click is a second press.
    SendMessageA(scroller.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(18, 6));
    SendMessageA(scroller.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(18, 6));
    EXPECT_EQ(scroller.Position(), 2);

    scroller.SetScrollPosition(TScrollPosition::spVertical);
    EXPECT_EQ(scroller.Width(), 13);
    EXPECT_EQ(scroller.Height(), 23);
    look = Painted(scroller);
    EXPECT_EQ(look.Pixel(6, 5), arrow) << "top arrow filled";
    EXPECT_EQ(look.Pixel(6, 19), field) << "bottom arrow disabled at Max";
}
