#include "controls/three_state_button_model.h"

TShapeMap::TShapeMap(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels))
{
    if (width_ <= 0 || height_ <= 0 || pixels_.size() != static_cast<size_t>(width_) * static_cast<size_t>(height_))
        *this = TShapeMap();
}

bool TShapeMap::Contains(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return false;
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] != pixels_[0];
}

void TThreeStateButtonModel::GrowTo(int width, int height)
{
    width_ = width > width_ ? width : width_;
    height_ = height > height_ ? height : height_;
}

void TThreeStateButtonModel::MouseMove(int x, int y, bool leftHeld)
{
    if (!leftHeld)
        pressed_ = false;
    const bool onShape = shape_.Contains(x, y);
    if (!hot_ && onShape) {
        captured_ = true;
        hot_ = true;
        current_ = TButtonPicture::Hot;
    }
    if (x >= 0 && x <= width_ && y >= 0 && y <= height_ && onShape)
        return;
    captured_ = false;
    hot_ = false;
    current_ = TButtonPicture::Normal;
}

void TThreeStateButtonModel::MouseDown(int x, int y)
{
    pressed_ = shape_.Contains(x, y);
    if (pressed_) {
        down_ = true;
        current_ = TButtonPicture::Down;
    }
}

void TThreeStateButtonModel::MouseUp()
{
    pressed_ = false;
    captured_ = false;
    hot_ = false;
    down_ = false;
    current_ = TButtonPicture::Normal;
}

void TThreeStateButtonModel::Click()
{
    captured_ = false;
    hot_ = false;
    if (canFocus_)
        focused_ = true;
    if (pressed_) {
        pressed_ = false;
        if (OnClick)
            OnClick();
    }
}

bool TThreeStateButtonModel::KeyPress(char key)
{
    if (key != ' ' && key != '\r')
        return false;
    down_ = true;
    pressed_ = true;
    return true;
}

bool TThreeStateButtonModel::KeyUp(int keyCode)
{
    if (keyCode != 32 && keyCode != 13)
        return false;
    down_ = false;
    Click();
    return true;
}

void TThreeStateButtonModel::FocusReceived()
{
    focused_ = true;
    down_ = false;
}

void TThreeStateButtonModel::CaptureLost()
{
    // Hover ends; a press in progress stays, so its click still fires.
    captured_ = false;
    hot_ = false;
    current_ = TButtonPicture::Normal;
}

TButtonPicture TThreeStateButtonModel::PictureToPaint(bool hasHotPicture) const
{
    if (!enabled_)
        return TButtonPicture::Disabled;
    if (focused_ && tabStop_ && hasHotPicture)
        return down_ ? TButtonPicture::Down : TButtonPicture::Hot;
    return current_;
}
