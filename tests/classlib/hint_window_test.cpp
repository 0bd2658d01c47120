// The application's hints, driven by real pointer moves (SetCursorPos) over
// a form on the test display.
#include "classlib/hint_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "classlib/application.h"
#include "classlib/forms.h"
#include "classlib/graphics.h"
#include "classlib/std_controls.h"

namespace {

constexpr unsigned kPause = 100;
constexpr DWORD kDeadline = 3000;  // a hint that is due comes well within this

BOOL CALLBACK CollectVisibleHint(HWND window, LPARAM list)
{
    auto* hint = dynamic_cast<THintWindow*>(TWinControl::FromHandle(window));
    if (hint && IsWindowVisible(window))
        reinterpret_cast<std::vector<THintWindow*>*>(list)->push_back(hint);
    return TRUE;
}

// The hint windows of this thread that are on screen.
std::vector<THintWindow*> VisibleHints()
{
    std::vector<THintWindow*> found;
    EnumThreadWindows(GetCurrentThreadId(), &CollectVisibleHint, reinterpret_cast<LPARAM>(&found));
    return found;
}

THintWindow* VisibleHint()
{
    const auto hints = VisibleHints();
    return hints.size() == 1 ? hints.front() : nullptr;
}

void Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        TApplication::Instance().ProcessMessages();
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, DWORD deadline = kDeadline)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > deadline)
            return false;
        TApplication::Instance().ProcessMessages();
        Sleep(5);
    }
    return true;
}

String ClassNameOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A form at a fixed place with a windowed control and a graphic control that
// have hints, and a windowed control without one.
class Hints : public ::testing::Test {
protected:
    void SetUp() override
    {
        TApplication& application = TApplication::Instance();
        application.SetHintPause(kPause);
        application.SetHintHidePause(10000);
        SetCursorPos(2, 2);  // off the form
        form.SetBounds(100, 100, 400, 200);
        panel.SetParent(&form);
        panel.SetBounds(10, 10, 150, 80);
        panel.SetHint("Scan the registry");
        panel.SetShowHint(true);
        label.SetParent(&form);
        label.SetBounds(200, 10, 120, 30);
        label.SetCaption("Quarantine");
        label.SetHint("Open the quarantine");
        label.SetShowHint(true);
        plain.SetParent(&form);
        plain.SetBounds(10, 110, 150, 80);
        form.Show();
        Pump(50);
    }

    void TearDown() override
    {
        TApplication& application = TApplication::Instance();
        application.CancelHint();
        application.SetShowHint(true);
        application.SetHintPause(500);
        application.SetHintHidePause(2500);
        application.SetHintWindowClass(nullptr);
        SetCursorPos(2, 2);
    }

    // Puts the pointer on `control` at (x, y) of the control and waits until
    // its window saw the move; returns the screen point.
    POINT PointAt(TControl& control, int x = 5, int y = 5)
    {
        auto* windowed = dynamic_cast<TWinControl*>(&control);
        TWinControl& host = windowed ? *windowed : *control.Parent();
        POINT point{windowed ? x : control.Left() + x, windowed ? y : control.Top() + y};
        ClientToScreen(host.Handle(), &point);
        bool moved = false;
        const auto saved = host.OnMouseMove;
        host.OnMouseMove = [&](TControl&, TShiftState, int, int) { moved = true; };
        SetCursorPos(point.x, point.y);
        EXPECT_TRUE(PumpUntil([&] { return moved; })) << "the pointer move never arrived";
        host.OnMouseMove = saved;
        return point;
    }

    // Puts the pointer on the control without a hint: a shown hint goes at
    // once (the system reports leaving a window late), and the control
    // hovered next starts afresh.
    void MoveToPlain()
    {
        plainSpot_ = plainSpot_ == 30 ? 40 : 30;
        PointAt(plain, plainSpot_, plainSpot_);
    }

    TForm form{nullptr};
    TPanel& panel = form.Own<TPanel>();
    TLabel& label = form.Own<TLabel>();
    TPanel& plain = form.Own<TPanel>();

private:
    int plainSpot_ = 0;
};

}  // namespace

