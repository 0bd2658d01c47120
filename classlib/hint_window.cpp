#include "classlib/hint_window.h"

#include "classlib/application.h"
#include "classlib/canvas.h"

namespace {

constexpr UINT_PTR kShowTimerId = 0x4801;
constexpr UINT_PTR kHideTimerId = 0x4802;

// The hint's place: its top left corner just below the pointer's cursor,
// moved inside the work area (above the pointer when there is no room below).
RECT PlaceBelowPointer(const RECT& size, POINT pointer)
{
    const int width = size.right - size.left;
    const int height = size.bottom - size.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor))
        area = monitor.rcWork;
    int left = pointer.x;
    int top = pointer.y + GetSystemMetrics(SM_CYCURSOR);
    if (left + width > area.right)
        left = area.right - width;
    if (left < area.left)
        left = area.left;
    if (top + height > area.bottom)
        top = pointer.y - height;
    if (top < area.top)
        top = area.top;
    return RECT{left, top, left + width, top + height};
}

}  // namespace

// ---- THintWindow ----

THintWindow::THintWindow(TComponent* owner) : TWinControl(owner)
{
    TApplication& application = TApplication::Instance();
    SetVisible(false);
    SetFont(application.HintFont());
    SetColor(application.HintColor());
    // The pointer passes through to the control below, and a click never
    // activates the hint.
    SetMessageHandler(WM_NCHITTEST, [](TMessage& m) {
        m.Result = HTTRANSPARENT;
        return true;
    });
    SetMessageHandler(WM_MOUSEACTIVATE, [](TMessage& m) {
        m.Result = MA_NOACTIVATE;
        return true;
    });
    SetMessageHandler(WM_PAINT, [this](TMessage& m) {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        m.Result = 0;
        return true;
    });
    SetMessageHandler(WM_PRINTCLIENT, [this](TMessage& m) {
        const HDC dc = reinterpret_cast<HDC>(m.WParam);
        if (m.LParam & PRF_ERASEBKGND)
            PaintBackground(dc);
        if (m.LParam & PRF_CLIENT)
            Paint(dc);
        m.Result = 0;
        return true;
    });
}

void THintWindow::CreateParams(TCreateParams& params) const
{
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    params.ClassStyle = CS_SAVEBITS;
}

TCreateParams THintWindow::Params() const
{
    TCreateParams params;
    CreateParams(params);
    return params;
}

DWORD THintWindow::Style() const { return Params().Style; }

DWORD THintWindow::ExStyle() const { return Params().ExStyle; }

UINT THintWindow::ClassStyle() const { return Params().ClassStyle; }

RECT THintWindow::CalcHintRect(int maxWidth, const String& hint)
{
    RECT rect{0, 0, maxWidth, 0};
    TFontDC dc(Font());
    DrawTextA(dc.Get(), hint.c_str(), -1, &rect, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    // The border and a little room around the text (see Paint).
    rect.right += 6;
    rect.bottom += 4;
    return rect;
}

void THintWindow::ActivateHint(const RECT& rect, const String& hint)
{
    SetCaption(hint);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    SetBounds(rect.left, rect.top, width, height);
    const HWND window = Handle();
    SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, width, height, SWP_NOACTIVATE);
    SetVisible(true);  // shown without activation
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

void THintWindow::ReleaseHandle()
{
    SetVisible(false);
    if (HandleAllocated())
        DestroyWindow(Handle());
}

void THintWindow::PaintBackground(HDC dc)
{
    RECT client{};
    GetClientRect(Handle(), &client);
    const HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void THintWindow::Paint(HDC dc)
{
    PaintBackground(dc);
    RECT text{};
    GetClientRect(Handle(), &text);
    text.left += 2;
    text.top += 1;
    TCanvas canvas(dc);  // restores the DC's state afterwards
    TSelectFont font(dc, Font());
    canvas.SetFontColor(ColorToRGB(Font().Color()));
    DrawTextA(dc, Caption().c_str(), -1, &text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ---- TWindowTimer ----

void TWindowTimer::Start(unsigned milliseconds)
{
    running_ = SetTimer(window_, id_, milliseconds, nullptr) != 0;
}

void TWindowTimer::Stop()
{
    if (running_)
        KillTimer(window_, id_);
    running_ = false;
}

// ---- THintController ----

THintController::THintController(TApplication& application)
    : application_(application), showTimer_(application.Handle(), kShowTimerId),
      hideTimer_(application.Handle(), kHideTimerId)
{
}

THintController::~THintController() { Hide(); }

void THintController::SetWindowClass(THintWindowClass makeWindow)
{
    Hide();
    window_.reset();
    makeWindow_ = std::move(makeWindow);
}

void THintController::MouseMessage(TWinControl& host, TControl* graphic, UINT message)
{
    switch (message) {
    case WM_MOUSEMOVE:
        Hover(host, graphic ? *graphic : host);
        break;
    case WM_MOUSELEAVE:
        // A parent loses the mouse to its child window as well: only the
        // window the hinted control lives in matters.
        if (host_ == host.Handle()) {
            Hide();
            host_ = nullptr;
            control_ = nullptr;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Cancel();
        break;
    default:
        break;
    }
}

void THintController::Hover(TWinControl& host, TControl& control)
{
    if (host_ == host.Handle() && control_ == &control)
        return;  // still on the same control: its hint (or its wait) goes on
    Hide();
    host_ = host.Handle();
    control_ = &control;
    application_.SetHint(GetLongHint(control.Hint()));
    if (application_.ShowHint() && control.ShowHint() && !control.Hint().empty())
        showTimer_.Start(application_.HintPause());
}

void THintController::Cancel() { Hide(); }

void THintController::ShowNow()
{
    Hide();
    Show();
}

bool THintController::Timer(UINT_PTR id)
{
    // A WM_TIMER already queued when its timer was stopped is ignored.
    if (id == showTimer_.Id()) {
        if (showTimer_.Running()) {
            showTimer_.Stop();
            Show();
        }
        return true;
    }
    if (id == hideTimer_.Id()) {
        if (hideTimer_.Running())
            Hide();
        return true;
    }
    return false;
}

void THintController::ColorChanged()
{
    if (window_)
        window_->SetColor(application_.HintColor());
}

// The control the mouse is on, if it still exists: the window it was seen in
// is still ours and the control is that window's own object or one of its
// graphic controls.
TControl* THintController::HoveredControl() const
{
    TWinControl* host = TWinControl::FromHandle(host_);
    if (!host || !control_)
        return nullptr;
    if (control_ == host)
        return host;
    for (int i = 0; i < host->ControlCount(); ++i)
        if (host->Controls(i) == control_)
            return control_;
    return nullptr;
}

void THintController::Show()
{
    TControl* control = HoveredControl();
    if (!control || !application_.ShowHint() || !control->ShowHint() || control->Hint().empty())
        return;
    if (!window_)
        window_ = makeWindow_ ? makeWindow_() : std::make_unique<THintWindow>();
    if (!window_)
        return;
    window_->SetColor(application_.HintColor());
    const String hint = control->Hint();
    POINT pointer{};
    GetCursorPos(&pointer);
    window_->ActivateHint(PlaceBelowPointer(window_->CalcHintRect(kMaxHintWidth, hint), pointer), hint);
    if (application_.HintHidePause() > 0)
        hideTimer_.Start(application_.HintHidePause());
}

void THintController::Hide()
{
    showTimer_.Stop();
    hideTimer_.Stop();
    if (window_)
        window_->ReleaseHandle();
}
