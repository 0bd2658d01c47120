// The tab bar's drawing geometry: gradient bands, the three slices of a
// picture skin (also for tabs shorter than the skin), the dotNet outlines,
// the base line and the close buttons.
#include "controls/adv_tab_set_painting.h"

#include <gtest/gtest.h>

TEST(AdvTabSetPainting, GradientBandsCoverTheAreaInSixteenSteps)
{
    // 19 pixels high: bands 1.1875 apart, each 1 + 1 thick so none leaves a gap.
    const auto bands = GradientBands({0, 0, 100, 19}, 0x000000, 0xF0F0F0, 16, true);
    ASSERT_EQ(bands.size(), 16u);
    const struct {
        int band, top, bottom;
        std::uint32_t colour;
    } expected[] = {
        {0, 0, 2, 0x000000}, {1, 1, 3, 0x0F0F0F}, {2, 2, 4, 0x1E1E1E}, {3, 4, 6, 0x2D2D2D}, {15, 18, 20, 0xE1E1E1},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.band);
        EXPECT_EQ(bands[e.band].rect, (TTabRect{0, e.top, 100, e.bottom}));
        EXPECT_EQ(bands[e.band].colour, e.colour);
    }
    for (size_t i = 1; i < bands.size(); ++i)
        EXPECT_LE(bands[i].rect.top, bands[i - 1].rect.bottom) << "no gap above band " << i;

    // Channels move on their own, down as well as up; horizontal bands run across.
    const auto across = GradientBands({10, 0, 42, 8}, 0x0000FF, 0xFF0000, 16, false);
    EXPECT_EQ(across[0].colour, 0x0000FFu);
    EXPECT_EQ(across[8].colour, 0x80007Fu) << "halves round away from zero";
    EXPECT_EQ(across[8].rect, (TTabRect{26, 0, 29, 8}));

    // No steps count as one band over everything.
    const auto one = GradientBands({0, 0, 10, 10}, 0x123456, 0, 0, true);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].rect, (TTabRect{0, 0, 10, 11}));
    EXPECT_EQ(one[0].colour, 0x123456u);
}

