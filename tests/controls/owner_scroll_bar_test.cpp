// The scroll bar in a real window: the owner-drawn parts where the pages
// paint their pictures, presses through real messages, and the arrow's
// auto-repeat on the window's own timer.
#include "controls/owner_scroll_bar.h"

#include <gtest/gtest.h>

#include <vector>

#include "classlib/application.h"

namespace {

struct Drawn {
    char part;
    RECT rect;
    bool state;
};

void Pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        TApplication::Instance().ProcessMessages();
        Sleep(5);
    }
}

}  // namespace

TEST(ScrollBarWindow, OwnerDrawnPartsAndTheirStates)
{
    TWOwnrScrllBar bar(nullptr);
    bar.SetBounds(0, 0, 18, 244);
    bar.SetDrawStyle(TOSBDrawStyle::osbOwnerDraw);
    bar.SetButtonHeight(17);
    bar.SetTrackHeight(17);
    bar.SetMin(0);
    bar.SetMax(100);
    bar.setPosition(50);
    bar.SetBgColor(RGBColor(230, 230, 240));
    std::vector<Drawn> drawn;
    const auto draw = [&](char part, COLORREF colour) {
        return [&drawn, part, colour](TWOwnrScrllBar&, HDC dc, const RECT& r, bool state) {
            drawn.push_back({part, r, state});
            const HBRUSH brush = CreateSolidBrush(colour);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        };
    };
    bar.OnTopDraw = draw('t', RGB(200, 0, 0));
    bar.OnBottomDraw = draw('b', RGB(0, 200, 0));
    bar.OnTrackDraw = draw('k', RGB(0, 0, 200));

    TBitmap canvas(18, 244);
    const auto paint = [&] {
        drawn.clear();
        TBitmapDC dc(canvas);
        bar.PaintTo(dc.Get());
    };
    paint();
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].part, 't');
    EXPECT_TRUE(EqualRect(&drawn[0].rect, std::data({RECT{1, 1, 17, 17}})));
    EXPECT_TRUE(EqualRect(&drawn[1].rect, std::data({RECT{1, 227, 17, 242}})));
    EXPECT_TRUE(EqualRect(&drawn[2].rect, std::data({RECT{1, 114, 17, 131}})));
    EXPECT_TRUE(drawn[0].state && drawn[1].state && drawn[2].state) << "nothing pressed";
    EXPECT_EQ(canvas.Pixel(8, 120), RGB(0, 0, 200));
    EXPECT_EQ(canvas.Pixel(8, 60), RGB(230, 230, 240)) << "the track in the background colour";
    EXPECT_EQ(canvas.Pixel(0, 100), GetSysColor(COLOR_BTNSHADOW)) << "3-D frame";
    EXPECT_EQ(canvas.Pixel(17, 100), GetSysColor(COLOR_BTNHIGHLIGHT));

    // A press on the down arrow: one step, and the arrow drawn pressed.
    int changes = 0;
    bar.OnChange = [&](TWOwnrScrllBar&) { ++changes; };
    SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 240));
    EXPECT_EQ(bar.Position(), 51);
    EXPECT_EQ(changes, 1);
    paint();
    EXPECT_FALSE(drawn[1].state);
    SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, 240));
    paint();
    EXPECT_TRUE(drawn[1].state);

    // Flat: the frame takes the background colour.
    bar.SetCtrl3d(false);
    paint();
    EXPECT_EQ(canvas.Pixel(0, 100), RGB(230, 230, 240));
}

TEST(ScrollBarWindow, AHeldArrowRepeatsOnTheWindowsTimer)
{
    TWOwnrScrllBar bar(nullptr);
    bar.SetBounds(0, 0, 18, 244);
    bar.SetMin(0);
    bar.SetMax(100);
    bar.setPosition(10);
    SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 240));
    Pump(300);
    EXPECT_EQ(bar.Position(), 11) << "no repeat before 500 ms";
    Pump(700);
    EXPECT_GE(bar.Position(), 13) << "then every 125 ms";
    SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, 240));
    const int released = bar.Position();
    Pump(400);
    EXPECT_EQ(bar.Position(), released) << "the release stops it";

    // Dragging the thumb through real messages, with the mouse captured.
    const int grip = bar.TrackRect().top + 5;
    SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, grip));
    SendMessageA(bar.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, grip));
    EXPECT_EQ(bar.Position(), released);
    // The thumb's top to the track's top: the first position.
    SendMessageA(bar.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, bar.ButtonHeight() + 1 + 5));
    EXPECT_EQ(bar.Position(), 0);
    SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, 23));
}
