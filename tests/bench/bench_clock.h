// What the Windows benchmarks share: a fine clock, a GUI thread that sleeps
// while it waits and handles what is sent or posted to it, a message-only
// window standing in for the main form, and the process's CPU time.
#pragma once

#include <windows.h>

#include <functional>

namespace bench {

inline double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Handles messages until `done` (when given) holds, `handle` (when given) is
// signalled or the time is up, looking at `done` about every millisecond.
// The thread sleeps in between, as a GUI thread does.
inline bool PumpUntil(const std::function<bool()>& done, double seconds, HANDLE handle = nullptr)
{
    const double end = Now() + seconds;
    for (;;) {
        if (done && done())
            return true;
        const double left = end - Now();
        if (left <= 0)
            return handle && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        const DWORD step = done ? 1 : static_cast<DWORD>(left * 1000) + 1;
        const DWORD rc = MsgWaitForMultipleObjectsEx(handle ? 1 : 0, handle ? &handle : nullptr, step, QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
        if (handle && rc == WAIT_OBJECT_0)
            return true;
        Pump();
    }
}

inline bool PumpUntilSignalled(HANDLE handle, double seconds) { return PumpUntil(nullptr, seconds, handle); }
inline void PumpFor(double seconds) { PumpUntil(nullptr, seconds); }

// A message-only window of its own class with `proc`.
inline HWND MakeMainWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

inline double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// Percent of one core this process used while its GUI thread idled.
inline double IdlePercent(double seconds)
{
    const double before = ProcessCpuSeconds();
    const double start = Now();
    PumpFor(seconds);
    return 100 * (ProcessCpuSeconds() - before) / (Now() - start);
}

}  // namespace bench