TEST(AdvTabSetPainting, SkinsStretchOnlyTheirMiddleAndAreCutWhenTooLong)
{
    using S = std::vector<TSkinSlice>;
    const struct {
        const char* name;
        int width, height, x, y, total;
        bool vertical;
        S slices;
    } cases[] = {
        {"longer tab, odd skin", 47, 22, 10, 0, 100, false,
         S{{{0, 0, 23, 22}, {10, 0, 33, 22}}, {{22, 0, 24, 22}, {33, 0, 86, 22}}, {{24, 0, 47, 22}, {86, 0, 109, 22}}}},
        {"longer tab, even skin", 40, 20, 0, 5, 50, false,
         S{{{0, 0, 20, 20}, {0, 5, 20, 25}}, {{19, 0, 21, 20}, {20, 5, 30, 25}}, {{20, 0, 40, 20}, {30, 5, 50, 25}}}},
        {"as long as the skin", 40, 20, 0, 0, 40, false,
         S{{{0, 0, 20, 20}, {0, 0, 20, 20}}, {{20, 0, 40, 20}, {20, 0, 40, 20}}}},
        {"shorter tab: both ends cut", 47, 22, 10, 0, 30, false,
         S{{{0, 0, 15, 22}, {10, 0, 25, 22}}, {{32, 0, 47, 22}, {25, 0, 40, 22}}}},
        {"one pixel", 47, 22, 0, 0, 1, false, S{{{0, 0, 1, 22}, {0, 0, 1, 22}}}},
        {"left or right tabs run down", 22, 47, 0, 10, 30, true,
         S{{{0, 0, 22, 15}, {0, 10, 22, 25}}, {{0, 32, 22, 47}, {0, 25, 22, 40}}}},
        {"nothing to draw", 47, 22, 0, 0, 0, false, S{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const S slices = ThreeSlices(c.width, c.height, c.x, c.y, c.total, c.vertical);
        ASSERT_EQ(slices.size(), c.slices.size());
        for (size_t i = 0; i < slices.size(); ++i) {
            EXPECT_EQ(slices[i].source, c.slices[i].source) << "slice " << i;
            EXPECT_EQ(slices[i].target, c.slices[i].target) << "slice " << i;
            EXPECT_GE(slices[i].source.left, 0);
            EXPECT_LE(slices[i].source.right, c.width);
            EXPECT_GT(slices[i].target.Width(), 0) << "never mirrored";
        }
    }
}

TEST(AdvTabSetPainting, DotNetOutlinesAndBaseLines)
{
    const TTabRect r{9, 0, 69, 20};
    using L = TTabLine;
    const struct {
        const char* name;
        TAdvTabPosition position;
        bool selected, last, nextSelected;
        std::vector<std::pair<bool, L>> strokes;
    } cases[] = {
        {"top, selected", TAdvTabPosition::pTop, true, false, false, {{false, L{{9, 20}, {9, 0}, {67, 0}, {67, 21}}}}},
        {"top, selected last", TAdvTabPosition::pTop, true, true, false, {{false, L{{9, 20}, {9, 0}, {68, 0}, {68, 21}}}}},
        {"top, plain", TAdvTabPosition::pTop, false, false, false,
         {{false, L{{9, 20}, {69, 20}}}, {true, L{{67, 17}, {67, 2}}}, {true, L{{66, 17}, {66, 2}}}}},
        {"top, before the selected", TAdvTabPosition::pTop, false, false, true, {{false, L{{9, 20}, {69, 20}}}}},
        {"bottom, selected", TAdvTabPosition::pBottom, true, false, false,
         {{false, L{{9, 0}, {9, 20}, {67, 20}, {67, -1}}}}},
        {"left, selected", TAdvTabPosition::pLeft, true, false, false, {{false, L{{69, 0}, {9, 0}, {9, 18}, {69, 18}}}}},
        {"right, plain", TAdvTabPosition::pRight, false, false, false,
         {{false, L{{9, 0}, {9, 20}}}, {true, L{{66, 18}, {11, 18}}}, {true, L{{66, 17}, {11, 17}}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto strokes = DotNetOutline(c.position, r, c.selected, c.last, c.nextSelected);
        ASSERT_EQ(strokes.size(), c.strokes.size());
        for (size_t i = 0; i < strokes.size(); ++i) {
            EXPECT_EQ(strokes[i].separator, c.strokes[i].first);
            EXPECT_EQ(strokes[i].points, c.strokes[i].second);
        }
    }

    const TTabRect last{137, 0, 217, 19};
    EXPECT_EQ(BaseLine(TAdvTabPosition::pTop, TAdvTabStyle::tsClassic, last, 553, 21, 9, 217),
              (std::vector<L>{{{0, 18}, {553, 18}}}));
    EXPECT_EQ(BaseLine(TAdvTabPosition::pTop, TAdvTabStyle::tsDotNet, last, 553, 21, 9, 217),
              (std::vector<L>{{{0, 19}, {9, 19}}, {{217, 19}, {553, 19}}}));
    EXPECT_EQ(BaseLine(TAdvTabPosition::pLeft, TAdvTabStyle::tsClassic, TTabRect{0, 9, 20, 69}, 24, 200, 9, 69),
              (std::vector<L>{{{19, 0}, {19, 200}}}));
}

TEST(AdvTabSetPainting, CloseButtons)
{
    // In a top tab: the margins, plus the selected tab's lowering.
    const TCloseButtonShape top = TabCloseButton(TAdvTabPosition::pTop, {9, 0, 79, 20}, 2, 2, 2, 0);
    EXPECT_EQ(top.box, (TTabRect{13, 6, 25, 17}));
    EXPECT_EQ(top.cross[0], (TTabLine{{16, 13}, {22, 8}}));
    const TCloseButtonShape left = TabCloseButton(TAdvTabPosition::pLeft, {0, 9, 20, 79}, 2, 2, 0, 10);
    EXPECT_EQ(left.box, (TTabRect{4, 74, 16, 85}));

    // The bar's own: a thick cross has two more strokes.
    EXPECT_EQ(TabSetCloseFrame(true, 200, 21), (TTabRect{185, 3, 198, 16}));
    EXPECT_EQ(TabSetCross(true, 200, 21, false).size(), 4u);
    const auto thick = TabSetCross(true, 200, 21, true);
    ASSERT_EQ(thick.size(), 6u);
    EXPECT_EQ(thick[0], (TTabLine{{188, 11}, {194, 5}}));
    const TSunkenFrame pressed = TabSetPressedFrame(true, 200, 21);
    EXPECT_EQ(pressed.dark, (TTabLine{{185, 14}, {185, 3}, {197, 3}}));
    EXPECT_EQ(pressed.light, (TTabLine{{185, 15}, {197, 15}, {197, 3}}));

    EXPECT_TRUE(PatternPixelIsWhite(2, 4, true));
    EXPECT_FALSE(PatternPixelIsWhite(1, 4, true));
    EXPECT_FALSE(PatternPixelIsWhite(2, 4, false));
}
