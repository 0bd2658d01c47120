// A timer component: OnTimer every Interval milliseconds while Enabled, on
// the thread that made it (through its message loop).
#pragma once

#include <windows.h>

#include <functional>

#include "classlib/component.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    String ClassName() const override { return "TTimer"; }

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void(TTimer&)> OnTimer;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Update();

    HWND window_ = nullptr;
    unsigned interval_ = 1000;
    bool enabled_ = true;
};
