// The application object: a hidden top-level window that owns the program's
// forms in the task bar's eyes, and the message loop.
#pragma once

#include <windows.h>

#include "classlib/component.h"

class TApplication : public TComponent {
public:
    static TApplication& Instance();

    HWND Handle();  // made on first use
    // Runs the message loop until WM_QUIT or Terminate.
    void Run();
    // Handles every message waiting now; false once WM_QUIT was seen.
    bool ProcessMessages();
    void Terminate();
    bool Terminated() const { return terminated_; }

private:
    TApplication() : TComponent(nullptr) {}
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleMessage(const MSG& msg);

    HWND handle_ = nullptr;
    bool terminated_ = false;
};
