#include "classlib/forms.h"

#include <vector>

#include "classlib/application.h"

namespace {

// The enabled top-level windows of this thread but `except`, disabled for a
// modal form and enabled again afterwards.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND except) : except_(except)
    {
        EnumThreadWindows(GetCurrentThreadId(), &TDisabledWindows::Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : windows_)
            EnableWindow(window, FALSE);
    }
    ~TDisabledWindows()
    {
        for (HWND window : windows_)
            if (IsWindow(window))
                EnableWindow(window, TRUE);
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self)
    {
        auto* me = reinterpret_cast<TDisabledWindows*>(self);
        try {
            if (window != me->except_ && IsWindowVisible(window) && IsWindowEnabled(window))
                me->windows_.push_back(window);
            return TRUE;
        } catch (...) {
            return FALSE;  // nothing may unwind through the system's enumeration
        }
    }
    HWND except_;
    std::vector<HWND> windows_;
};

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    SetVisible(false);
    SetMessageHandler(WM_CLOSE, [this](TMessage& m) {
        Close();
        m.Result = 0;
        return true;
    });
    SetMessageHandler(WM_SHOWWINDOW, [this](TMessage& m) {
        if (m.WParam && OnShow)
            OnShow(*this);
        return false;
    });
}

void TForm::Show()
{
    SetVisible(true);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

void TForm::Hide()
{
    SetVisible(false);
    if (HandleAllocated())
        ShowWindow(Handle(), SW_HIDE);
}

void TForm::SetModalResult(int result)
{
    modalResult_ = result;
    if (modal_ && HandleAllocated())
        PostMessageA(Handle(), WM_NULL, 0, 0);  // wake the modal loop
}

void TForm::Close()
{
    TCloseAction action = TCloseAction::caHide;
    if (OnClose)
        OnClose(*this, action);
    if (action == TCloseAction::caNone)
        return;
    if (modal_)
        SetModalResult(mrCancel);
    else
        Hide();
    if (TApplication::Instance().MainForm() == this)
        TApplication::Instance().Terminate();
}

void TForm::SetStayOnTop(bool stayOnTop)
{
    stayOnTop_ = stayOnTop;
    if (HandleAllocated())
        SetWindowPos(Handle(), stayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int TForm::ShowModal()
{
    modalResult_ = mrNone;
    const HWND window = Handle();
    TDisabledWindows others(window);
    modal_ = true;
    Show();
    MSG msg;
    while (modalResult_ == mrNone) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop above us
            modalResult_ = mrCancel;
            break;
        }
        if (got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (!IsWindow(window)) {
            modalResult_ = mrCancel;  // destroyed under us (with its owner, say): nothing left to answer
            break;
        }
    }
    modal_ = false;
    Hide();
    return modalResult_;
}

void TForm::CenterOnScreen()
{
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetBounds(work.left + (work.right - work.left - Width()) / 2, work.top + (work.bottom - work.top - Height()) / 2,
              Width(), Height());
}

void TForm::CenterOn(const TWinControl& other)
{
    SetBounds(other.Left() + (other.Width() - Width()) / 2, other.Top() + (other.Height() - Height()) / 2, Width(),
              Height());
}
