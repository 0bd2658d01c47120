// A list of pictures of one size, drawn by index (the events log's level
// icons, the tray menu's item pictures).
#pragma once

#include <vector>

#include "classlib/graphics.h"

class TImageList {
public:
    TImageList(int width, int height) : width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    // A picture of another size is refused (-1); else its index.
    int Add(const TBitmap& picture);
    // Adds every frame of a strip of pictures laid side by side.
    int AddStrip(const TBitmap& strip);
    // Draws picture `index` with the colour of its bottom-left pixel left out;
    // an index out of range draws nothing.
    void Draw(HDC dc, int x, int y, int index) const;

private:
    int width_;
    int height_;
    std::vector<TBitmap> images_;
};
