#include "controls/owner_scroll_bar.h"

#include "classlib/canvas.h"

namespace {

constexpr UINT_PTR kRepeatTimer = 1;

RECT ToRect(const TScrollRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

TWOwnrScrllBar::TWOwnrScrllBar(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 20, 100);
    model_.OnChange = [this] {
        Repaint();
        DoChange();
    };
    SetPaintHandler([this](HDC dc) { PaintTo(dc); });
    SetMessageHandler(WM_TIMER, [this](TMessage& m) {
        if (m.WParam != kRepeatTimer)
            return false;
        model_.TimerTick();
        FollowRepeatTimer();
        Repaint();
        m.Result = 0;
        return true;
    });
}

TWOwnrScrllBar::~TWOwnrScrllBar()
{
    OnChange = nullptr;
    model_.OnChange = nullptr;
    if (HandleAllocated() && timerInterval_)
        KillTimer(Handle(), kRepeatTimer);
}

void TWOwnrScrllBar::SetBounds(int left, int top, int width, int height)
{
    model_.SetSize(width, height);
    TWinControl::SetBounds(left, top, width, height);
}

void TWOwnrScrllBar::SetDrawStyle(TOSBDrawStyle style)
{
    if (style != drawStyle_) {
        drawStyle_ = style;
        Repaint();
    }
}

void TWOwnrScrllBar::SetCtrl3d(bool on)
{
    if (on != ctrl3D_) {
        ctrl3D_ = on;
        Repaint();
    }
}

void TWOwnrScrllBar::SetBgColor(TColor colour)
{
    if (colour != background_) {
        background_ = colour;
        Repaint();
    }
}

void TWOwnrScrllBar::SetButtonHeight(int height)
{
    if (height != model_.ButtonHeight()) {
        model_.SetButtonHeight(height);
        Repaint();
    }
}

void TWOwnrScrllBar::SetTrackHeight(int height)
{
    if (height != model_.TrackHeight()) {
        model_.SetTrackHeight(height);
        Repaint();
    }
}

void TWOwnrScrllBar::SetAutoSizeTrack(bool on)
{
    model_.SetAutoSizeTrack(on);
    Repaint();
}

void TWOwnrScrllBar::DoChange()
{
    if (OnChange)
        OnChange(*this);
}

void TWOwnrScrllBar::Repaint()
{
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
}

void TWOwnrScrllBar::FollowRepeatTimer()
{
    if (!HandleAllocated())
        return;
    const int wanted = model_.RepeatInterval();
    if (wanted == timerInterval_)
        return;
    if (wanted)
        SetTimer(Handle(), kRepeatTimer, static_cast<UINT>(wanted), nullptr);
    else
        KillTimer(Handle(), kRepeatTimer);
    timerInterval_ = wanted;
}

void TWOwnrScrllBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TWinControl::MouseDown(button, shift, x, y);
    SetCapture(Handle());  // a drag goes on outside the bar
    model_.MouseDown(x, y);
    FollowRepeatTimer();
    Repaint();
}

void TWOwnrScrllBar::MouseMove(TShiftState shift, int x, int y)
{
    TWinControl::MouseMove(shift, x, y);
    model_.MouseMove(y);
}

void TWOwnrScrllBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TWinControl::MouseUp(button, shift, x, y);
    if (GetCapture() == Handle())
        ReleaseCapture();
    model_.MouseUp();
    FollowRepeatTimer();
    Repaint();
}

void TWOwnrScrllBar::FireDraw(const TOSBEvent& event, HDC dc, const TScrollRect& rect, bool state)
{
    if (event)
        event(*this, dc, ToRect(rect), state);
}

void TWOwnrScrllBar::PaintTo(HDC target)
{
    PaintThroughBuffer(target, Width(), Height(), [this](HDC dc) { PaintBuffer(dc); });
}

void TWOwnrScrllBar::PaintBuffer(HDC dc)
{
    const int w = Width(), h = Height(), bh = model_.ButtonHeight();
    const bool ownerDraw = drawStyle_ == TOSBDrawStyle::osbOwnerDraw;
    {
        TCanvas canvas(dc);
        canvas.SetBrush(ColorToRGB(background_));
        canvas.FillRect(ownerDraw ? RECT{1, bh + 2, w - 1, h - bh - 1} : RECT{1, bh, w - 1, h - bh});
        // The outer frame: shadow on top and left, highlight below and right, or flat.
        canvas.SetPen(ColorToRGB(ctrl3D_ ? clBtnShadow : background_));
        canvas.Polyline({{w, 0}, {0, 0}, {0, h - 1}});
        canvas.SetPen(ColorToRGB(ctrl3D_ ? clBtnHighlight : background_));
        canvas.Polyline({{0, h - 1}, {w - 1, h - 1}, {w - 1, 0}});
    }
    if (ownerDraw) {
        FireDraw(OnTopDraw, dc, model_.TopButtonRect(), !model_.TopPressed());
        FireDraw(OnBottomDraw, dc, model_.BottomButtonRect(), !model_.BottomPressed());
        FireDraw(OnTrackDraw, dc, model_.TrackRect(), true);
        return;
    }
    const UINT inactive = Enabled() ? 0 : DFCS_INACTIVE;
    RECT up{1, 1, w - 1, bh};
    DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | (model_.TopPressed() ? DFCS_PUSHED : 0) | inactive);
    RECT down{1, h - bh, w - 1, h - 1};
    DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | (model_.BottomPressed() ? DFCS_PUSHED : 0) | inactive);
    if (Enabled()) {
        RECT thumb = ToRect(model_.TrackRect());
        DrawFrameControl(dc, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
}
