#include "ui/new_hint.h"

#include "classlib/canvas.h"

void TNewHint::CreateParams(TCreateParams& params) const
{
    THintWindow::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_BORDER);  // the frame is painted instead
    if (isWindowsXPOrLater_())
        params.ClassStyle |= CS_DROPSHADOW;
}

RECT TNewHint::CalcHintRect(int maxWidth, const String& hint)
{
    RECT rect{0, 0, maxWidth, 0};
    TFontDC dc(Font());
    DrawTextA(dc.Get(), hint.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    // Room for the frame and the text's offset in Paint.
    rect.right += 8;
    rect.bottom += 4;
    return rect;
}

void TNewHint::Paint(HDC dc)
{
    // The background is already in the hint colour (WM_ERASEBKGND).
    RECT rect{};
    GetClientRect(Handle(), &rect);
    TCanvas canvas(dc);  // restores the brush and the rest of the DC's state afterwards
    canvas.SetBrush(RGB(0, 0, 0));
    canvas.FrameRect(rect);
    canvas.SetBrushClear();
    rect.left += 4;
    rect.top += 3;
    TSelectFont font(dc, Font());
    canvas.SetFontColor(ColorToRGB(Font().Color()));
    DrawTextA(dc, Caption().c_str(), -1, &rect, DT_WORDBREAK | DT_NOPREFIX);
}
