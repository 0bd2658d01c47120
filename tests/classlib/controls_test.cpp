#include "classlib/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/application.h"
#include "classlib/exceptions.h"
#include "classlib/timers.h"

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

TEST(Controls, AnExceptionInAHandlerIsShownAndNeverLeavesTheWindowProcedure)
{
    TApplication& application = TApplication::Instance();
    std::vector<std::string> shown;
    application.OnException = [&](const std::exception& error) { shown.push_back(error.what()); };

    TWinControl control(nullptr);
    control.SetMessageHandler(WM_USER + 21, [](TMessage&) -> bool { throw EConvertError("not a number"); });
    control.SetMessageHandler(WM_USER + 22, [](TMessage&) -> bool { throw 42; });
    TComponent owner(nullptr);
    TTimer& timer = owner.Own<TTimer>();
    timer.SetInterval(10);
    timer.OnTimer = [&](TTimer& t) {
        t.SetEnabled(false);
        throw Exception("timer failed");
    };

    // Sent, posted through the message loop, and from a timer: each is shown
    // once and the caller goes on.
    EXPECT_EQ(SendMessageA(control.Handle(), WM_USER + 21, 0, 0), 0);
    PostMessageA(control.Handle(), WM_USER + 22, 0, 0);
    const DWORD start = GetTickCount();
    while (shown.size() < 3 && GetTickCount() - start < 5000) {
        application.ProcessMessages();
        Sleep(5);
    }
    application.OnException = nullptr;
    EXPECT_EQ(shown, (std::vector<std::string>{"not a number", "An unexpected error occurred", "timer failed"}));
    EXPECT_TRUE(IsWindow(control.Handle())) << "the control lives on";
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

#include "classlib/std_controls.h"

TEST(Controls, FontAndColourFollowTheParentUntilSetOwn)
{
    TPanel form(nullptr);
    TPanel& panel = form.Own<TPanel>();
    panel.SetParent(&form);
    TLabel& label = form.Own<TLabel>();
    label.SetParent(&panel);
    const TFont tahoma("Tahoma", -13, fsBold, RGBColor(38, 70, 130));
    form.SetFont(tahoma);
    form.SetColor(RGBColor(255, 253, 219));
    EXPECT_EQ(label.Font(), tahoma) << "through the panel";
    EXPECT_EQ(label.Color(), RGBColor(255, 253, 219));

    // An own font stops the inheritance, ParentFont takes the parent's again.
    const TFont arial("Arial", -11);
    label.SetFont(arial);
    EXPECT_FALSE(label.ParentFont());
    form.SetFont(TFont("Tahoma", -11));
    EXPECT_EQ(label.Font(), arial);
    EXPECT_EQ(panel.Font(), TFont("Tahoma", -11));
    label.SetParentFont(true);
    EXPECT_EQ(label.Font(), TFont("Tahoma", -11));

    label.SetColor(clWhite);
    form.SetColor(clSilver);
    EXPECT_EQ(label.Color(), clWhite);
    EXPECT_EQ(panel.Color(), clSilver);
    // A control placed later takes its new parent's at once.
    TLabel& late = form.Own<TLabel>();
    late.SetParent(&panel);
    EXPECT_EQ(late.Color(), clSilver);
    EXPECT_EQ(late.Font(), TFont("Tahoma", -11));

    EXPECT_EQ(ColorToRGB(clSilver), RGB(192, 192, 192));
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
}

TEST(Controls, SystemWindowsGetTheFontAndColours)
{
    TPanel panel(nullptr);
    panel.SetBounds(300, 300, 200, 100);
    panel.SetFont(TFont("Tahoma", -11));
    TMemo& memo = panel.Own<TMemo>();
    memo.SetParent(&panel);
    memo.SetBounds(0, 0, 200, 100);
    memo.SetColor(RGBColor(255, 253, 219));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(memo.Handle(), WM_GETFONT, 0, 0)), memo.Font().Handle());
    panel.SetFont(TFont("Arial", -13));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(memo.Handle(), WM_GETFONT, 0, 0)), memo.Font().Handle())
        << "a change reaches the window";

    // The read-only edit paints its background in the memo's colour.
    ShowWindow(panel.Handle(), SW_SHOWNA);
    UpdateWindow(panel.Handle());
    UpdateWindow(memo.Handle());
    HDC dc = GetDC(memo.Handle());
    RECT client{};
    GetClientRect(memo.Handle(), &client);
    const COLORREF background = GetPixel(dc, client.right / 2 - 30, client.bottom - 5);
    ReleaseDC(memo.Handle(), dc);
    EXPECT_EQ(background, RGB(255, 253, 219));
}

