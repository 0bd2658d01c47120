// Skin helpers: window regions cut from a background picture.
#pragma once

#include <windows.h>

#include <cstdint>

// The region of `bitmap` without the pixels of `transparentColour` (within
// `tolerance`, both 0x00BBGGRR, channel by channel), or none when the
// bitmap can't be read. The caller owns the region (SetWindowRgn takes it).
HRGN CreateRegionFromBitmap(HBITMAP bitmap, std::uint32_t transparentColour, std::uint32_t tolerance);
