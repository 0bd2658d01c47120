#include "classlib/controls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A windowed control that writes its events into a trace.
class TTraced : public TWinControl {
public:
    explicit TTraced(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 20, 20); }
    std::string trace;

    void Click() override
    {
        trace += "click ";
        TWinControl::Click();
    }
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override
    {
        trace += "down" + std::to_string(static_cast<int>(button)) + "@" + std::to_string(x) + "," + std::to_string(y) + " ";
        TWinControl::MouseDown(button, shift, x, y);
    }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override
    {
        trace += "up" + std::to_string(static_cast<int>(button)) + " ";
        TWinControl::MouseUp(button, shift, x, y);
    }
    void MouseEnter() override { trace += "enter "; }
    void MouseLeave() override { trace += "leave "; }
};

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

}  // namespace

TEST(Controls, TheClickRuleAndTheOrderOfMouseEvents)
{
    struct Case {
        const char* what;
        std::vector<std::pair<UINT, LPARAM>> messages;
        const char* trace;
    } cases[] = {
        {"press and release inside", {{WM_LBUTTONDOWN, At(5, 5)}, {WM_LBUTTONUP, At(6, 7)}}, "down0@5,5 click up0 "},
        {"release outside", {{WM_LBUTTONDOWN, At(5, 5)}, {WM_LBUTTONUP, At(50, 5)}}, "down0@5,5 up0 "},
        {"press outside (captured), release inside", {{WM_LBUTTONDOWN, At(-3, 5)}, {WM_LBUTTONUP, At(5, 5)}}, "down0@-3,5 up0 "},
        {"right button", {{WM_RBUTTONDOWN, At(5, 5)}, {WM_RBUTTONUP, At(5, 5)}}, "down1@5,5 up1 "},
        {"enter and leave", {{WM_MOUSEMOVE, At(1, 1)}, {WM_MOUSEMOVE, At(2, 2)}, {WM_MOUSELEAVE, 0}}, "enter leave "},
    };
    for (const Case& c : cases) {
        TTraced control(nullptr);
        int clicks = 0;
        control.OnClick = [&](TControl&) { ++clicks; };
        for (const auto& [message, lParam] : c.messages)
            SendMessageA(control.Handle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, lParam);
        EXPECT_EQ(control.trace, c.trace) << c.what;
        EXPECT_EQ(clicks, std::string(c.trace).find("click") != std::string::npos ? 1 : 0) << c.what;
    }
}

TEST(Controls, MessageMapTakesAnyNumberAndWindowProcCanBeReplaced)
{
    TWinControl control(nullptr);
    control.SetMessageHandler(99785, [](TMessage& m) {
        m.Result = static_cast<LRESULT>(m.WParam + 1);
        return true;
    });
    control.SetMessageHandler(WM_USER + 7, [](TMessage&) { return false; });  // not handled: default
    EXPECT_EQ(SendMessageA(control.Handle(), 99785, 41, 0), 42);
    EXPECT_EQ(SendMessageA(control.Handle(), WM_USER + 7, 0, 0), 0);

    std::vector<UINT> seen;
    const auto original = control.WindowProc;
    control.WindowProc = [&](TMessage& m) {
        if (m.Msg == 99785)
            seen.push_back(m.Msg);
        original(m);
    };
    EXPECT_EQ(SendMessageA(control.Handle(), 99785, 1, 0), 2);
    EXPECT_EQ(seen, std::vector<UINT>{99785});
}

TEST(Controls, NotificationsAreReflectedToTheChild)
{
    TWinControl parent(nullptr);
    parent.SetBounds(0, 0, 100, 100);
    TWinControl& child = parent.Own<TWinControl>();
    child.SetParent(&parent);
    child.SetBounds(10, 10, 20, 20);
    WPARAM reflected = 0;
    child.SetMessageHandler(CN_BASE + WM_COMMAND, [&](TMessage& m) {
        reflected = m.WParam;
        m.Result = 7;
        return true;
    });
    ASSERT_EQ(GetParent(child.Handle()), parent.Handle());
    EXPECT_EQ(SendMessageA(parent.Handle(), WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), reinterpret_cast<LPARAM>(child.Handle())), 7);
    EXPECT_EQ(reflected, MAKEWPARAM(3, BN_CLICKED));
    EXPECT_EQ(parent.ControlCount(), 1);
    EXPECT_EQ(TWinControl::FromHandle(child.Handle()), &child);
}

TEST(Controls, KeysCanBeConsumedAndWindowsGoWithTheirObjects)
{
    TWinControl control(nullptr);
    std::string typed;
    control.OnKeyPress = [&](TControl&, char& key) {
        typed += key;
        if (key == ' ')
            key = 0;
    };
    SendMessageA(control.Handle(), WM_CHAR, 'a', 0);
    SendMessageA(control.Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(typed, "a ");

    // A child asked for its window first makes its parent's, and only one of its own.
    HWND childWindow = nullptr;
    {
        TWinControl parent(nullptr);
        TWinControl& child = parent.Own<TWinControl>();
        child.SetParent(&parent);
        childWindow = child.Handle();
        ASSERT_TRUE(IsWindow(childWindow));
        EXPECT_EQ(GetWindow(parent.Handle(), GW_CHILD), childWindow);
        EXPECT_EQ(GetWindow(childWindow, GW_HWNDNEXT), nullptr);
    }
    EXPECT_FALSE(IsWindow(childWindow));
}
