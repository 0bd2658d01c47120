#include "controls/three_state_button_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A 10 x 6 shape: the outside colour (top-left) everywhere but x 2-7, y 1-4.
TShapeMap Shape()
{
    std::vector<std::uint32_t> pixels(60, 0x00FF00FF);
    for (int y = 1; y < 5; ++y)
        for (int x = 2; x < 8; ++x)
            pixels[static_cast<size_t>(y * 10 + x)] = 0;
    return TShapeMap(10, 6, pixels);
}

struct Event {
    char kind;  // m move (left held when `left`), d down, u up, k key press, K key up, f focus, c capture lost
    int x = 0, y = 0;
    bool left = true;
};

char Letter(TButtonPicture p)
{
    switch (p) {
    case TButtonPicture::Normal: return 'N';
    case TButtonPicture::Hot: return 'H';
    case TButtonPicture::Down: return 'D';
    default: return 'I';
    }
}

// Runs the events and answers the picture after each one ('N', 'H', 'D',
// 'I'), with '*' after each click and 'c' when the mouse is captured.
std::string Trace(TThreeStateButtonModel& b, const std::vector<Event>& events)
{
    int clicks = 0;
    b.OnClick = [&] { ++clicks; };
    std::string trace;
    // The window layer's click rule: a left press inside the control, then a
    // left release inside it, clicks before the mouse-up.
    bool leftPressInside = false;
    const auto inside = [&](const Event& e) { return e.x >= 0 && e.y >= 0 && e.x < b.Width() && e.y < b.Height(); };
    for (const Event& e : events) {
        const int before = clicks;
        switch (e.kind) {
        case 'm': b.MouseMove(e.x, e.y, e.left); break;
        case 'd':
            if (e.left)
                leftPressInside = inside(e);
            b.MouseDown(e.x, e.y);
            break;
        case 'u':
            if (e.left && leftPressInside && inside(e))
                b.Click();
            if (e.left)
                leftPressInside = false;
            b.MouseUp();
            break;
        case 'k': b.KeyPress(static_cast<char>(e.x)); break;
        case 'K': b.KeyUp(e.x); break;
        case 'f': b.FocusReceived(); break;
        case 'c': b.CaptureLost(); break;
        }
        trace += Letter(b.PictureToPaint(true));
        if (b.Captured())
            trace += 'c';
        if (clicks > before)
            trace += '*';
        trace += ' ';
    }
    return trace;
}

}  // namespace

TEST(ThreeStateButton, MouseSequences)
{
    struct Case {
        const char* what;
        std::vector<Event> events;
        const char* trace;
    } cases[] = {
        {"hover and leave", {{'m', 3, 2, false}, {'m', 0, 0, false}}, "Hc N "},
        {"click on the shape", {{'m', 3, 2, false}, {'d', 3, 2}, {'u', 3, 2}}, "Hc Dc N* "},
        {"press on the shape, release off the shape but on the control", {{'m', 3, 2, false}, {'d', 3, 2}, {'m', 20, 2}, {'u', 20, 2}},
         "Hc Dc N N* "},
        {"press on the shape, release outside the control", {{'m', 3, 2, false}, {'d', 3, 2}, {'m', 40, 2}, {'u', 40, 2}},
         "Hc Dc N N "},
        {"press outside the shape, release on it", {{'d', 0, 0}, {'m', 3, 2}, {'u', 3, 2}}, "N Hc N "},
        {"leave while pressed, come back, release", {{'m', 3, 2, false}, {'d', 3, 2}, {'m', 0, 0}, {'m', 3, 2}, {'u', 3, 2}},
         "Hc Dc N Hc N* "},
        {"right button", {{'m', 3, 2, false}, {'d', 3, 2, false}, {'u', 3, 2, false}}, "Hc Dc N "},
        {"left let go away from the button, then moved back", {{'d', 3, 2}, {'m', 3, 2, false}, {'u', 3, 2}}, "D Hc N "},
        {"capture lost while hovering", {{'m', 3, 2, false}, {'c'}}, "Hc N "},
        {"capture lost while pressed: the click still fires", {{'m', 3, 2, false}, {'d', 3, 2}, {'c'}, {'u', 3, 2}},
         "Hc Dc N N* "},
    };
    for (const Case& c : cases) {
        TThreeStateButtonModel button;
        button.SetShape(Shape());
        EXPECT_EQ(Trace(button, c.events), c.trace) << c.what;
    }
}

TEST(ThreeStateButton, KeyboardAndFocus)
{
    TThreeStateButtonModel button;
    button.SetShape(Shape());
    button.SetTabStop(true);
    // Focused with TabStop: hot at rest, down while Space is held, a click on release.
    EXPECT_EQ(Trace(button, {{'f'}, {'k', ' '}, {'K', 32}, {'k', '\r'}, {'K', 13}, {'k', 'a'}, {'K', 65}}),
              "H D H* D H* H H ");
    // Without TabStop the focus shows nothing.
    TThreeStateButtonModel plain;
    plain.SetShape(Shape());
    EXPECT_EQ(Trace(plain, {{'f'}, {'k', ' '}, {'K', 32}}), "N N N* ");
    // A click gives the focus.
    TThreeStateButtonModel clicked;
    clicked.SetShape(Shape());
    Trace(clicked, {{'d', 3, 2}, {'u', 3, 2}});
    EXPECT_TRUE(clicked.Focused());
}

TEST(ThreeStateButton, DisabledShapeAndSize)
{
    TThreeStateButtonModel button;
    button.SetShape(Shape());
    button.SetEnabled(false);
    EXPECT_EQ(Trace(button, {{'m', 3, 2, false}, {'f'}}), "Ic Ic ");
    EXPECT_TRUE(button.HitTest(2, 1));
    EXPECT_FALSE(button.HitTest(0, 0));  // the top-left colour is outside
    EXPECT_FALSE(button.HitTest(8, 1));
    EXPECT_FALSE(button.HitTest(-1, 3));
    EXPECT_FALSE(button.HitTest(3, 6));
    // Pictures grow the button, never shrink it.
    button.GrowTo(100, 27);
    EXPECT_EQ(button.Width(), 100);
    EXPECT_EQ(button.Height(), 32);
    button.GrowTo(20, 20);
    EXPECT_EQ(button.Width(), 100);
    EXPECT_EQ(button.Height(), 32);
}