TEST_F(Hints, ShownAfterThePauseBelowThePointerOnlyForControlsThatAskForOne)
{
    enum class Target { Panel, Label };
    struct Case {
        const char* what;
        Target target;
        bool applicationShowsHints;
        bool controlShowsHint;
        const char* hint;
        bool shown;
    } cases[] = {
        {"windowed control", Target::Panel, true, true, "Scan the registry", true},
        {"graphic control", Target::Label, true, true, "Open the quarantine", true},
        {"a wrapping hint", Target::Panel, true, true,
         "A hint long enough to need more than one line within the widest a hint may be", true},
        {"control without ShowHint", Target::Panel, true, false, "Scan the registry", false},
        {"graphic control without ShowHint", Target::Label, true, false, "Open the quarantine", false},
        {"empty hint", Target::Panel, true, true, "", false},
        {"hints off in the application", Target::Panel, false, true, "Scan the registry", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TControl& control = c.target == Target::Panel ? static_cast<TControl&>(panel) : label;
        control.SetShowHint(c.controlShowsHint);
        control.SetHint(c.hint);
        TApplication::Instance().SetShowHint(c.applicationShowsHints);

        const DWORD movedAt = GetTickCount();
        const POINT pointer = PointAt(control, 7, 9);
        if (GetTickCount() - movedAt < kPause / 2) {
            EXPECT_EQ(VisibleHint(), nullptr) << "shown before the pause";
        }

        if (!c.shown) {
            Pump(kPause * 2);
            EXPECT_TRUE(VisibleHints().empty());
        } else {
            ASSERT_TRUE(PumpUntil([] { return VisibleHint() != nullptr; }));
            EXPECT_GE(GetTickCount() - movedAt, kPause - 20);  // timer granularity
            THintWindow* hint = VisibleHint();
            EXPECT_EQ(hint->Caption(), c.hint);
            EXPECT_EQ(ClassNameOf(hint->Handle()).rfind("TalmorisHint", 0), 0u);
            RECT window{};
            GetWindowRect(hint->Handle(), &window);
            const RECT wanted = hint->CalcHintRect(THintController::kMaxHintWidth, c.hint);
            EXPECT_EQ(window.right - window.left, wanted.right - wanted.left);
            EXPECT_EQ(window.bottom - window.top, wanted.bottom - wanted.top);
            EXPECT_LE(window.right - window.left, THintController::kMaxHintWidth + 6);
            const RECT oneLine = hint->CalcHintRect(100000, c.hint);
            if (oneLine.right > THintController::kMaxHintWidth + 6) {
                EXPECT_GT(window.bottom - window.top, oneLine.bottom) << "not wrapped";
            }
            EXPECT_EQ(window.left, pointer.x);
            EXPECT_GT(window.top, pointer.y);
            EXPECT_LE(window.top, pointer.y + GetSystemMetrics(SM_CYCURSOR));
        }
        MoveToPlain();
        EXPECT_TRUE(VisibleHints().empty());
        TApplication::Instance().SetShowHint(true);
    }
}

TEST_F(Hints, GoesAwayWhenTheMouseMovesOnOrLeavesOrAButtonOrKeyIsPressed)
{
    struct Case {
        const char* what;
        unsigned hidePause;
        std::function<void()> act;  // null: just wait
        // The hint shown next while the pointer stays where it is now, if any.
        const char* thenShows;
    } cases[] = {
        {"the pointer leaves the form", 10000, [] { SetCursorPos(2, 2); }, nullptr},
        {"the pointer moves to a control without a hint", 10000, [this] { PointAt(plain); }, nullptr},
        {"the pointer moves to another control with a hint", 10000, [this] { PointAt(label); },
         "Open the quarantine"},
        // The pointer stays on the control in these.
        {"a mouse button is pressed", 10000,
         [this] {
             SendMessageA(panel.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 9));
             SendMessageA(panel.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(7, 9));
         },
         nullptr},
        {"a key is pressed", 10000, [this] { SendMessageA(panel.Handle(), WM_KEYDOWN, VK_SHIFT, 0); },
         nullptr},
        {"the time for reading runs out", kPause * 2, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TApplication::Instance().SetHintHidePause(c.hidePause);
        PointAt(panel, 7, 9);
        ASSERT_TRUE(PumpUntil([] { return VisibleHint() != nullptr; }));
        EXPECT_EQ(VisibleHint()->Caption(), "Scan the registry");
        // Moving within the control keeps the hint up.
        PointAt(panel, 12, 14);
        EXPECT_NE(VisibleHint(), nullptr);

        if (c.act)
            c.act();
        EXPECT_TRUE(PumpUntil([] {
            const THintWindow* hint = VisibleHint();
            return !hint || hint->Caption() != "Scan the registry";
        }));
        if (c.thenShows) {
            ASSERT_TRUE(PumpUntil([] { return VisibleHint() != nullptr; }));
            EXPECT_EQ(VisibleHint()->Caption(), c.thenShows);
        } else {
            // None comes back while the pointer stays where it is, even when
            // it moves a little on the same control.
            Pump(kPause);
            POINT pointer{};
            GetCursorPos(&pointer);
            if (WindowFromPoint(pointer) == panel.Handle())
                PointAt(panel, 8, 10);
            Pump(kPause * 2);
            EXPECT_TRUE(VisibleHints().empty());
        }
        MoveToPlain();
        EXPECT_TRUE(VisibleHints().empty());
    }
}

namespace {

// A hint window kind of the program's own: a fixed size, no border, a shadow.
class TRecordingHint : public THintWindow {
public:
    explicit TRecordingHint(int* maxWidthSeen) : maxWidthSeen_(maxWidthSeen) {}
    RECT CalcHintRect(int maxWidth, const String&) override
    {
        *maxWidthSeen_ = maxWidth;
        return RECT{0, 0, 77, 33};
    }

protected:
    void CreateParams(TCreateParams& params) const override
    {
        THintWindow::CreateParams(params);
        params.Style &= ~static_cast<DWORD>(WS_BORDER);
        params.ClassStyle |= CS_DROPSHADOW;
    }

private:
    int* maxWidthSeen_;
};

}  // namespace

TEST_F(Hints, TheWindowIsATopmostPopupThatTakesNoFocusAndTheInstalledKindIsUsed)
{
    TApplication& application = TApplication::Instance();
    application.SetHintColor(RGB(200, 240, 20));
    const HWND activeBefore = GetActiveWindow();
    const HWND focusBefore = GetFocus();

    PointAt(panel, 7, 9);
    ASSERT_TRUE(PumpUntil([] { return VisibleHint() != nullptr; }));
    THintWindow* hint = VisibleHint();
    EXPECT_EQ(typeid(*hint), typeid(THintWindow));
    EXPECT_EQ(hint, application.HintWindow());
    const HWND window = hint->Handle();
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_CHILD), WS_POPUP | WS_BORDER);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetClassLongPtrA(window, GCL_STYLE) & CS_DROPSHADOW);
    EXPECT_EQ(GetActiveWindow(), activeBefore);
    EXPECT_EQ(GetFocus(), focusBefore);

    // Painted: the hint colour around the text, the text in the font's colour.
    RECT client{};
    GetClientRect(window, &client);
    TBitmap picture(client.right, client.bottom);
    {
        TBitmapDC dc(picture);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_ERASEBKGND | PRF_CLIENT);
    }
    EXPECT_EQ(picture.Pixel(0, 0), RGB(200, 240, 20));
    EXPECT_EQ(picture.Pixel(client.right - 1, client.bottom - 1), RGB(200, 240, 20));
    int textPixels = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            textPixels += picture.Pixel(x, y) != RGB(200, 240, 20);
    EXPECT_GT(textPixels, 10);
    application.SetHintColor(clInfoBk);
    MoveToPlain();
    ASSERT_TRUE(VisibleHints().empty());

    // The program's own kind: made by the installed function, placed by its
    // own rectangle, with its own styles and class style.
    int maxWidthSeen = 0;
    application.SetHintWindowClass([&] { return std::make_unique<TRecordingHint>(&maxWidthSeen); });
    const POINT pointer = PointAt(label, 3, 4);
    ASSERT_TRUE(PumpUntil([] { return VisibleHint() != nullptr; }));
    hint = VisibleHint();
    ASSERT_NE(dynamic_cast<TRecordingHint*>(hint), nullptr);
    EXPECT_EQ(maxWidthSeen, THintController::kMaxHintWidth);
    RECT placed{};
    GetWindowRect(hint->Handle(), &placed);
    EXPECT_EQ(placed.left, pointer.x);
    EXPECT_EQ(placed.right - placed.left, 77);
    EXPECT_EQ(placed.bottom - placed.top, 33);
    EXPECT_FALSE(GetWindowLongPtrA(hint->Handle(), GWL_STYLE) & WS_BORDER);
    EXPECT_TRUE(GetClassLongPtrA(hint->Handle(), GCL_STYLE) & CS_DROPSHADOW);
    EXPECT_EQ(hint->Color(), clInfoBk);
}
