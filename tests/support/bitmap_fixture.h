// Pictures made in code for the tests of the skinned controls.
#pragma once

#include "classlib/graphics.h"

namespace test_support {

inline TBitmap SolidBitmap(int width, int height, COLORREF colour)
{
    TBitmap bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, colour);
    return bitmap;
}

}  // namespace test_support
