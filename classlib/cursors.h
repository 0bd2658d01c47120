// Mouse cursors by the class library's numbers: the system's shapes have
// negative numbers, a program registers its own under positive ones.
#pragma once

#include <windows.h>

using TCursor = int;

constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The program's own cursor `id` (> 0) from now on; the caller keeps `cursor` alive.
void RegisterCursor(TCursor id, HCURSOR cursor);
// The cursor shown for `id`: a registered one, a system shape, or the arrow.
HCURSOR CursorHandle(TCursor id);
