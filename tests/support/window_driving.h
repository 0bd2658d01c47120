// Driving other programs and windows from tests: a child process that the
// test ends when it outlives it, waiting for a window to show, real mouse
// clicks through the system's input queue, and a watchdog that closes a
// menu left open.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "classlib/win_handle.h"

namespace test_support {

// Dismisses the thread's menu when it is still open after `ms`: a menu
// waiting for input would otherwise hold the test forever.
class TMenuWatchdog {
public:
    explicit TMenuWatchdog(HWND menuOwner, DWORD ms = 10000)
        : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this, menuOwner, ms] {
              if (WaitForSingleObject(stop_.Get(), ms) != WAIT_TIMEOUT)
                  return;
              fired_ = true;
              do
                  PostMessageA(menuOwner, WM_KEYDOWN, VK_ESCAPE, 0);
              while (WaitForSingleObject(stop_.Get(), 100) == WAIT_TIMEOUT);
          })
    {
    }
    ~TMenuWatchdog()
    {
        SetEvent(stop_.Get());
        thread_.join();
    }
    TMenuWatchdog(const TMenuWatchdog&) = delete;
    TMenuWatchdog& operator=(const TMenuWatchdog&) = delete;
    bool Fired() const { return fired_; }

private:
    TUniqueHandle stop_;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};


class ChildProcess {
public:
    // Starts `program` with `commandLine` as its whole command line.
    ChildProcess(const std::string& program, const std::string& commandLine)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOW;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        PROCESS_INFORMATION info{};
        if (CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info)) {
            process_.Reset(info.hProcess);
            id_ = info.dwProcessId;
            CloseHandle(info.hThread);
        }
    }
    ~ChildProcess()
    {
        if (process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.Get(), 1);
            WaitForSingleObject(process_.Get(), 5000);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_.Valid(); }
    DWORD Id() const { return id_; }
    bool EndsWithin(DWORD ms) const { return WaitForSingleObject(process_.Get(), ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD code = 99;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }

private:
    TUniqueHandle process_;
    DWORD id_ = 0;
};

// The visible top-level window of that class (null: any) and caption, once
// shown. The bound is generous: the first window of a program in a fresh
// prefix can take over ten seconds on a loaded machine.
inline HWND WaitForWindow(const char* className, const char* caption, DWORD ms = 30000)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        HWND window = FindWindowA(className, caption);
        if (window && IsWindowVisible(window))
            return window;
        Sleep(20);
    }
    return nullptr;
}

// A real click at a point of `window`'s client area: the pointer moves
// there and the button (left unless `right`) goes down and up.
inline void ClickAt(HWND window, int x, int y, bool right = false)
{
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    Sleep(50);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(50);
    SendInput(1, &input[1], sizeof(INPUT));
    Sleep(100);
}

}  // namespace test_support
