#include "classlib/timers.h"

#include "classlib/application.h"

namespace {
const char kClassName[] = "TalmorisTimer";
constexpr UINT_PTR kTimerId = 1;
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TTimer::WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    (void)atom;
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Update();
}

TTimer::~TTimer()
{
    if (window_) {
        KillTimer(window_, kTimerId);
        DestroyWindow(window_);
    }
}

void TTimer::SetInterval(unsigned milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    Update();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Update();
}

void TTimer::Update()
{
    if (!window_)
        return;
    KillTimer(window_, kTimerId);
    // An interval of 0 stops the timer, as the class library's does.
    if (enabled_ && interval_ > 0)
        SetTimer(window_, kTimerId, interval_, nullptr);
}

LRESULT CALLBACK TTimer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedWindowProc(hwnd, message, [&]() -> LRESULT {
        if (message == WM_TIMER && wParam == kTimerId) {
            auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self && self->enabled_ && self->OnTimer)
                self->OnTimer(*self);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    });
}
