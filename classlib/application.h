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

    // Closing the main form ends the application.
    TComponent* MainForm() const { return mainForm_; }
    void SetMainForm(TComponent* form) { mainForm_ = form; }
    // The application window's text: what the task list calls the program.
    String Title() const;
    void SetTitle(const String& title);

private:
    TApplication() : TComponent(nullptr) {}
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleMessage(const MSG& msg);

    HWND handle_ = nullptr;
    bool terminated_ = false;
    TComponent* mainForm_ = nullptr;
};
