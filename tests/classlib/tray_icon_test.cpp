#include "classlib/tray_icon.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "classlib/application.h"
#include "classlib/forms.h"
#include "classlib/image_list.h"
#include "classlib/menus.h"
#include "classlib/win_handle.h"
#include "support/bitmap_fixture.h"
#include "support/window_driving.h"

namespace {

using test_support::TMenuWatchdog;

// Handles the thread's messages until `done` says so, for `ms` at most.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        TApplication::Instance().ProcessMessages();
    }
    return true;
}

// Puts the application window back as the other tests know it: hidden,
// neither minimised nor shown, whatever the test did with it.
class TApplicationWindowReset {
public:
    TApplicationWindowReset() = default;
    ~TApplicationWindowReset()
    {
        const HWND window = TApplication::Instance().Handle();
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        ShowWindow(window, SW_HIDE);
    }
    TApplicationWindowReset(const TApplicationWindowReset&) = delete;
    TApplicationWindowReset& operator=(const TApplicationWindowReset&) = delete;
};

constexpr COLORREF kKey = RGB(255, 0, 255);

// A 16 x 16 picture on the key colour with a square of `colour` at
// (left, top), and single black and white pixels that must stay opaque.
TBitmap Picture(int left, int top, COLORREF colour)
{
    TBitmap picture = test_support::SolidBitmap(16, 16, kKey);
    for (int y = top; y < top + 6; ++y)
        for (int x = left; x < left + 6; ++x)
            picture.SetPixel(x, y, colour);
    picture.SetPixel(12, 2, RGB(0, 0, 0));
    picture.SetPixel(13, 2, RGB(255, 255, 255));
    return picture;
}

