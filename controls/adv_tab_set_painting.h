// The tab bar's drawing geometry, free of Win32: gradient bands, the three
// slices of a picture skin, the outlines of the two styles, the base line,
// the close buttons and the background pattern. Lines are point lists drawn
// from point to point, each segment stopping short of its end point.
#pragma once

#include <cstdint>
#include <vector>

#include "controls/adv_tab_set_model.h"

struct TTabPoint {
    int x = 0, y = 0;
    bool operator==(const TTabPoint&) const = default;
};

using TTabLine = std::vector<TTabPoint>;

// One band of a gradient: a rectangle filled and outlined in `colour`
// (0x00BBGGRR). Bands overlap by a pixel so no gap shows.
struct TGradientBand {
    TTabRect rect;
    std::uint32_t colour = 0;
};
// `steps` bands from `from` to `to` over `area`; 0 steps count as 1.
std::vector<TGradientBand> GradientBands(const TTabRect& area, std::uint32_t from, std::uint32_t to, int steps,
                                         bool vertical);

// One part of a skin copied (and stretched to `target`'s size) with the
// skin's bottom-left pixel colour left out.
struct TSkinSlice {
    TTabRect source;
    TTabRect target;
};
// A skin of `skinWidth` x `skinHeight` drawn at (x, y) `total` long along the
// run (horizontally, or vertically for left and right tabs): both ends as
// they are and the middle two columns (rows) stretched between them. A tab
// shorter than the skin gets the skin's two ends cut to fit, nothing mirrored.
std::vector<TSkinSlice> ThreeSlices(int skinWidth, int skinHeight, int x, int y, int total, bool vertical);

// The dotNet outline of one tab's body `r`; `separator` lines are drawn in
// the selected colour, the others in the border colour.
struct TOutlineStroke {
    bool separator = false;
    TTabLine points;
};
std::vector<TOutlineStroke> DotNetOutline(TAdvTabPosition position, const TTabRect& r, bool selected, bool last,
                                          bool nextSelected);

// The base line under (beside) the tabs, from the body `r` of the last tab
// drawn; for dotNet only outside the tabs, which run from `firstStart` to
// `lastEnd` along the bar.
std::vector<TTabLine> BaseLine(TAdvTabPosition position, TAdvTabStyle style, const TTabRect& r, int clientWidth,
                               int clientHeight, int firstStart, int lastEnd);

// A close button: its box and the four strokes of its cross.
struct TCloseButtonShape {
    TTabRect box;
    TTabLine cross[4];
};
// The close button inside a tab whose text rectangle is `text` before the
// margins; `lower` is how far the selected tab's content moves, and
// `bottomShift` what left tabs add at the bottom.
TCloseButtonShape TabCloseButton(TAdvTabPosition position, const TTabRect& text, int leftMargin, int topMargin,
                                 int lower, int bottomShift);

// The bar's own close button: its erasing frame, its cross (thick or thin)
// and the sunken frame of a press (dark strokes, then light strokes).
TTabRect TabSetCloseFrame(bool horizontal, int clientWidth, int clientHeight);
std::vector<TTabLine> TabSetCross(bool horizontal, int clientWidth, int clientHeight, bool thick);
struct TSunkenFrame {
    TTabLine dark, light;
};
TSunkenFrame TabSetPressedFrame(bool horizontal, int clientWidth, int clientHeight);

// The 8 x 8 background pattern: the background colour, with white where
// x and y have the same parity when dithered.
bool PatternPixelIsWhite(int x, int y, bool dither);
