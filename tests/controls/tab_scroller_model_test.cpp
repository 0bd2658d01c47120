#include "controls/tab_scroller_model.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// Runs a script of mouse events ("d x y", "m x y", "u") on a scroller of
// range 0..3 at position 1 and answers "position/clicks".
std::string RunScript(const std::string& script, TScrollPosition direction = TScrollPosition::spHorizontal)
{
    TScrollerModel scroller;
    scroller.SetScrollPosition(direction);
    scroller.SetMax(3);
    scroller.SetPosition(1);
    int clicks = 0;
    scroller.OnClick = [&] { ++clicks; };
    std::istringstream in(script);
    for (std::string op; in >> op;) {
        int x = 0, y = 0;
        if (op == "d") {
            in >> x >> y;
            scroller.MouseDown(x, y);
        } else if (op == "m") {
            in >> x >> y;
            scroller.MouseMove(x, y);
        } else {
            scroller.MouseUp();
        }
    }
    return std::to_string(scroller.Position()) + "/" + std::to_string(clicks);
}

}  // namespace

TEST(TabScrollerModel, PressMoveReleaseScripts)
{
    const struct {
        const char* what;
        const char* script;
        TScrollPosition direction;
        const char* result;
    } cases[] = {
        {"right arrow", "d 18 6 u", TScrollPosition::spHorizontal, "2/1"},
        {"left arrow", "d 3 6 u", TScrollPosition::spHorizontal, "0/1"},
        {"the middle belongs to the right arrow", "d 12 6 u", TScrollPosition::spHorizontal, "2/1"},
        {"off and back on before the release", "d 18 6 m 18 20 m 18 6 u", TScrollPosition::spHorizontal, "2/1"},
        {"released off the arrow", "d 18 6 m 3 6 u", TScrollPosition::spHorizontal, "1/0"},
        {"a double click is a second press", "d 18 6 u d 18 6 u", TScrollPosition::spHorizontal, "3/2"},
        {"no further than Max", "d 18 6 u d 18 6 u d 18 6 u", TScrollPosition::spHorizontal, "3/2"},
        {"a move without a press", "m 18 6 u", TScrollPosition::spHorizontal, "1/0"},
        {"bottom arrow", "d 6 18 u", TScrollPosition::spVertical, "2/1"},
        {"top arrow", "d 6 3 u", TScrollPosition::spVertical, "0/1"},
        {"off the top arrow sideways", "d 6 3 m 20 3 u", TScrollPosition::spVertical, "1/0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunScript(c.script, c.direction), c.result) << c.what;
}

TEST(TabScrollerModel, RangeRulesAndLooks)
{
    TScrollerModel scroller;
    EXPECT_EQ(scroller.Look(0), TArrowLook::Disabled) << "Min = Max = 0";
    EXPECT_EQ(scroller.Look(1), TArrowLook::Disabled);
    EXPECT_FALSE(scroller.MouseDown(18, 6)) << "a press does nothing";

    scroller.SetMax(5);
    scroller.SetMin(5);
    EXPECT_EQ(scroller.Min(), 0) << "a Min not below Max is ignored";
    scroller.SetMin(3);
    scroller.SetMax(2);
    EXPECT_EQ(scroller.Max(), 5) << "a Max below Min is ignored";
    scroller.SetMax(3);
    EXPECT_EQ(scroller.Max(), 3);

    int clicks = 0;
    scroller.OnClick = [&] { ++clicks; };
    scroller.SetPosition(9);
    EXPECT_EQ(scroller.Position(), 3) << "clamped";
    EXPECT_EQ(clicks, 1);
    scroller.SetPosition(3);
    EXPECT_EQ(clicks, 1) << "the same value: nothing";
    scroller.SetPosition(-4);
    EXPECT_EQ(scroller.Position(), 3) << "clamped to Min, which is 3";
    EXPECT_EQ(clicks, 2) << "a clamped request still reports";

    scroller.SetMin(0);
    scroller.SetPosition(1);
    EXPECT_EQ(scroller.Look(0), TArrowLook::Normal);
    scroller.MouseDown(3, 6);
    EXPECT_EQ(scroller.Look(0), TArrowLook::Pressed);
    scroller.MouseMove(3, 20);
    EXPECT_EQ(scroller.Look(0), TArrowLook::Normal) << "pops up off the arrow";
    scroller.MouseUp();
    EXPECT_EQ(scroller.Width(), 23);
    EXPECT_EQ(scroller.Height(), 13);
    scroller.SetScrollPosition(TScrollPosition::spVertical);
    EXPECT_EQ(scroller.Width(), 13);
    EXPECT_EQ(scroller.Height(), 23);
}
