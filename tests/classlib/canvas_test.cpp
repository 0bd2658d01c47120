#include "classlib/canvas.h"

#include <gtest/gtest.h>

#include "support/bitmap_fixture.h"

TEST(Canvas, FillsFramesLinesAndText)
{
    TBitmap target(40, 30);
    {
        TBitmapCanvas paint(target);
        TCanvas& c = paint.Canvas();
        c.SetBrush(RGB(0, 0, 200));
        c.FillRect(RECT{0, 0, 40, 30});
        c.SetBrush(RGB(200, 0, 0));
        c.FrameRect(RECT{5, 5, 15, 15});
        c.SetPen(RGB(0, 200, 0));
        c.MoveTo(20, 25);
        c.LineTo(39, 25);
        c.SetFont("Tahoma", 11);
        EXPECT_GT(c.TextWidth("Scan"), c.TextWidth("S"));
        EXPECT_GT(c.TextHeight(""), 5);
        c.SetFontColor(RGB(255, 255, 255));
        c.TextAt(22, 2, "W");
        c.SetBrushClear();
        c.FillRect(RECT{0, 0, 40, 30});  // a clear brush paints nothing
    }
    EXPECT_EQ(target.Pixel(1, 1), RGB(0, 0, 200));
    EXPECT_EQ(target.Pixel(5, 10), RGB(200, 0, 0));   // the frame
    EXPECT_EQ(target.Pixel(10, 10), RGB(0, 0, 200));  // inside it, untouched
    EXPECT_EQ(target.Pixel(30, 25), RGB(0, 200, 0));  // the line
    int written = 0;
    for (int y = 2; y < 16; ++y)
        for (int x = 22; x < 36; ++x)
            written += target.Pixel(x, y) != RGB(0, 0, 200);
    EXPECT_GT(written, 5) << "the text was drawn";
}

TEST(Canvas, StretchingKeepsKeyColoursExactAndTransparentCopiesLeaveThemOut)
{
    // White with a black grid: shrunk, no pixel may come out as a blend.
    TBitmap grid = test_support::SolidBitmap(16, 16, RGB(255, 255, 255));
    for (int i = 0; i < 16; i += 3)
        for (int k = 0; k < 16; ++k) {
            grid.SetPixel(i, k, RGB(0, 0, 0));
            grid.SetPixel(k, i, RGB(0, 0, 0));
        }
    TBitmap small(7, 7);
    {
        TBitmapCanvas paint(small);
        paint.Canvas().StretchDraw(RECT{0, 0, 7, 7}, grid);
    }
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            const COLORREF p = small.Pixel(x, y);
            EXPECT_TRUE(p == RGB(0, 0, 0) || p == RGB(255, 255, 255)) << x << "," << y << " " << std::hex << p;
        }

    TBitmap back = test_support::SolidBitmap(10, 10, RGB(0, 128, 0));
    TBitmap glyph = test_support::SolidBitmap(10, 10, RGB(255, 0, 255));
    glyph.SetPixel(4, 4, RGB(10, 20, 30));
    {
        TBitmapCanvas paint(back);
        paint.Canvas().TransparentDraw(0, 0, glyph, RGB(255, 0, 255));
    }
    EXPECT_EQ(back.Pixel(0, 0), RGB(0, 128, 0));
    EXPECT_EQ(back.Pixel(4, 4), RGB(10, 20, 30));
}
