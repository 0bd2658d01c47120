#include "controls/flat_edit.h"

namespace {

// The whole window's device context, its non-client part included: the
// frame is drawn wherever the edit painted, not only in the update region.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~TWindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class TSolidBrush {
public:
    explicit TSolidBrush(TColor colour) : brush_(CreateSolidBrush(ColorToRGB(colour))) {}
    ~TSolidBrush() { DeleteObject(brush_); }
    TSolidBrush(const TSolidBrush&) = delete;
    TSolidBrush& operator=(const TSolidBrush&) = delete;
    HBRUSH Get() const { return brush_; }

private:
    HBRUSH brush_;
};

}  // namespace

TFlatEdit::TFlatEdit(TComponent* owner) : TEdit(owner)
{
    SetBorderStyle(TBorderStyle::bsNone);  // the frame is our own
    SetBounds(Left(), Top(), Width(), 21);
}

void TFlatEdit::SetBorderColor(TColor colour)
{
    if (colour == borderColor_)
        return;
    borderColor_ = colour;
    Invalidate();
}

void TFlatEdit::WndProc(TMessage& message)
{
    TEdit::WndProc(message);
    if (message.Msg == WM_PAINT || message.Msg == WM_NCPAINT)
        DrawBorder();
}

void TFlatEdit::DrawBorder()
{
    if (!HandleAllocated())
        return;
    const TWindowDC dc(Handle());
    if (!dc.Get())
        return;
    RECT r{};
    GetWindowRect(Handle(), &r);
    OffsetRect(&r, -r.left, -r.top);
    const TSolidBrush border(borderColor_);
    const TSolidBrush band(Color());
    FrameRect(dc.Get(), &r, border.Get());
    InflateRect(&r, -1, -1);
    FrameRect(dc.Get(), &r, band.Get());
    InflateRect(&r, -1, -1);
    FrameRect(dc.Get(), &r, band.Get());
}
