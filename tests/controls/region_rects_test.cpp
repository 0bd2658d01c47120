#include "controls/region_rects.h"

#include <gtest/gtest.h>

namespace {

// A picture from text rows: '#' a black pixel, 'r' pure red, 'b' pure blue,
// anything else white. Stored top row first, 4 bytes per pixel (B, G, R, 0).
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bytes;
};

Picture FromRows(const std::vector<std::string>& rows)
{
    Picture p;
    p.height = static_cast<int>(rows.size());
    p.width = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    for (const std::string& row : rows)
        for (char c : row) {
            std::uint8_t b = 255, g = 255, r = 255;
            if (c == '#')
                b = g = r = 0;
            else if (c == 'r')
                b = g = 0, r = 255;
            else if (c == 'b')
                b = 255, g = r = 0;
            p.bytes.insert(p.bytes.end(), {b, g, r, 0});
        }
    return p;
}

std::vector<TRegionRect> Rects(const Picture& p, std::uint32_t key = 0, std::uint32_t tolerance = 0)
{
    return RegionRectsFromPixels(p.bytes.data(), p.width, p.height, static_cast<size_t>(p.width) * 4, false, key,
                                 tolerance);
}

}  // namespace

TEST(RegionRects, RunsOfVisiblePixelsPerRow)
{
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        std::vector<TRegionRect> expected;
    } cases[] = {
        {"no key pixel: one rectangle per row", {"....", "...."}, {{0, 0, 4, 1}, {0, 1, 4, 2}}},
        {"all key: nothing", {"###", "###"}, {}},
        {"a row of key pixels adds nothing", {"..", "##", ".."}, {{0, 0, 2, 1}, {0, 2, 2, 3}}},
        {"alternating pixels", {".#.#."}, {{0, 0, 1, 1}, {2, 0, 3, 1}, {4, 0, 5, 1}}},
        {"runs at both edges", {"##..#...##"}, {{2, 0, 4, 1}, {5, 0, 8, 1}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rects(FromRows(c.rows)), c.expected) << c.what;
}

TEST(RegionRects, KeyColoursCompareChannelByChannel)
{
    const Picture p = FromRows({"rb."});
    // Red is 0x000000FF as a colour value: the red pixel goes, the blue one stays.
    EXPECT_EQ(Rects(p, 0x000000FF), (std::vector<TRegionRect>{{1, 0, 3, 1}}));
    // Blue is 0x00FF0000.
    EXPECT_EQ(Rects(p, 0x00FF0000), (std::vector<TRegionRect>{{0, 0, 1, 1}, {2, 0, 3, 1}}));
    // A tolerance widens each channel on its own: near-black counts as black.
    Picture dark = FromRows({".."});
    dark.bytes[0] = 3, dark.bytes[1] = 2, dark.bytes[2] = 1;  // B 3, G 2, R 1
    EXPECT_EQ(Rects(dark, 0, 0x00030201), (std::vector<TRegionRect>{{1, 0, 2, 1}}));
    EXPECT_EQ(Rects(dark, 0, 0x00010203), (std::vector<TRegionRect>{{0, 0, 2, 1}}));  // blue 3 > 1
    // A tolerance past 255 is clipped, never wraps.
    EXPECT_EQ(Rects(FromRows({"."}), 0x00FFFFFF, 0x00FFFFFF), std::vector<TRegionRect>{});
}

TEST(RegionRects, BottomUpRowsAndWideStrides)
{
    // Rows stored bottom first, each followed by 8 bytes of padding.
    const Picture top = FromRows({".#"});
    const Picture bottom = FromRows({"#."});
    std::vector<std::uint8_t> bytes = bottom.bytes;
    bytes.insert(bytes.end(), 8, 0xAA);
    bytes.insert(bytes.end(), top.bytes.begin(), top.bytes.end());
    bytes.insert(bytes.end(), 8, 0xAA);
    EXPECT_EQ(RegionRectsFromPixels(bytes.data(), 2, 2, 16, true, 0, 0),
              (std::vector<TRegionRect>{{0, 0, 1, 1}, {1, 1, 2, 2}}));
    // Nonsense sizes give nothing.
    EXPECT_TRUE(RegionRectsFromPixels(bytes.data(), 2, 2, 4, true, 0, 0).empty());
    EXPECT_TRUE(RegionRectsFromPixels(nullptr, 2, 2, 16, true, 0, 0).empty());
    EXPECT_TRUE(RegionRectsFromPixels(bytes.data(), -1, 2, 16, true, 0, 0).empty());
}
