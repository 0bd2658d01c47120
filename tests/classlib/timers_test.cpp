#include "classlib/timers.h"

#include <gtest/gtest.h>

namespace {

void PumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

}  // namespace

TEST(Timer, TicksWhileEnabledAndStops)
{
    TComponent owner(nullptr);
    TTimer& timer = owner.Own<TTimer>();
    int ticks = 0;
    timer.OnTimer = [&](TTimer&) { ++ticks; };
    timer.SetInterval(20);
    PumpFor(300);
    EXPECT_GE(ticks, 3);
    timer.SetEnabled(false);
    const int stopped = ticks;
    PumpFor(150);
    EXPECT_EQ(ticks, stopped);
    timer.SetEnabled(true);
    timer.SetInterval(0);  // no interval: no ticks
    PumpFor(150);
    EXPECT_EQ(ticks, stopped);
}
