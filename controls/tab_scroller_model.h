// The tab bar's pair of scroll arrows, free of Win32: the range and the
// position, which arrow a press took, whether it is still held over that
// arrow, and the step made when it is let go there. One step per click.
#pragma once

#include <functional>

enum class TScrollPosition { spHorizontal, spVertical };
enum class TArrowLook { Disabled, Normal, Pressed };

class TScrollerModel {
public:
    static constexpr int kLongSide = 24;
    static constexpr int kShortSide = 13;

    // After every position change, and after a clamped request.
    std::function<void()> OnClick;

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int Change() const { return change_; }
    // Kept only when below Max, and at least Min, respectively.
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    void SetChange(int value) { change_ = value; }

    TScrollPosition ScrollPosition() const { return scrollPosition_; }
    void SetScrollPosition(TScrollPosition position) { scrollPosition_ = position; }
    // The size the window keeps: 23 x 13 side by side, 13 x 23 stacked.
    int Width() const { return scrollPosition_ == TScrollPosition::spHorizontal ? kLongSide - 1 : kShortSide; }
    int Height() const { return scrollPosition_ == TScrollPosition::spHorizontal ? kShortSide : kLongSide - 1; }

    bool CanScrollLeft() const { return position_ > min_; }
    bool CanScrollRight() const { return position_ < max_; }

    // A press (or a double click) in client coordinates; true when it took
    // an arrow that can scroll (the window then captures the mouse).
    bool MouseDown(int x, int y);
    // True when the held arrow's look changed.
    bool MouseMove(int x, int y);
    // Let go: a step when it was over the pressed arrow.
    void MouseUp();

    bool Pressed() const { return pressed_; }
    TArrowLook Look(int arrow) const;

private:
    bool OnPressedArrow(int x, int y) const;

    int min_ = 0, max_ = 0, position_ = 0, change_ = 1;
    TScrollPosition scrollPosition_ = TScrollPosition::spHorizontal;
    bool pressed_ = false;  // the mouse is captured after a press on an arrow
    bool down_ = false;     // ... and the pointer is over that arrow
    int arrow_ = 0;         // 0 left or top, 1 right or bottom
};
