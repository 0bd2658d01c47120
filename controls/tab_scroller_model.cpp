#include "controls/tab_scroller_model.h"

void TScrollerModel::SetMin(int value)
{
    if (value < max_)
        min_ = value;
}

void TScrollerModel::SetMax(int value)
{
    if (value >= min_)
        max_ = value;
}

void TScrollerModel::SetPosition(int value)
{
    if (value == position_)
        return;
    position_ = value < min_ ? min_ : value > max_ ? max_ : value;
    if (OnClick)
        OnClick();
}

bool TScrollerModel::MouseDown(int x, int y)
{
    const int along = scrollPosition_ == TScrollPosition::spHorizontal ? x : y;
    const int arrow = along >= kLongSide / 2 ? 1 : 0;
    if (arrow == 0 ? !CanScrollLeft() : !CanScrollRight())
        return false;
    arrow_ = arrow;
    pressed_ = down_ = true;
    return true;
}

bool TScrollerModel::OnPressedArrow(int x, int y) const
{
    const int half = kLongSide / 2;
    const bool horizontal = scrollPosition_ == TScrollPosition::spHorizontal;
    const int left = horizontal ? arrow_ * half : 0;
    const int top = horizontal ? 0 : arrow_ * half;
    const int right = left + (horizontal ? half : kShortSide);
    const int bottom = top + (horizontal ? kShortSide : half);
    return x >= left && x < right && y >= top && y < bottom;
}

bool TScrollerModel::MouseMove(int x, int y)
{
    if (!pressed_ || OnPressedArrow(x, y) == down_)
        return false;
    down_ = !down_;
    return true;
}

void TScrollerModel::MouseUp()
{
    pressed_ = false;
    if (!down_)
        return;
    down_ = false;
    SetPosition(arrow_ == 0 ? position_ - change_ : position_ + change_);
}

TArrowLook TScrollerModel::Look(int arrow) const
{
    if (arrow == 0 ? !CanScrollLeft() : !CanScrollRight())
        return TArrowLook::Disabled;
    return (pressed_ && down_ && arrow == arrow_) ? TArrowLook::Pressed : TArrowLook::Normal;
}
