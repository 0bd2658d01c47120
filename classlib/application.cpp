#include "classlib/application.h"

#include <algorithm>
#include <cstddef>

#include "classlib/controls.h"
#include "classlib/exceptions.h"
#include "classlib/hint_window.h"

namespace {

const char kClassName[] = "TalmorisApplication";

TFont SystemHintFont()
{
    // The size of the structure as XP knows it: later fields make XP refuse the call.
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof metrics.lfMessageFont;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) &&
        metrics.lfStatusFont.lfFaceName[0] != '\0' && metrics.lfStatusFont.lfHeight != 0) {
        const LOGFONTA& font = metrics.lfStatusFont;
        unsigned style = 0;
        if (font.lfWeight >= FW_BOLD)
            style |= fsBold;
        if (font.lfItalic)
            style |= fsItalic;
        return TFont(font.lfFaceName, font.lfHeight, style, clInfoText);
    }
    return TFont("Tahoma", -11, 0, clInfoText);
}

}  // namespace

TApplication::TApplication() : TComponent(nullptr), hintFont_(SystemHintFont()) {}

TApplication::~TApplication() = default;

TApplication& TApplication::Instance()
{
    static TApplication application;
    return application;
}

LRESULT CALLBACK TApplication::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedWindowProc(hwnd, message, [&]() -> LRESULT {
        TApplication& application = Instance();
        if (!application.hooks_.empty()) {
            TMessage m{message, wParam, lParam, 0};
            if (application.OfferToHooks(m))
                return m.Result;
        }
        if (message == WM_TIMER && application.hints_ && application.hints_->Timer(wParam))
            return 0;
        if (message == WM_CLOSE) {
            // Closing the application is closing its main form; the window
            // itself, owner of every form, is never destroyed by a close.
            if (auto* main = dynamic_cast<TWinControl*>(application.mainForm_); main && main->HandleAllocated())
                PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    });
}

void TApplication::ShowException(const std::exception& error) noexcept
{
    if (showingException_)
        return;  // the box already up tells that something went wrong
    showingException_ = true;
    try {
        if (OnException) {
            OnException(error);
        } else {
            String text = error.what();
            if (text.empty())
                text = "An unexpected error occurred";
            if (text.back() != '.')
                text += '.';
            const String title = Title();
            MessageBoxA(nullptr, text.c_str(), title.empty() ? nullptr : title.c_str(),
                        MB_OK | MB_ICONSTOP | MB_TASKMODAL);
        }
    } catch (...) {
        // Nothing more can be told: the box itself failed.
    }
    showingException_ = false;
}

void TApplication::HandleException() noexcept
{
    try {
        throw;
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(Exception("An unexpected error occurred"));
    }
}

void ShowWindowProcException(HWND window, UINT message) noexcept
{
    // A paint that failed must still count as done, or the system asks for
    // it again without end.
    if (message == WM_PAINT)
        ValidateRect(window, nullptr);
    TApplication::Instance().HandleException();
}

bool TApplication::OfferToHooks(TMessage& message)
{
    // A copy: hooks may add or remove hooks while they run.
    const auto hooks = hooks_;
    for (const auto& [id, hook] : hooks) {
        const bool stillHooked = std::any_of(hooks_.begin(), hooks_.end(),
                                             [id = id](const auto& entry) { return entry.first == id; });
        if (stillHooked && (*hook)(message))
            return true;
    }
    return false;
}

int TApplication::HookMainWindow(TWindowHook hook)
{
    hooks_.emplace_back(++lastHookId_, std::make_shared<TWindowHook>(std::move(hook)));
    return lastHookId_;
}

void TApplication::UnhookMainWindow(int id)
{
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [id](const auto& entry) { return entry.first == id; }),
                 hooks_.end());
}

void TApplication::Minimize()
{
    const HWND window = Handle();
    if (IsIconic(window))
        return;
    // The system's minimise command hides the owned windows too; a plain
    // SW_MINIMIZE leaves them on screen under Wine.
    ShowOwnedPopups(window, FALSE);
    ShowWindow(window, SW_MINIMIZE);
}

void TApplication::Restore()
{
    const HWND window = Handle();
    if (!IsIconic(window))
        return;
    ShowWindow(window, SW_RESTORE);
    ShowOwnedPopups(window, TRUE);  // only those Minimize hid
}

HWND TApplication::Handle()
{
    if (!handle_) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TApplication::WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        RegisterClassA(&wc);
        handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    }
    return handle_;
}

bool TApplication::HandleMessage(const MSG& msg)
{
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

bool TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!HandleMessage(msg))
            return false;
    return !terminated_;
}

void TApplication::Run()
{
    MSG msg;
    while (!terminated_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            terminated_ = true;
            break;
        }
        try {
            HandleMessage(msg);
        } catch (...) {
            HandleException();  // the loop goes on, as after any handled message
        }
    }
}

void TApplication::Terminate()
{
    terminated_ = true;
    PostQuitMessage(0);
}

String TApplication::Title() const
{
    if (!handle_)
        return "";
    char text[256] = {};
    GetWindowTextA(handle_, text, sizeof text);
    return text;
}

void TApplication::SetTitle(const String& title) { SetWindowTextA(Handle(), title.c_str()); }

THintController& TApplication::Hints()
{
    if (!hints_)
        hints_ = std::make_unique<THintController>(*this);
    return *hints_;
}

void TApplication::SetShowHint(bool show)
{
    showHint_ = show;
    if (!show && hints_)
        hints_->Cancel();
}

void TApplication::SetHintColor(TColor colour)
{
    hintColor_ = colour;
    if (hints_)
        hints_->ColorChanged();
}

void TApplication::SetHintWindowClass(std::function<std::unique_ptr<THintWindow>()> makeWindow)
{
    Hints().SetWindowClass(std::move(makeWindow));
}

THintWindow* TApplication::HintWindow() const { return hints_ ? hints_->Window() : nullptr; }

void TApplication::CancelHint()
{
    if (hints_)
        hints_->Cancel();
}

void TApplication::ActivateHint()
{
    if (hints_)
        hints_->ShowNow();
}

void TApplication::HintMouseMessage(TWinControl& host, TControl* graphic, UINT message)
{
    // Until the mouse has moved over a control there is nothing to put away;
    // a message performed on a control without a window is none of ours.
    if ((message == WM_MOUSEMOVE || hints_) && host.HandleAllocated())
        Hints().MouseMessage(host, graphic, message);
}

void TApplication::SetHint(const String& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    if (OnHint)
        OnHint();
}
