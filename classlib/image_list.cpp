#include "classlib/image_list.h"

int TImageList::Add(const TBitmap& picture)
{
    if (picture.Empty() || picture.Width() != width_ || picture.Height() != height_)
        return -1;
    images_.push_back(picture);
    return Count() - 1;
}

int TImageList::AddStrip(const TBitmap& strip)
{
    if (strip.Empty() || strip.Height() != height_ || width_ <= 0 || strip.Width() % width_ != 0)
        return -1;
    const int first = Count();
    for (int frame = 0; frame < strip.Width() / width_; ++frame) {
        TBitmap picture(width_, height_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                picture.SetPixel(x, y, strip.Pixel(frame * width_ + x, y));
        images_.push_back(picture);
    }
    return first;
}

void TImageList::Draw(HDC dc, int x, int y, int index) const
{
    if (index < 0 || index >= Count())
        return;
    const TBitmap& picture = images_[static_cast<size_t>(index)];
    picture.DrawPart(dc, x, y, 0, 0, width_, height_, true, picture.Pixel(0, height_ - 1));
}