TEST(Controls, TheCursorOverAControl)
{
    TPanel panel(nullptr);
    panel.SetBounds(100, 100, 200, 100);
    TLabel& link = panel.Own<TLabel>();
    link.SetParent(&panel);
    link.SetBounds(10, 10, 50, 16);
    link.SetCursor(crHandPoint);
    ShowWindow(panel.Handle(), SW_SHOWNA);
    UpdateWindow(panel.Handle());
    const auto cursorAt = [&](int x, int y) {
        POINT point{x, y};
        ClientToScreen(panel.Handle(), &point);
        SetCursorPos(point.x, point.y);
        ::SetCursor(LoadCursorA(nullptr, IDC_CROSS));
        SendMessageA(panel.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel.Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorAt(20, 15), LoadCursorA(nullptr, IDC_HAND)) << "over the label";
    EXPECT_EQ(cursorAt(150, 80), LoadCursorA(nullptr, IDC_ARROW)) << "the window's own elsewhere";
    panel.SetCursor(crSizeAll);
    EXPECT_EQ(cursorAt(150, 80), LoadCursorA(nullptr, IDC_SIZEALL));

    const HCURSOR own = LoadCursorA(nullptr, IDC_HELP);
    RegisterCursor(5, own);
    link.SetCursor(5);
    EXPECT_EQ(cursorAt(20, 15), own) << "a registered cursor";
}

TEST(Controls, TabMovesTheFocusInTabOrder)
{
    TPanel form(nullptr);
    form.SetBounds(50, 50, 300, 100);
    TWinControl& yes = form.Own<TWinControl>();
    TWinControl& skipped = form.Own<TWinControl>();
    TPanel& inner = form.Own<TPanel>();
    TWinControl& no = form.Own<TWinControl>();
    TWinControl& nested = form.Own<TWinControl>();
    for (TWinControl* c : {&yes, &skipped, static_cast<TWinControl*>(&inner), &no})
        c->SetParent(&form);
    nested.SetParent(&inner);
    for (TWinControl* c : {&yes, &no, &nested})
        c->SetTabStop(true);
    no.SetTabOrder(0);  // before Yes, as in the alert window
    EXPECT_EQ(no.TabOrder(), 0);
    EXPECT_EQ(yes.TabOrder(), 1);
    ShowWindow(form.Handle(), SW_SHOWNA);

    const auto tab = [](TWinControl& from) {
        SetFocus(from.Handle());
        SendMessageA(from.Handle(), WM_KEYDOWN, VK_TAB, 0);
        return TWinControl::FromHandle(GetFocus());
    };
    EXPECT_EQ(tab(no), &yes);
    EXPECT_EQ(tab(yes), &nested) << "into the panel, skipping what is no tab stop";
    EXPECT_EQ(tab(nested), &no) << "round again";
    // Shift+Tab goes back.
    ASSERT_TRUE(form.SelectNext(&yes, false));
    EXPECT_EQ(TWinControl::FromHandle(GetFocus()), &no);
    nested.SetEnabled(false);
    EXPECT_EQ(tab(yes), &no) << "a disabled control is passed by";
}
