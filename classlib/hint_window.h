// Hints: THintWindow is the small popup that shows a control's hint text;
// THintController decides when the application shows it (the mouse rests
// over a control that has a hint) and when it goes away again.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/controls.h"

class TApplication;

// What a hint window is made with: its window styles and the style of its
// window class (class styles such as CS_DROPSHADOW can't be set per window).
struct TCreateParams {
    DWORD Style = 0;
    DWORD ExStyle = 0;
    UINT ClassStyle = 0;
};

class THintWindow : public TWinControl {
public:
    explicit THintWindow(TComponent* owner = nullptr);

    String ClassName() const override { return "THintWindow"; }

    // Shows the window at `rect` (screen coordinates, the whole window) with
    // `hint` as its caption, above every other window and without taking
    // the focus or activating it.
    virtual void ActivateHint(const RECT& rect, const String& hint);
    // The size the window needs for `hint`, wrapped within `maxWidth`, as a
    // rectangle at (0, 0).
    virtual RECT CalcHintRect(int maxWidth, const String& hint);
    // Hides the window and lets its handle go; the next ActivateHint makes
    // it again, with the styles CreateParams gives then.
    void ReleaseHandle();

protected:
    // A popup with a thin border, topmost, never activated.
    virtual void CreateParams(TCreateParams& params) const;
    // Paints the client area: the background in Color(), then the caption.
    void Paint(HDC dc) override;
    // The background fill in Color() that WM_ERASEBKGND paints.
    void PaintBackground(HDC dc);

    DWORD Style() const final;
    DWORD ExStyle() const final;
    const char* OwnClassBaseName() const final { return "TalmorisHint"; }
    UINT ClassStyle() const final;

private:
    TCreateParams Params() const;
};

// Makes the application's hint window; the main program installs its own kind.
using THintWindowClass = std::function<std::unique_ptr<THintWindow>()>;

// A timer of one window, by id: the window gets WM_TIMER with that id while
// it runs. Stopped when destroyed.
class TWindowTimer {
public:
    TWindowTimer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
    ~TWindowTimer() { Stop(); }
    TWindowTimer(const TWindowTimer&) = delete;
    TWindowTimer& operator=(const TWindowTimer&) = delete;

    UINT_PTR Id() const { return id_; }
    bool Running() const { return running_; }
    void Start(unsigned milliseconds);
    void Stop();

private:
    HWND window_;
    UINT_PTR id_;
    bool running_ = false;
};

// Follows the mouse over the application's controls and shows the hint of
// the one it rests on, below the pointer, until the pause for reading has
// run out, the mouse goes elsewhere or a button or a key is pressed. Its
// timers run on the application's window.
class THintController {
public:
    static constexpr int kMaxHintWidth = 300;

    explicit THintController(TApplication& application);
    ~THintController();
    THintController(const THintController&) = delete;
    THintController& operator=(const THintController&) = delete;

    void SetWindowClass(THintWindowClass makeWindow);
    // The hint window made so far (shown or not), or null.
    THintWindow* Window() const { return window_.get(); }

    // A mouse or key message that `host`'s window got; `graphic` is the
    // graphic control under the mouse for WM_MOUSEMOVE.
    void MouseMessage(TWinControl& host, TControl* graphic, UINT message);
    // Hides the hint; none comes back until the mouse reaches another control.
    void Cancel();
    // Shows the hovered control's hint at once, without waiting.
    void ShowNow();
    // WM_TIMER of the application's window; false when it isn't ours.
    bool Timer(UINT_PTR id);
    // The application's hint colour changed.
    void ColorChanged();

private:
    TControl* HoveredControl() const;
    void Hover(TWinControl& host, TControl& control);
    void Show();
    void Hide();

    TApplication& application_;
    THintWindowClass makeWindow_;
    std::unique_ptr<THintWindow> window_;
    TWindowTimer showTimer_;
    TWindowTimer hideTimer_;
    // The control under the mouse and the window it was seen in; the window
    // lets us check that the control still exists before using it.
    HWND host_ = nullptr;
    TControl* control_ = nullptr;
};
