#include "controls/three_state_button.h"

#include <gtest/gtest.h>

#include "support/bitmap_fixture.h"

namespace {

// A 40 x 20 shape: white (outside) but for the block x 10-29, y 5-14.
TBitmap ShapeMap()
{
    TBitmap shape = test_support::SolidBitmap(40, 20, RGB(255, 255, 255));
    for (int y = 5; y < 15; ++y)
        for (int x = 10; x < 30; ++x)
            shape.SetPixel(x, y, RGB(0, 0, 0));
    return shape;
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

struct Skinned {
    TThreeStateButton button{nullptr};
    int clicks = 0;
    Skinned()
    {
        button.SetCoordBitmap(ShapeMap());
        button.SetNormalBitmap(test_support::SolidBitmap(40, 20, RGB(10, 10, 10)));
        button.SetHotBitmap(test_support::SolidBitmap(40, 20, RGB(20, 20, 20)));
        button.SetDownBitmap(test_support::SolidBitmap(40, 20, RGB(30, 30, 30)));
        button.SetDisabledBitmap(test_support::SolidBitmap(40, 20, RGB(40, 40, 40)));
        button.OnClick = [this](TControl&) { ++clicks; };
    }
    COLORREF Showing() const { return button.CurrentPicture().Pixel(0, 0); }
    void Send(UINT message, WPARAM keys, LPARAM at) { SendMessageA(button.Handle(), message, keys, at); }
};

}  // namespace

TEST(ThreeStateButtonWindow, ClicksOnTheShapeThroughRealMessages)
{
    Skinned s;
    EXPECT_EQ(s.button.Width(), 40);
    EXPECT_EQ(s.button.Height(), 32);  // never shrinks below its first size
    s.Send(WM_MOUSEMOVE, 0, At(15, 8));
    EXPECT_EQ(s.Showing(), RGB(20, 20, 20));
    EXPECT_EQ(GetCapture(), s.button.Handle());
    s.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(15, 8));
    EXPECT_EQ(s.Showing(), RGB(30, 30, 30));
    s.Send(WM_LBUTTONUP, 0, At(15, 8));
    EXPECT_EQ(s.clicks, 1);
    EXPECT_EQ(s.Showing(), RGB(10, 10, 10));
    EXPECT_NE(GetCapture(), s.button.Handle());

    // A press off the shape clicks nothing.
    s.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    s.Send(WM_LBUTTONUP, 0, At(2, 2));
    EXPECT_EQ(s.clicks, 1);
}

TEST(ThreeStateButtonWindow, OutsideTheShapeTheMouseGoesThrough)
{
    Skinned s;
    s.button.SetBounds(0, 0, 40, 20);
    POINT origin{0, 0};
    ClientToScreen(s.button.Handle(), &origin);
    const auto hit = [&](int x, int y) {
        return SendMessageA(s.button.Handle(), WM_NCHITTEST, 0, MAKELPARAM(origin.x + x, origin.y + y));
    };
    EXPECT_EQ(hit(15, 8), HTCLIENT);
    EXPECT_EQ(hit(2, 2), HTTRANSPARENT);
    EXPECT_EQ(hit(35, 18), HTTRANSPARENT);
}

TEST(ThreeStateButtonWindow, ALostCaptureEndsTheHoverButKeepsTheClick)
{
    Skinned s;
    TWinControl other(nullptr);
    s.Send(WM_MOUSEMOVE, 0, At(15, 8));
    s.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(15, 8));
    SetCapture(other.Handle());  // a modal box takes the mouse
    EXPECT_EQ(s.Showing(), RGB(10, 10, 10));
    ReleaseCapture();
    s.Send(WM_LBUTTONUP, 0, At(15, 8));
    EXPECT_EQ(s.clicks, 1);
}

TEST(ThreeStateButtonWindow, DisabledAndKeyboard)
{
    Skinned s;
    s.button.SetEnabled(false);
    s.Send(WM_MOUSEMOVE, 0, At(15, 8));
    EXPECT_EQ(s.Showing(), RGB(40, 40, 40));
    s.button.SetEnabled(true);
    s.button.SetTabStop(true);
    s.Send(WM_SETFOCUS, 0, 0);
    s.Send(WM_CHAR, ' ', 0);
    EXPECT_EQ(s.Showing(), RGB(30, 30, 30));
    s.Send(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(s.clicks, 1);
}

#include "classlib/exceptions.h"
#include "controls/skin_helpers.h"

TEST(SkinHelpers, ButtonsAreDressedFromBitmapResources)
{
    TThreeStateButton button(nullptr);
    LoadSkinBitmaps(button, "TEST", "BM_TESTCOORD");
    EXPECT_EQ(button.Width(), 32);  // 30 wide pictures never shrink the 32-wide button
    EXPECT_EQ(button.CurrentPicture().Pixel(0, 0), RGB(10, 10, 10));
    EXPECT_EQ(button.CoordinateBitmap().Width(), 30);
    button.SetBounds(0, 0, 30, 10);
    POINT origin{0, 0};
    ClientToScreen(button.Handle(), &origin);
    EXPECT_EQ(SendMessageA(button.Handle(), WM_NCHITTEST, 0, MAKELPARAM(origin.x + 10, origin.y + 5)), HTCLIENT);
    EXPECT_EQ(SendMessageA(button.Handle(), WM_NCHITTEST, 0, MAKELPARAM(origin.x + 1, origin.y + 1)), HTTRANSPARENT);
    // A picture set later grows the button from the size it was given, not from an earlier one.
    LoadSkinBitmaps(button, "TEST", "BM_TESTCOORD");
    EXPECT_EQ(button.Width(), 30);
    EXPECT_EQ(button.Height(), 10);
    RECT window{};
    GetWindowRect(button.Handle(), &window);
    EXPECT_EQ(window.bottom - window.top, 10);

    // A family without all its pictures fails at the first missing one; the shape came first.
    TThreeStateButton partial(nullptr);
    EXPECT_THROW(LoadSkinBitmaps(partial, "PART", "BM_TESTCOORD"), EResNotFound);
    EXPECT_EQ(partial.CoordinateBitmap().Width(), 30);
    EXPECT_TRUE(partial.NormalBitmap().Empty());
    EXPECT_THROW(LoadSkinBitmaps(partial, "TEST", "BM_NOSHAPE"), EResNotFound);
}
