// The main program's hint window: flat, with a one-pixel black frame,
// word-wrapped text and, from Windows XP on, a drop shadow. The main form
// installs it as the application's hint window class.
#pragma once

#include "classlib/hint_window.h"
#include "guard/common.h"

class TNewHint : public THintWindow {
public:
    // The system version rule decides the shadow; tests pass their own (the
    // default needs guard's Win32 part linked, as the main program has it).
    using TVersionRule = bool (*)();
    explicit TNewHint(TVersionRule isWindowsXPOrLater = IsWindowsXPOrLater)
        : isWindowsXPOrLater_(isWindowsXPOrLater)
    {
    }

    String ClassName() const override { return "TNewHint"; }
    RECT CalcHintRect(int maxWidth, const String& hint) override;

protected:
    void CreateParams(TCreateParams& params) const override;
    void Paint(HDC dc) override;

private:
    TVersionRule isWindowsXPOrLater_;
};
