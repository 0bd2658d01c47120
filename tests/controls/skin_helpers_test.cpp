#include "controls/skin_helpers.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A 24-bit DIB section, as skin pictures are loaded.
class TestBitmap {
public:
    TestBitmap(int width, int height, const std::function<COLORREF(int x, int y)>& colour) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down, unlike the region builder's copy
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const int stride = (width * 3 + 3) & ~3;
        auto* p = static_cast<std::uint8_t*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const COLORREF c = colour(x, y);
                std::uint8_t* px = p + y * stride + x * 3;
                px[0] = GetBValue(c), px[1] = GetGValue(c), px[2] = GetRValue(c);
            }
    }
    ~TestBitmap() { DeleteObject(bitmap_); }
    HBITMAP Get() const { return bitmap_; }

private:
    int width_, height_;
    HBITMAP bitmap_ = nullptr;
};

// Every pixel is inside the region exactly when it is not of the key colour.
void ExpectRegionMatches(HRGN region, int width, int height, const std::function<bool(int, int)>& transparent)
{
    ASSERT_NE(region, nullptr);
    for (int y = -1; y <= height; ++y)
        for (int x = -1; x <= width; ++x) {
            const bool outsidePicture = x < 0 || y < 0 || x >= width || y >= height;
            const bool expected = !outsidePicture && !transparent(x, y);
            ASSERT_EQ(PtInRegion(region, x, y) != 0, expected) << x << "," << y;
        }
}

}  // namespace

TEST(SkinHelpers, RegionsFollowThePictureToThePixel)
{
    struct Case {
        const char* what;
        int width, height;
        std::function<COLORREF(int, int)> colour;
        COLORREF key;
    } cases[] = {
        {"no key pixel", 30, 20, [](int, int) { return RGB(200, 10, 10); }, RGB(0, 0, 0)},
        {"an outline cut in black", 40, 30,
         [](int x, int y) { return (x < 3 || y < 2 || (x + y) % 17 == 0) ? RGB(0, 0, 0) : RGB(90, 120, 200); }, RGB(0, 0, 0)},
        {"a red key, blue kept", 20, 10, [](int x, int) { return x % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255); }, RGB(255, 0, 0)},
        {"more than 2,000 rectangles", 200, 60, [](int x, int y) { return (x + y) % 2 ? RGB(0, 0, 0) : RGB(1, 1, 1); }, RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestBitmap bitmap(c.width, c.height, c.colour);
        HRGN region = CreateRegionFromBitmap(bitmap.Get(), c.key, 0);
        ExpectRegionMatches(region, c.width, c.height, [&](int x, int y) { return c.colour(x, y) == c.key; });
        DeleteObject(region);
    }
}

TEST(SkinHelpers, AllKeyGivesAnEmptyRegionAndNoBitmapNone)
{
    TestBitmap black(10, 10, [](int, int) { return RGB(0, 0, 0); });
    HRGN region = CreateRegionFromBitmap(black.Get(), 0, 0);
    ASSERT_NE(region, nullptr);
    RECT box{};
    EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
    DeleteObject(region);
    EXPECT_EQ(CreateRegionFromBitmap(nullptr, 0, 0), nullptr);
}
