#include "classlib/image_list.h"

#include <gtest/gtest.h>

#include "support/bitmap_fixture.h"

TEST(ImageList, PicturesOfOneSizeDrawnByIndex)
{
    TImageList icons(4, 4);
    EXPECT_EQ(icons.Add(test_support::SolidBitmap(5, 4, RGB(1, 1, 1))), -1);  // another size
    TBitmap strip = test_support::SolidBitmap(12, 4, RGB(255, 0, 255));
    for (int frame = 0; frame < 3; ++frame)
        strip.SetPixel(frame * 4 + 1, 1, RGB(frame * 100, 50, 50));
    EXPECT_EQ(icons.AddStrip(strip), 0);
    EXPECT_EQ(icons.Count(), 3);
    EXPECT_EQ(icons.AddStrip(test_support::SolidBitmap(10, 4, RGB(0, 0, 0))), -1);  // not whole frames

    TBitmap target = test_support::SolidBitmap(8, 8, RGB(0, 0, 250));
    {
        TBitmapDC dc(target);
        icons.Draw(dc.Get(), 2, 2, 2);
        icons.Draw(dc.Get(), 0, 0, 9);  // nothing
    }
    EXPECT_EQ(target.Pixel(3, 3), RGB(200, 50, 50));  // frame 2's pixel
    EXPECT_EQ(target.Pixel(2, 2), RGB(0, 0, 250));    // its transparent colour left out
    EXPECT_EQ(target.Pixel(0, 0), RGB(0, 0, 250));
}
