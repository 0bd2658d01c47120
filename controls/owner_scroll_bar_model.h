// The owner-drawn scroll bar's state and geometry, free of Win32: the range
// and position, the thumb rectangle, what a press does where it lands, the
// drag mapping and the auto-repeat of a held arrow. The windowed bar
// (TWOwnrScrllBar) turns messages into these calls and paints from them.
#pragma once

#include <functional>

struct TScrollRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TScrollRect&) const = default;
};

class TScrollBarModel {
public:
    static constexpr int kFirstRepeatMs = 500;
    static constexpr int kRepeatMs = 125;

    // Fired by every accepted position, also when it didn't change.
    std::function<void()> OnChange;

    int Min() const { return min_; }
    int Max() const { return max_; }
    // Plain fields: set without side effects.
    void SetMin(int min) { min_ = min; }
    void SetMax(int max) { max_ = max; }
    int Position() const { return position_; }
    // Values outside Min..Max change nothing and fire nothing.
    bool SetPosition(int position);
    int SmallChange() const { return smallChange_; }
    void SetSmallChange(int step) { smallChange_ = step; }
    int LargeChange() const { return largeChange_; }
    void SetLargeChange(int step) { largeChange_ = step; }

    void SetSize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int height) { buttonHeight_ = height; }
    int TrackHeight() const { return trackHeight_; }
    void SetTrackHeight(int height) { trackHeight_ = height; }
    bool AutoSizeTrack() const { return autoSizeTrack_; }
    // On: the thumb takes TrackArea - (Max - Min) pixels, at least MinTrackSize.
    void SetAutoSizeTrack(bool on);
    int MinTrackSize() const { return minTrackSize_; }
    void SetMinTrackSize(int size) { minTrackSize_ = size; }

    // The pixels the thumb can travel.
    int TrackArea() const { return height_ - (2 * buttonHeight_ + trackHeight_ + 1); }
    // The thumb; at the top of the track when the range or the track is empty.
    TScrollRect TrackRect() const;
    TScrollRect TopButtonRect() const { return {1, 1, width_ - 1, buttonHeight_}; }
    TScrollRect BottomButtonRect() const { return {1, height_ - buttonHeight_, width_ - 1, height_ - 2}; }

    // A press anywhere on the bar, in client coordinates.
    void MouseDown(int x, int y);
    // The pointer moved; while a press lasts it drags the position.
    void MouseMove(int y);
    void MouseUp();
    // The repeat timer ran out: the press is made again where it was.
    void TimerTick();

    bool TopPressed() const { return topPressed_; }
    bool BottomPressed() const { return bottomPressed_; }
    bool Tracking() const { return tracking_; }
    // The repeat timer's interval while it runs, 0 when it is off.
    int RepeatInterval() const { return repeating_ ? repeatInterval_ : 0; }

private:
    int min_ = 1, max_ = 100, position_ = 50;
    int smallChange_ = 1, largeChange_ = 4;
    int width_ = 20, height_ = 100;
    int buttonHeight_ = 18, trackHeight_ = 18;
    bool autoSizeTrack_ = false;
    int minTrackSize_ = 6;

    bool tracking_ = false, topPressed_ = false, bottomPressed_ = false;
    int gripOffset_ = 0;
    int pressX_ = 0, pressY_ = 0;
    bool repeating_ = false;
    int repeatInterval_ = kFirstRepeatMs;
};
