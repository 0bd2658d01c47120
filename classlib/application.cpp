#include "classlib/application.h"

namespace {
const char kClassName[] = "TalmorisApplication";
}

TApplication& TApplication::Instance()
{
    static TApplication application;
    return application;
}

LRESULT CALLBACK TApplication::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
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
        HandleMessage(msg);
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
