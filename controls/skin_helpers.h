// Skin helpers: picture buttons dressed from bitmap resources, and window
// regions cut from a background picture.
#pragma once

#include <windows.h>

#include <cstdint>

#include "classlib/sysutils.h"

class TThreeStateButton;

// Loads the shape bitmap `shapeResource`, then "BM_" + skin + "_I", "_D",
// "_O" and "_U" of the program's module into the button. A missing picture
// raises EResNotFound; the pictures set before it stay set.
void LoadSkinBitmaps(TThreeStateButton& button, const String& skin, const String& shapeResource,
                     HINSTANCE module = GetModuleHandleA(nullptr));

// The region of `bitmap` without the pixels of `transparentColour` (within
// `tolerance`, both 0x00BBGGRR, channel by channel), or none when the
// bitmap can't be read. The caller owns the region (SetWindowRgn takes it).
HRGN CreateRegionFromBitmap(HBITMAP bitmap, std::uint32_t transparentColour, std::uint32_t tolerance);
