// The rectangles of a window region cut from a picture: every run of pixels
// in a row that is not of the key colour becomes one rectangle one pixel
// high. Free of Win32 so that it can be tested and fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TRegionRect {
    std::int32_t left, top, right, bottom;
    bool operator==(const TRegionRect&) const = default;
};

// `pixels` holds `height` rows of `width` 32-bit pixels, `stride` bytes
// apart, each pixel in memory order blue, green, red, unused; with
// `bottomUp` the first stored row is the bottom one. `key` and `tolerance`
// are colour values 0x00BBGGRR: a pixel is transparent when each of its red,
// green and blue lies within [key, key + tolerance] of the same channel
// (clipped to 255). Rows come out top first.
std::vector<TRegionRect> RegionRectsFromPixels(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                                               bool bottomUp, std::uint32_t key, std::uint32_t tolerance);
