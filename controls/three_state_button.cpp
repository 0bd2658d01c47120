#include "controls/three_state_button.h"

TThreeStateButton::TThreeStateButton(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 32, 32);
    model_.OnClick = [this] { TWinControl::Click(); };
    SetMessageHandler(WM_NCHITTEST, [this](TMessage& m) {
        POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
        ScreenToClient(Handle(), &p);
        m.Result = model_.HitTest(p.x, p.y) ? HTCLIENT : HTTRANSPARENT;
        return true;
    });
    SetMessageHandler(WM_CAPTURECHANGED, [this](TMessage& m) {
        if (!changingCapture_ && reinterpret_cast<HWND>(m.LParam) != Handle()) {
            model_.CaptureLost();
            InvalidateRect(Handle(), nullptr, FALSE);
        }
        return false;
    });
    SetMessageHandler(WM_SETFOCUS, [this](TMessage&) {
        model_.FocusReceived();
        InvalidateRect(Handle(), nullptr, FALSE);
        return false;
    });
    SetMessageHandler(WM_KILLFOCUS, [this](TMessage&) {
        model_.FocusLost();
        InvalidateRect(Handle(), nullptr, FALSE);
        return false;
    });
    SetPaintHandler([this](HDC dc) { PaintTo(dc); });
}

void TThreeStateButton::SetPicture(TBitmap& slot, const TBitmap& picture)
{
    slot.Assign(picture);
    model_.GrowTo(picture.Width(), picture.Height());
    SetBounds(Left(), Top(), model_.Width(), model_.Height());
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
}

void TThreeStateButton::SetCoordBitmap(const TBitmap& shape)
{
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(shape.Width()) * static_cast<size_t>(shape.Height()));
    for (int y = 0; y < shape.Height(); ++y)
        for (int x = 0; x < shape.Width(); ++x)
            pixels.push_back(shape.Pixel(x, y));
    model_.SetShape(TShapeMap(shape.Width(), shape.Height(), std::move(pixels)));
    SetPicture(shape_, shape);
}

void TThreeStateButton::SetTransparent(bool transparent)
{
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
}

void TThreeStateButton::SetEnabled(bool enabled)
{
    const bool changed = enabled != Enabled();
    TWinControl::SetEnabled(enabled);
    model_.SetEnabled(enabled);
    if (changed && HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
}

const TBitmap& TThreeStateButton::CurrentPicture() const
{
    switch (model_.PictureToPaint(!hot_.Empty())) {
    case TButtonPicture::Hot: return hot_;
    case TButtonPicture::Down: return down_;
    case TButtonPicture::Disabled: return disabled_;
    default: return normal_;
    }
}

void TThreeStateButton::Apply()
{
    const HWND window = Handle();
    changingCapture_ = true;
    if (model_.Captured() && GetCapture() != window)
        SetCapture(window);
    else if (!model_.Captured() && GetCapture() == window)
        ReleaseCapture();
    changingCapture_ = false;
    if (model_.Focused() && GetFocus() != window)
        SetFocus(window);
    InvalidateRect(window, nullptr, FALSE);
}

void TThreeStateButton::Click()
{
    model_.SetCanFocus(Visible() && Enabled());
    model_.Click();  // fires OnClick when a press on the shape began
    Apply();
}

void TThreeStateButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    model_.MouseDown(x, y);
    TWinControl::MouseDown(button, shift, x, y);
    Apply();
}

void TThreeStateButton::MouseMove(TShiftState shift, int x, int y)
{
    model_.MouseMove(x, y, (shift & ssLeft) != 0);
    TWinControl::MouseMove(shift, x, y);
    Apply();
}

void TThreeStateButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    model_.MouseUp();
    TWinControl::MouseUp(button, shift, x, y);
    Apply();
}

void TThreeStateButton::KeyPress(char& key)
{
    TWinControl::KeyPress(key);
    if (model_.KeyPress(key)) {
        key = 0;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void TThreeStateButton::KeyUp(WORD& key, TShiftState shift)
{
    TWinControl::KeyUp(key, shift);
    if (model_.KeyUp(key)) {
        key = 0;
        Apply();
    }
}

void TThreeStateButton::PaintTo(HDC dc)
{
    const TBitmap& picture = CurrentPicture();
    // Through a buffer: what the picture leaves free shows the parent, without flicker.
    PaintThroughBuffer(dc, Width(), Height(), [&](HDC target) {
        if (transparent_ || picture.Width() < Width() || picture.Height() < Height())
            PaintParentBackground(target);
        picture.Draw(target, 0, 0, transparent_, POINT{0, 0});
    });
}
