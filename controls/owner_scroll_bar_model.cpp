#include "controls/owner_scroll_bar_model.h"

#include <cmath>

namespace {

// Single precision, rounded to nearest with ties to even, as the bar has
// always placed its thumb.
int RoundSingle(float value) { return static_cast<int>(std::nearbyintf(value)); }

}  // namespace

bool TScrollBarModel::SetPosition(int position)
{
    if (position > max_ || position < min_)
        return false;
    position_ = position;
    if (OnChange)
        OnChange();
    return true;
}

void TScrollBarModel::SetAutoSizeTrack(bool on)
{
    autoSizeTrack_ = on;
    if (!on)
        return;
    const int size = TrackArea() - (max_ - min_);
    trackHeight_ = size > minTrackSize_ ? size : minTrackSize_;
}

TScrollRect TScrollBarModel::TrackRect() const
{
    int offset = 0;
    // An empty range or a track too small for the thumb keeps it at the top.
    if (max_ > min_ && TrackArea() > 0) {
        const float factor = static_cast<float>(TrackArea()) / static_cast<float>(max_ - min_);
        offset = RoundSingle(static_cast<float>(position_ - min_) * factor);
    }
    const int top = offset + buttonHeight_ + 1;
    return {1, top, width_ - 1, top + trackHeight_};
}

void TScrollBarModel::MouseDown(int x, int y)
{
    const TScrollRect thumb = TrackRect();
    tracking_ = true;
    topPressed_ = bottomPressed_ = false;
    bool repeat = true;
    if (y < buttonHeight_) {
        topPressed_ = true;
        if (position_ > min_)
            SetPosition(position_ - smallChange_);
    } else if (y > height_ - buttonHeight_) {
        bottomPressed_ = true;
        if (position_ < max_)
            SetPosition(position_ + smallChange_);
    } else if (x >= thumb.left && x < thumb.right && y >= thumb.top && y < thumb.bottom) {
        gripOffset_ = y - thumb.top;
    } else {
        repeat = false;  // a page step happens once
        if (y < thumb.top)
            SetPosition(position_ - largeChange_);
        else if (y > thumb.bottom)
            SetPosition(position_ + largeChange_);
    }
    pressX_ = x;
    pressY_ = y;
    repeating_ = repeat;
}

void TScrollBarModel::MouseMove(int y)
{
    if (!tracking_ || max_ <= min_ || TrackArea() <= 0)
        return;
    // The inverse of TrackRect: the thumb's offset in the track, from Min,
    // so that grabbing the thumb without moving keeps the position.
    const int d = y - gripOffset_ - (buttonHeight_ + 1);
    const float factor = static_cast<float>(max_ - min_) / static_cast<float>(TrackArea());
    const int value = min_ + RoundSingle(static_cast<float>(d) * factor);
    if (value >= min_ && value <= max_)
        SetPosition(value);
}

void TScrollBarModel::MouseUp()
{
    tracking_ = topPressed_ = bottomPressed_ = false;
    repeating_ = false;
    repeatInterval_ = kFirstRepeatMs;
}

void TScrollBarModel::TimerTick()
{
    if (!repeating_)
        return;
    repeatInterval_ = kRepeatMs;
    MouseDown(pressX_, pressY_);
    // Nothing is left to step at either end of the range.
    if (position_ <= min_ || position_ >= max_)
        repeating_ = false;
}
