#include "controls/adv_tab_set_painting.h"

#include <algorithm>
#include <cmath>

namespace {

int Channel(std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

}  // namespace

std::vector<TGradientBand> GradientBands(const TTabRect& area, std::uint32_t from, std::uint32_t to, int steps,
                                         bool vertical)
{
    const int n = steps <= 0 ? 1 : steps;
    double delta[3];
    for (int c = 0; c < 3; ++c)
        delta[c] = static_cast<double>(Channel(to, c * 8) - Channel(from, c * 8)) / n;
    const double bandSize = static_cast<double>(vertical ? area.Height() : area.Width()) / n;
    const int thickness = static_cast<int>(std::lround(bandSize));

    std::vector<TGradientBand> bands;
    bands.reserve(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        std::uint32_t colour = 0;
        for (int c = 0; c < 3; ++c) {
            const long value = Channel(from, c * 8) + std::lround(k * delta[c]);
            colour |= static_cast<std::uint32_t>(std::clamp(value, 0L, 255L)) << (c * 8);
        }
        const int offset = static_cast<int>(std::lround(k * bandSize));
        TGradientBand band{area, colour};
        if (vertical) {
            band.rect.top = area.top + offset;
            band.rect.bottom = area.top + offset + thickness + 1;
        } else {
            band.rect.left = area.left + offset;
            band.rect.right = area.left + offset + thickness + 1;
        }
        bands.push_back(band);
    }
    return bands;
}

std::vector<TSkinSlice> ThreeSlices(int skinWidth, int skinHeight, int x, int y, int total, bool vertical)
{
    // Worked along the run as "length" and across it as "depth", then turned.
    const int length = vertical ? skinHeight : skinWidth;
    const int depth = vertical ? skinWidth : skinHeight;
    if (length <= 0 || depth <= 0 || total <= 0)
        return {};
    const int half = length / 2;
    const int odd = length % 2;

    struct Span {
        int sourceStart, sourceLength, targetStart, targetLength;
    };
    std::vector<Span> spans;
    if (total >= length) {
        spans.push_back({0, half, 0, half});
        if (total > length)
            spans.push_back({half - 1, 2, half, total - length});
        spans.push_back({half + odd, half, half + (total - length), half});
    } else {
        // Too short for the skin: both ends, cut where they meet.
        const int head = std::min(half, (total + 1) / 2);
        const int tail = total - head;
        spans.push_back({0, head, 0, head});
        if (tail > 0)
            spans.push_back({length - tail, tail, head, tail});
    }

    std::vector<TSkinSlice> slices;
    for (const Span& s : spans) {
        if (s.sourceLength <= 0 || s.targetLength <= 0)
            continue;
        TSkinSlice slice;
        if (vertical) {
            slice.source = {0, s.sourceStart, depth, s.sourceStart + s.sourceLength};
            slice.target = {x, y + s.targetStart, x + depth, y + s.targetStart + s.targetLength};
        } else {
            slice.source = {s.sourceStart, 0, s.sourceStart + s.sourceLength, depth};
            slice.target = {x + s.targetStart, y, x + s.targetStart + s.targetLength, y + depth};
        }
        slices.push_back(slice);
    }
    return slices;
}

std::vector<TOutlineStroke> DotNetOutline(TAdvTabPosition position, const TTabRect& r, bool selected, bool last,
                                          bool nextSelected)
{
    std::vector<TOutlineStroke> strokes;
    switch (position) {
    case TAdvTabPosition::pTop:
    case TAdvTabPosition::pBottom: {
        const bool top = position == TAdvTabPosition::pTop;
        if (selected) {
            const int x = last ? r.right - 1 : r.right - 2;
            if (top)
                strokes.push_back({false, {{r.left, r.bottom}, {r.left, r.top}, {x, r.top}, {x, r.bottom + 1}}});
            else
                strokes.push_back({false, {{r.left, r.top}, {r.left, r.bottom}, {x, r.bottom}, {x, r.top - 1}}});
            break;
        }
        const int edge = top ? r.bottom : r.top;
        strokes.push_back({false, {{r.left, edge}, {r.right, edge}}});
        if (!nextSelected) {
            strokes.push_back({true, {{r.right - 2, r.bottom - 3}, {r.right - 2, r.top + 2}}});
            strokes.push_back({true, {{r.right - 3, r.bottom - 3}, {r.right - 3, r.top + 2}}});
        }
        break;
    }
    case TAdvTabPosition::pLeft:
    case TAdvTabPosition::pRight: {
        const bool left = position == TAdvTabPosition::pLeft;
        if (selected) {
            const int y = last ? r.bottom : r.bottom - 2;
            if (left)
                strokes.push_back({false, {{r.right, r.top}, {r.left, r.top}, {r.left, y}, {r.right, y}}});
            else
                strokes.push_back({false, {{r.left, r.top}, {r.right, r.top}, {r.right, y}, {r.left, y}}});
            break;
        }
        const int edge = left ? r.right : r.left;
        strokes.push_back({false, {{edge, r.top}, {edge, r.bottom}}});
        if (!nextSelected) {
            strokes.push_back({true, {{r.right - 3, r.bottom - 2}, {r.left + 2, r.bottom - 2}}});
            strokes.push_back({true, {{r.right - 3, r.bottom - 3}, {r.left + 2, r.bottom - 3}}});
        }
        break;
    }
    }
    return strokes;
}

std::vector<TTabLine> BaseLine(TAdvTabPosition position, TAdvTabStyle style, const TTabRect& r, int clientWidth,
                               int clientHeight, int firstStart, int lastEnd)
{
    const bool classic = style == TAdvTabStyle::tsClassic;
    const int inset = classic ? 1 : 0;
    switch (position) {
    case TAdvTabPosition::pTop:
    case TAdvTabPosition::pBottom: {
        const int y = position == TAdvTabPosition::pTop ? r.bottom - inset : r.top;
        if (classic)
            return {{{0, y}, {clientWidth, y}}};
        return {{{0, y}, {firstStart, y}}, {{lastEnd, y}, {clientWidth, y}}};
    }
    case TAdvTabPosition::pLeft:
    case TAdvTabPosition::pRight: {
        const int x = position == TAdvTabPosition::pLeft ? r.right - inset : r.left;
        if (classic)
            return {{{x, 0}, {x, clientHeight}}};
        return {{{x, 0}, {x, firstStart}}, {{x, lastEnd}, {x, clientHeight}}};
    }
    }
    return {};
}

TCloseButtonShape TabCloseButton(TAdvTabPosition position, const TTabRect& text, int leftMargin, int topMargin,
                                 int lower, int bottomShift)
{
    TCloseButtonShape shape;
    if (position == TAdvTabPosition::pLeft) {
        const int x = text.left + leftMargin + lower;
        const int b = text.bottom - topMargin + bottomShift;
        shape.box = {x + 2, b - 13, x + 14, b - 2};
        shape.cross[0] = {{x + 5, b - 10}, {x + 11, b - 5}};
        shape.cross[1] = {{x + 6, b - 10}, {x + 10, b - 5}};
        shape.cross[2] = {{x + 5, b - 6}, {x + 11, b - 11}};
        shape.cross[3] = {{x + 6, b - 6}, {x + 10, b - 11}};
        return shape;
    }
    int x = text.left + leftMargin;
    int y = text.top + topMargin;
    if (position == TAdvTabPosition::pRight)
        x += 2 - lower;
    else
        y += lower;
    shape.box = {x + 2, y + 2, x + 14, y + 13};
    shape.cross[0] = {{x + 5, y + 9}, {x + 11, y + 4}};
    shape.cross[1] = {{x + 6, y + 9}, {x + 10, y + 4}};
    shape.cross[2] = {{x + 5, y + 5}, {x + 11, y + 10}};
    shape.cross[3] = {{x + 6, y + 5}, {x + 10, y + 10}};
    return shape;
}

TTabRect TabSetCloseFrame(bool horizontal, int clientWidth, int clientHeight)
{
    return horizontal ? TTabRect{clientWidth - 15, 3, clientWidth - 2, 16}
                      : TTabRect{3, clientHeight - 13, 16, clientHeight};
}

std::vector<TTabLine> TabSetCross(bool horizontal, int clientWidth, int clientHeight, bool thick)
{
    const TTabRect area = horizontal ? TTabRect{clientWidth - 14, 1, clientWidth, 15}
                                     : TTabRect{4, clientHeight - 11, 15, clientHeight - 1};
    const int l = area.left;
    const int b = area.bottom;
    std::vector<TTabLine> lines{{{l + 2, b - 4}, {l + 8, b - 10}}};
    if (thick)
        lines.push_back({{l + 2, b - 3}, {l + 9, b - 10}});
    lines.push_back({{l + 3, b - 3}, {l + 9, b - 9}});
    lines.push_back({{l + 2, b - 8}, {l + 8, b - 2}});
    if (thick)
        lines.push_back({{l + 2, b - 9}, {l + 9, b - 2}});
    lines.push_back({{l + 3, b - 9}, {l + 9, b - 3}});
    return lines;
}

TSunkenFrame TabSetPressedFrame(bool horizontal, int clientWidth, int clientHeight)
{
    const TTabRect f = horizontal ? TTabRect{clientWidth - 15, 3, clientWidth - 3, 15}
                                  : TTabRect{3, clientHeight - 13, 15, clientHeight - 1};
    return {{{f.left, f.bottom - 1}, {f.left, f.top}, {f.right, f.top}},
            {{f.left, f.bottom}, {f.right, f.bottom}, {f.right, f.top}}};
}

bool PatternPixelIsWhite(int x, int y, bool dither) { return dither && (x % 2) == (y % 2); }