// The pixels of `picture` on which `icon` differs from it drawn over green
// (where the picture has the key colour, the green must show).
int PixelsDifferingFrom(HICON icon, const TBitmap& picture)
{
    const COLORREF background = RGB(0, 160, 0);
    const TBitmap canvas = test_support::SolidBitmap(16, 16, background);
    {
        const TBitmapDC dc(canvas);
        DrawIconEx(dc.Get(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    }
    int differing = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF wanted = picture.Pixel(x, y) == kKey ? background : picture.Pixel(x, y);
            if (canvas.Pixel(x, y) != wanted)
                ++differing;
        }
    return differing;
}

// Whether the shell holds an icon of that window and id.
bool ShellHolds(HWND window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = TTrayIcon::kIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;  // nothing to change: only whether it is there
}

void RemoveBehindItsBack(HWND window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = TTrayIcon::kIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

}  // namespace

TEST(TrayIconPicture, EachPictureBecomesAnIconWithItsKeyColourMaskedOut)
{
    const TBitmap red = Picture(2, 3, RGB(200, 0, 0));
    const TBitmap blue = Picture(8, 9, RGB(0, 0, 200));
    TImageList icons(16, 16);
    icons.Add(red);
    icons.Add(blue);
    TTrayIcon tray(nullptr);
    EXPECT_EQ(tray.Icon(), nullptr);

    tray.SetIcons(&icons);  // picture 0 to begin with
    ASSERT_NE(tray.Icon(), nullptr);
    EXPECT_EQ(PixelsDifferingFrom(tray.Icon(), red), 0);
    tray.SetIconIndex(1);
    ASSERT_NE(tray.Icon(), nullptr);
    EXPECT_EQ(PixelsDifferingFrom(tray.Icon(), blue), 0);
    // An index without a picture keeps the icon shown.
    tray.SetIconIndex(2);
    EXPECT_EQ(tray.IconIndex(), 2);
    ASSERT_NE(tray.Icon(), nullptr);
    EXPECT_EQ(PixelsDifferingFrom(tray.Icon(), blue), 0);
}

TEST(TrayIconShell, IconIsAddedChangedRemovedAndAddedAgain)
{
    TImageList icons(16, 16);
    icons.Add(Picture(2, 3, RGB(200, 0, 0)));
    icons.Add(Picture(8, 9, RGB(0, 0, 200)));
    TTrayIcon tray(nullptr);
    tray.SetIcons(&icons);
    tray.SetHint("Talmoris");
    EXPECT_FALSE(tray.InTray());
    EXPECT_FALSE(ShellHolds(tray.Handle()));

    // Wine's desktop process keeps a notification area even on a bare X server.
    tray.SetVisible(true);
    EXPECT_TRUE(tray.InTray());
    EXPECT_TRUE(ShellHolds(tray.Handle()));
    tray.SetIconIndex(1);
    tray.SetHint("Talmoris: 3 guards");
    EXPECT_TRUE(tray.InTray());

    // Off and on again: removed, then added anew (a second add of an icon
    // the shell still had would be refused).
    tray.SetVisible(false);
    EXPECT_FALSE(tray.InTray());
    EXPECT_FALSE(ShellHolds(tray.Handle()));
    tray.SetVisible(true);
    EXPECT_TRUE(tray.InTray());
    EXPECT_TRUE(ShellHolds(tray.Handle()));

    // A shell that lost the icon gets it back with the next change, and
    // when a new task bar announces itself.
    RemoveBehindItsBack(tray.Handle());
    tray.SetIconIndex(0);
    EXPECT_TRUE(ShellHolds(tray.Handle()));
    RemoveBehindItsBack(tray.Handle());
    SendMessageA(tray.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHolds(tray.Handle()));
    EXPECT_TRUE(tray.InTray());
}

TEST(TrayIconMouse, ShellMessagesFireEventsThenRestoreOrShowTheMenu)
{
    using T = TTrayTrigger;
    struct Case {
        const char* name;
        UINT message;
        T restoreOn;
        T popupMenuOn;
        bool autoPopup;
        const char* log;  // what happened, in order
    } cases[] = {
        {"left double click restores", WM_LBUTTONDBLCLK, T::LeftDblClick, T::RightUp, true, "dblclick restore "},
        {"right release shows the menu", WM_RBUTTONUP, T::LeftDblClick, T::RightUp, true, "up(right) menu "},
        {"no menu without AutoPopup", WM_RBUTTONUP, T::LeftDblClick, T::RightUp, false, "up(right) "},
        {"left press", WM_LBUTTONDOWN, T::LeftDblClick, T::RightUp, true, "down(left) "},
        {"left release", WM_LBUTTONUP, T::LeftDblClick, T::RightUp, true, "up(left) "},
        {"left release as the restore trigger", WM_LBUTTONUP, T::LeftUp, T::RightUp, true, "up(left) restore "},
        {"right double click as the menu trigger", WM_RBUTTONDBLCLK, T::LeftDblClick, T::RightDblClick, true,
         "menu "},
        {"right release then does nothing", WM_RBUTTONUP, T::LeftDblClick, T::RightDblClick, true, "up(right) "},
        {"triggers off", WM_LBUTTONDBLCLK, T::None, T::None, true, "dblclick "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TApplicationWindowReset reset;
        std::string log;
        TPopupMenu menu(nullptr);
        menu.Add("&Close");
        menu.SetAutoPopup(c.autoPopup);
        menu.OnPopup = [&log](TPopupMenu& self) {
            log += "menu ";
            PostMessageA(self.WindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        TTrayIcon tray(nullptr);
        tray.SetPopupMenu(&menu);
        tray.SetRestoreOn(c.restoreOn);
        tray.SetPopupMenuOn(c.popupMenuOn);
        const auto button = [](TMouseButton b) { return b == TMouseButton::mbLeft ? "left" : "right"; };
        tray.OnMouseDown = [&](TTrayIcon&, TMouseButton b, TShiftState, int, int) {
            log += std::string("down(") + button(b) + ") ";
        };
        tray.OnMouseUp = [&](TTrayIcon&, TMouseButton b, TShiftState, int, int) {
            log += std::string("up(") + button(b) + ") ";
        };
        tray.OnDblClick = [&log](TTrayIcon&) { log += "dblclick "; };
        tray.OnRestore = [&log](TTrayIcon&) { log += "restore "; };
        TMenuWatchdog watchdog(menu.WindowHandle());
        SendMessageA(tray.Handle(), TTrayIcon::kCallbackMessage, TTrayIcon::kIconId, c.message);
        EXPECT_FALSE(watchdog.Fired());
        EXPECT_EQ(log, c.log);
    }
}

TEST(TrayIconApplication, MinimizeHidesTheApplicationAndItsFormsRestoreBringsThemBack)
{
    const HWND application = TApplication::Instance().Handle();
    for (const bool hide : {true, false}) {
        SCOPED_TRACE(hide ? "hiding" : "not hiding");
        const TApplicationWindowReset reset;
        TForm form(nullptr);
        form.SetBounds(50, 50, 200, 100);
        // Shown without activating it: Wine hides an activated window only
        // after waiting for a window manager that Xvfb doesn't have.
        ShowWindow(form.Handle(), SW_SHOWNA);
        std::string log;
        TTrayIcon tray(nullptr);
        tray.SetHide(hide);
        tray.OnMinimize = [&](TTrayIcon&) {
            log += "minimize ";
            EXPECT_TRUE(IsIconic(application));  // done before the event
        };
        tray.OnRestore = [&](TTrayIcon&) {
            log += "restore ";
            EXPECT_FALSE(IsIconic(application));
        };

        tray.Minimize();
        EXPECT_EQ(log, "minimize ");
        EXPECT_TRUE(IsIconic(application));
        EXPECT_EQ(IsWindowVisible(application) != FALSE, !hide);
        EXPECT_FALSE(IsWindowVisible(form.Handle()));

        tray.Restore();
        EXPECT_EQ(log, "minimize restore ");
        EXPECT_FALSE(IsIconic(application));
        EXPECT_TRUE(IsWindowVisible(application));
        EXPECT_TRUE(IsWindowVisible(form.Handle()));
        EXPECT_EQ(GetForegroundWindow(), application);
    }
}

TEST(TrayIconApplication, SystemCommandsOnTheApplicationWindowGoThroughTheIcon)
{
    const HWND application = TApplication::Instance().Handle();
    const TApplicationWindowReset reset;
    {
        std::string log;
        TTrayIcon tray(nullptr);
        tray.OnMinimize = [&log](TTrayIcon&) { log += "minimize "; };
        tray.OnRestore = [&log](TTrayIcon&) { log += "restore "; };
        SendMessageA(application, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_EQ(log, "minimize ");
        EXPECT_TRUE(IsIconic(application));
        EXPECT_FALSE(IsWindowVisible(application));  // Hide is on by default
        SendMessageA(application, WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_EQ(log, "minimize restore ");
        EXPECT_FALSE(IsIconic(application));
        EXPECT_TRUE(IsWindowVisible(application));
        // Other commands are the system's.
        SendMessageA(application, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_EQ(log, "minimize restore ");
        SendMessageA(application, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
    // Without the icon the system minimises the window itself, and nobody
    // is left to hide it.
    SendMessageA(application, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(application));
    EXPECT_TRUE(IsWindowVisible(application));
}

TEST(AppHook, PostedAndSentMessagesReachTheHooksInOrderUntilUnhooked)
{
    TApplication& application = TApplication::Instance();
    const HWND window = application.Handle();
    constexpr UINT kPosted = WM_USER + 10;
    constexpr UINT kSent = WM_USER + 11;
    std::string log;
    const auto record = [&log](const char* name, const TMessage& m) {
        log += std::string(name) + ":" + std::to_string(m.Msg - WM_USER) + "/" + std::to_string(m.WParam) + "/" +
               std::to_string(m.LParam) + " ";
    };
    const int first = application.HookMainWindow([&](TMessage& m) {
        if (m.Msg != kPosted && m.Msg != kSent)
            return false;
        record("first", m);
        if (m.Msg != kSent)
            return false;
        m.Result = 42;
        return true;  // handled: the second hook never sees it
    });
    const int second = application.HookMainWindow([&](TMessage& m) {
        if (m.Msg == kPosted || m.Msg == kSent)
            record("second", m);
        return false;
    });

    PostMessageA(window, kPosted, 1, 2);
    ASSERT_TRUE(PumpUntil([&] { return log.find("second") != std::string::npos; }));
    EXPECT_EQ(log, "first:10/1/2 second:10/1/2 ");
    log.clear();
    EXPECT_EQ(SendMessageA(window, kSent, 3, 4), 42);
    EXPECT_EQ(log, "first:11/3/4 ");

    log.clear();
    application.UnhookMainWindow(first);
    PostMessageA(window, kPosted, 5, 6);
    ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, "second:10/5/6 ");
    EXPECT_EQ(SendMessageA(window, kSent, 0, 0), 0);  // nobody handles it now

    log.clear();
    application.UnhookMainWindow(second);
    PostMessageA(window, kPosted, 7, 8);
    bool seen = false;
    const int marker = application.HookMainWindow([&](TMessage& m) {
        seen = seen || m.Msg == kPosted;
        return false;
    });
    ASSERT_TRUE(PumpUntil([&] { return seen; }));  // the message has come
    application.UnhookMainWindow(marker);
    EXPECT_EQ(log, "");
}

TEST(AppHook, HookMayUnhookItselfWhileItRuns)
{
    TApplication& application = TApplication::Instance();
    const HWND window = application.Handle();
    constexpr UINT kProbe = WM_USER + 12;
    int selfCalls = 0;
    int otherCalls = 0;
    int self = 0;
    self = application.HookMainWindow([&](TMessage& m) {
        if (m.Msg != kProbe)
            return false;
        ++selfCalls;
        application.UnhookMainWindow(self);  // this very function goes away
        return false;
    });
    const int other = application.HookMainWindow([&](TMessage& m) {
        otherCalls += m.Msg == kProbe;
        return false;
    });
    SendMessageA(window, kProbe, 0, 0);
    SendMessageA(window, kProbe, 0, 0);
    application.UnhookMainWindow(other);
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(otherCalls, 2);
}
