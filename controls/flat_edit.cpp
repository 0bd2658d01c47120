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
    TEdit::WndProc(message);
    if (message.Msg == WM_PAINT || message.Msg == WM_NCPAINT)
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
