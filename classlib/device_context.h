// A window's device context and a solid brush for the life of a scope.
#pragma once

#include <windows.h>

#include "classlib/font.h"  // TColor, ColorToRGB

class TWindowDC {
public:
    enum TArea { daClient, daWholeWindow };
    // The client area (GetDC; a null window is the screen), or the whole
    // window with its frame (GetWindowDC).
    explicit TWindowDC(HWND window, TArea area = daClient)
        : window_(window), dc_(area == daWholeWindow ? GetWindowDC(window) : GetDC(window))
    {
    }
    ~TWindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class TSolidBrush {
public:
    explicit TSolidBrush(TColor colour) : brush_(CreateSolidBrush(ColorToRGB(colour))) {}
    ~TSolidBrush()
    {
        if (brush_)
            DeleteObject(brush_);
    }
    TSolidBrush(const TSolidBrush&) = delete;
    TSolidBrush& operator=(const TSolidBrush&) = delete;
    HBRUSH Get() const { return brush_; }

private:
    HBRUSH brush_;
};
