#include "controls/region_rects.h"

namespace {

struct ChannelRange {
    std::uint8_t low, high;
    bool Holds(std::uint8_t v) const { return v >= low && v <= high; }
};

ChannelRange Range(std::uint32_t key, std::uint32_t tolerance, int shift)
{
    const unsigned low = (key >> shift) & 0xFF;
    const unsigned high = low + ((tolerance >> shift) & 0xFF);
    return ChannelRange{static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high > 255 ? 255 : high)};
}

}  // namespace

std::vector<TRegionRect> RegionRectsFromPixels(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                                               bool bottomUp, std::uint32_t key, std::uint32_t tolerance)
{
    std::vector<TRegionRect> rects;
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<std::size_t>(width) * 4)
        return rects;
    // Colour values keep red in their low byte; pixels keep blue first.
    const ChannelRange red = Range(key, tolerance, 0);
    const ChannelRange green = Range(key, tolerance, 8);
    const ChannelRange blue = Range(key, tolerance, 16);
    const auto transparent = [&](const std::uint8_t* p) {
        return blue.Holds(p[0]) && green.Holds(p[1]) && red.Holds(p[2]);
    };
    for (int y = 0; y < height; ++y) {
        const std::size_t stored = bottomUp ? static_cast<std::size_t>(height - 1 - y) : static_cast<std::size_t>(y);
        const std::uint8_t* row = pixels + stored * stride;
        int x = 0;
        while (x < width) {
            const int start = x;
            while (x < width && !transparent(row + static_cast<std::size_t>(x) * 4))
                ++x;
            if (x > start)
                rects.push_back(TRegionRect{start, y, x, y + 1});
            ++x;  // past the transparent pixel
        }
    }
    return rects;
}
