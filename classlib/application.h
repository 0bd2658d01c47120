// The application object: a hidden top-level window that owns the program's
// forms in the task bar's eyes, and the message loop. It also shows the
// controls' hints (see classlib/hint_window.h).
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "classlib/colors.h"
#include "classlib/component.h"
#include "classlib/font.h"

class TControl;
struct TMessage;  // classlib/controls.h
class THintController;
class THintWindow;
class TWinControl;

class TApplication : public TComponent {
public:
    static TApplication& Instance();
    ~TApplication() override;

    HWND Handle();  // made on first use
    // Runs the message loop until WM_QUIT or Terminate.
    void Run();
    // Handles every message waiting now; false once WM_QUIT was seen.
    bool ProcessMessages();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // An exception that escaped a window's handling or the message loop: a
    // message box with its text and the application's title, or OnException
    // when that is set. Never raises; while one box is up, later exceptions
    // are not shown again.
    void ShowException(const std::exception& error) noexcept;
    // Inside a catch block: ShowException for the exception being handled,
    // whatever its type.
    void HandleException() noexcept;
    std::function<void(const std::exception&)> OnException;

    // Closing the main form ends the application.
    TComponent* MainForm() const { return mainForm_; }
    void SetMainForm(TComponent* form) { mainForm_ = form; }
    // The application window's text: what the task list calls the program.
    String Title() const;
    void SetTitle(const String& title);

    // Minimises the application window and hides the forms it owns with it,
    // as the system's minimise command does; Restore brings both back. Each
    // does nothing when the window already is in that state.
    void Minimize();
    void Restore();

    // Hooks of the application window: every message it gets (sent or
    // posted) is offered to the hooks first, in the order they were added.
    // A hook that returns true has handled it and set Result: later hooks
    // and the window's own handling don't see it. A hook may unhook itself
    // or others while it runs.
    using TWindowHook = std::function<bool(TMessage&)>;
    int HookMainWindow(TWindowHook hook);  // the id for UnhookMainWindow
    void UnhookMainWindow(int id);

    // Hints: shown for controls with ShowHint and a Hint while ShowHint is
    // on here, after the mouse rested HintPause ms on the control, for
    // HintHidePause ms.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor colour);
    unsigned HintPause() const { return hintPause_; }
    void SetHintPause(unsigned milliseconds) { hintPause_ = milliseconds; }
    unsigned HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(unsigned milliseconds) { hintHidePause_ = milliseconds; }
    // The system's status-bar font (Tahoma 8 pt when it gives none), in the
    // info-text colour.
    const TFont& HintFont() const { return hintFont_; }
    // Makes the hint windows from now on; null: plain THintWindow.
    void SetHintWindowClass(std::function<std::unique_ptr<THintWindow>()> makeWindow);
    // The hint window made so far, shown or not; null before the first hint.
    THintWindow* HintWindow() const;
    void CancelHint();
    // Shows the hint of the control under the mouse now, with its text as
    // it is now (a control whose hint follows the mouse).
    void ActivateHint();
    // Called by windowed controls for their mouse and key messages.
    void HintMouseMessage(TWinControl& host, TControl* graphic, UINT message);
    // The long part of the hint of the control under the mouse (shown or
    // not); OnHint runs when it changes, for status lines.
    const String& Hint() const { return hint_; }
    void SetHint(const String& hint);
    std::function<void()> OnHint;

private:
    TApplication();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleMessage(const MSG& msg);
    bool OfferToHooks(TMessage& message);
    THintController& Hints();

    HWND handle_ = nullptr;
    bool terminated_ = false;
    bool showingException_ = false;
    TComponent* mainForm_ = nullptr;
    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    unsigned hintPause_ = 500;
    unsigned hintHidePause_ = 2500;
    TFont hintFont_;
    String hint_;
    std::unique_ptr<THintController> hints_;  // made with the first hint message
    // Shared, so that a hook that unhooks itself lives until it returns.
    std::vector<std::pair<int, std::shared_ptr<TWindowHook>>> hooks_;
    int lastHookId_ = 0;
};

// Runs a window procedure's body so that no exception leaves it: the
// system's frames around a window procedure can't be unwound through (not on
// i686). An exception that escapes the body is shown with ShowException and
// the message answers 0.
void ShowWindowProcException(HWND window, UINT message) noexcept;

template <class Body>
LRESULT GuardedWindowProc(HWND window, UINT message, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        ShowWindowProcException(window, message);
        return 0;
    }
}
