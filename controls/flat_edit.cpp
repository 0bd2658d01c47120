#include "controls/flat_edit.h"

#include "classlib/device_context.h"

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
    const bool painting = message.Msg == WM_PAINT || message.Msg == WM_NCPAINT;
    // The system sets the margins anew from each font; a new font always
    // brings a paint, so they are seen to before every paint.
    constexpr int kTextMargin = 3;  // the line and the band
    if (painting && HandleAllocated() && LOWORD(SendMessageA(Handle(), EM_GETMARGINS, 0, 0)) < kTextMargin)
        SendMessageA(Handle(), EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(kTextMargin, 0));
    TEdit::WndProc(message);
    if (painting)
        DrawBorder();
}

void TFlatEdit::DrawBorder()
{
    if (!HandleAllocated())
        return;
    const TWindowDC dc(Handle(), TWindowDC::daWholeWindow);
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
