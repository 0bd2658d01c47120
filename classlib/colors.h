// Colours as the class library stores them: 0x00BBGGRR, or a system colour
// (0x80000000 | the system's colour index), or clNone. Portable, so that
// control models and stored properties can use them without <windows.h>.
#pragma once

#include <cstdint>

using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index)); }
constexpr bool IsSystemColor(TColor colour) { return (static_cast<std::uint32_t>(colour) & 0xFF000000u) == 0x80000000u; }
constexpr TColor RGBColor(int red, int green, int blue) { return red | (green << 8) | (blue << 16); }

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;

// System colours (the indexes are the system's COLOR_* values).
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
