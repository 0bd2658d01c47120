#include "controls/owner_scroll_bar_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The bar of the program's pages: Min 0, 244 high, 17-pixel buttons and thumb.
TScrollBarModel PageBar(int max = 100, int position = 50)
{
    TScrollBarModel bar;
    bar.SetSize(18, 244);
    bar.SetButtonHeight(17);
    bar.SetTrackHeight(17);
    bar.SetMin(0);
    bar.SetMax(max);
    bar.SetPosition(position);
    return bar;
}

// Runs the repeat timer for `ms` milliseconds of a fake clock; answers the
// positions seen at each tick.
std::string RunClock(TScrollBarModel& bar, int ms)
{
    std::string ticks;
    int waited = 0;
    for (int t = 1; t <= ms; ++t) {
        if (bar.RepeatInterval() == 0)
            break;
        if (++waited >= bar.RepeatInterval()) {
            waited = 0;
            bar.TimerTick();
            ticks += std::to_string(t) + ":" + std::to_string(bar.Position()) + " ";
        }
    }
    return ticks;
}

}  // namespace

TEST(ScrollBarModel, ThumbGeometry)
{
    TScrollBarModel bar = PageBar();
    EXPECT_EQ(bar.TrackArea(), 192);
    EXPECT_EQ(bar.TrackRect(), (TScrollRect{1, 114, 17, 131})) << "round(50 x 192 / 100) + 18";
    bar.SetPosition(0);
    EXPECT_EQ(bar.TrackRect().top, 18);
    bar.SetPosition(100);
    EXPECT_EQ(bar.TrackRect().top, 210);
    // Ties go to the even neighbour: 3 x 2.5 = 7.5 -> 8, 5 x 2.5 = 12.5 -> 12.
    TScrollBarModel tie = PageBar(80, 3);
    tie.SetSize(18, 252);  // TrackArea 200, 2.5 pixels a step
    EXPECT_EQ(tie.TrackRect().top, 8 + 18);
    tie.SetPosition(5);
    EXPECT_EQ(tie.TrackRect().top, 12 + 18);

    // An empty range or a bar too short for its thumb: the thumb stays at the top, nothing divides by zero.
    for (auto [max, height] : {std::pair{0, 244}, std::pair{-5, 244}, std::pair{100, 40}, std::pair{100, 52}}) {
        TScrollBarModel odd = PageBar(100, 0);
        odd.SetMax(max);
        odd.SetSize(18, height);
        EXPECT_EQ(odd.TrackRect().top, 18) << max << " " << height;
        odd.MouseDown(5, 30);
        odd.MouseMove(200);
        odd.MouseUp();
    }
    TScrollBarModel sized = PageBar(100, 0);
    sized.SetAutoSizeTrack(true);
    EXPECT_EQ(sized.TrackHeight(), 92) << "TrackArea 192 less a range of 100";
    sized.SetMax(1000);
    sized.SetAutoSizeTrack(true);
    EXPECT_EQ(sized.TrackHeight(), 6) << "never below MinTrackSize";
}

TEST(ScrollBarModel, PositionsOutsideTheRangeChangeNothing)
{
    TScrollBarModel bar = PageBar();
    int changes = 0;
    bar.OnChange = [&] { ++changes; };
    EXPECT_FALSE(bar.SetPosition(101));
    EXPECT_FALSE(bar.SetPosition(-1));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bar.Position(), 50);
    EXPECT_TRUE(bar.SetPosition(50));
    EXPECT_EQ(changes, 1) << "the same value again fires OnChange";
}

TEST(ScrollBarModel, WhatAPressDoesWhereItLands)
{
    const struct {
        const char* what;
        int position, y;
        int after;
        bool top, bottom, repeats;
    } cases[] = {
        {"up arrow", 50, 5, 49, true, false, true},
        {"up arrow at Min", 0, 5, 0, true, false, true},
        {"down arrow", 50, 240, 51, false, true, true},
        {"down arrow at Max", 100, 240, 100, false, true, true},
        {"track above the thumb", 50, 60, 46, false, false, false},
        {"track below the thumb", 50, 200, 54, false, false, false},
        {"page step past Min is ignored", 2, 19, 2, false, false, false},
        {"on the thumb", 50, 120, 50, false, false, true},
        {"the first track pixel (y = ButtonHeight)", 50, 17, 46, false, false, false},
        {"the last track pixel (y = Height - ButtonHeight)", 50, 227, 54, false, false, false},
    };
    for (const auto& c : cases) {
        TScrollBarModel bar = PageBar(100, c.position);
        bar.MouseDown(8, c.y);
        EXPECT_EQ(bar.Position(), c.after) << c.what;
        EXPECT_EQ(bar.TopPressed(), c.top) << c.what;
        EXPECT_EQ(bar.BottomPressed(), c.bottom) << c.what;
        EXPECT_EQ(bar.RepeatInterval(), c.repeats ? 500 : 0) << c.what;
        EXPECT_TRUE(bar.Tracking()) << c.what;
        bar.MouseUp();
        EXPECT_FALSE(bar.Tracking() || bar.TopPressed() || bar.BottomPressed()) << c.what;
        EXPECT_EQ(bar.RepeatInterval(), 0) << c.what;
    }
}

TEST(ScrollBarModel, DraggingTheThumb)
{
    TScrollBarModel bar = PageBar();
    bar.MouseDown(8, 120);  // 6 pixels into the thumb at 114
    bar.MouseMove(120);
    EXPECT_EQ(bar.Position(), 50) << "grabbing without moving keeps the position";
    const struct {
        int y, position;
    } moves[] = {{120 + 96, 100}, {120, 50}, {24, 0}, {300, 0}, {120 + 48, 75}, {-50, 75}};
    for (const auto& m : moves) {
        bar.MouseMove(m.y);
        EXPECT_EQ(bar.Position(), m.position) << "pointer at " << m.y;  // out of range: ignored
    }
    bar.MouseUp();
    bar.MouseMove(24);
    EXPECT_EQ(bar.Position(), 75) << "no drag without a press";

    // The thumb follows the pointer wherever the range starts.
    TScrollBarModel shifted = PageBar();
    shifted.SetMin(10);
    shifted.SetMax(110);
    shifted.SetPosition(60);
    const int grip = shifted.TrackRect().top + 3;
    shifted.MouseDown(8, grip);
    shifted.MouseMove(grip);
    EXPECT_EQ(shifted.Position(), 60);
}

TEST(ScrollBarModel, AHeldArrowRepeatsAfter500ThenEvery125Ms)
{
    TScrollBarModel bar = PageBar(100, 3);
    bar.MouseDown(8, 5);
    EXPECT_EQ(bar.Position(), 2);
    EXPECT_EQ(RunClock(bar, 2000), "500:1 625:0 ") << "and it stops at Min";
    EXPECT_EQ(bar.RepeatInterval(), 0);
    bar.MouseUp();

    TScrollBarModel down = PageBar(100, 96);
    down.MouseDown(8, 240);
    EXPECT_EQ(RunClock(down, 2000), "500:98 625:99 750:100 ");
    down.MouseUp();
    // Released before the first repeat: one step only.
    TScrollBarModel once = PageBar(100, 50);
    once.MouseDown(8, 5);
    RunClock(once, 499);
    once.MouseUp();
    EXPECT_EQ(RunClock(once, 2000), "");
    EXPECT_EQ(once.Position(), 49);
}
