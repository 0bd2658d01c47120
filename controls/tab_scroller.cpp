#include "controls/tab_scroller.h"

#include <windowsx.h>

#include "classlib/canvas.h"

namespace {

struct TArrowLines {
    RECT half;
    POINT outline[3][2];
    POINT fill[2][2];
    POINT point;
    POINT white[3];
    POINT black[3];
};

// Left, right, top and bottom arrows; each line stops short of its end point.
const TArrowLines kArrows[4] = {
    {{0, 0, 12, 13}, {{{8, 2}, {8, 10}}, {{8, 2}, {4, 6}}, {{8, 10}, {3, 5}}}, {{{7, 4}, {7, 9}}, {{6, 5}, {6, 8}}},
     {5, 6}, {{11, 0}, {11, 12}, {0, 12}}, {{1, 11}, {1, 0}, {11, 0}}},
    {{12, 0, 24, 13}, {{{16, 2}, {16, 10}}, {{16, 2}, {20, 6}}, {{16, 10}, {21, 5}}},
     {{{17, 4}, {17, 9}}, {{18, 5}, {18, 8}}}, {19, 6}, {{22, 0}, {22, 12}, {11, 12}}, {{12, 11}, {12, 0}, {22, 0}}},
    {{0, 0, 13, 12}, {{{2, 8}, {10, 8}}, {{2, 8}, {6, 4}}, {{10, 8}, {5, 3}}}, {{{4, 7}, {9, 7}}, {{5, 6}, {8, 6}}},
     {6, 5}, {{0, 11}, {12, 11}, {12, 0}}, {{11, 1}, {0, 1}, {0, 11}}},
    {{0, 12, 13, 24}, {{{2, 16}, {10, 16}}, {{2, 16}, {6, 20}}, {{10, 16}, {5, 21}}},
     {{{4, 17}, {9, 17}}, {{5, 18}, {8, 18}}}, {6, 19}, {{0, 22}, {12, 22}, {12, 11}}, {{11, 12}, {0, 12}, {0, 22}}},
};

}  // namespace

TScroller::TScroller(TComponent* owner) : TWinControl(owner)
{
    TWinControl::SetBounds(0, 0, model_.Width(), model_.Height());
    model_.OnClick = [this] {
        if (OnClick)
            OnClick(*this);
    };
    SetPaintHandler([this](HDC dc) { PaintTo(dc); });
    // The press handling is its own: no click rule, no inherited events.
    const auto press = [this](TMessage& m) {
        if (model_.MouseDown(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam))) {
            Repaint();
            SetCapture(Handle());
        }
        m.Result = 0;
        return true;
    };
    SetMessageHandler(WM_LBUTTONDOWN, press);
    SetMessageHandler(WM_LBUTTONDBLCLK, press);
    SetMessageHandler(WM_MOUSEMOVE, [this](TMessage& m) {
        if (model_.MouseMove(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)))
            Repaint();
        m.Result = 0;
        return true;
    });
    SetMessageHandler(WM_LBUTTONUP, [this](TMessage& m) {
        if (GetCapture() == Handle())
            ReleaseCapture();
        model_.MouseUp();
        Repaint();
        m.Result = 0;
        return true;
    });
}

void TScroller::SetBounds(int left, int top, int, int)
{
    TWinControl::SetBounds(left, top, model_.Width(), model_.Height());
}

void TScroller::SetPosition(int value)
{
    const int old = model_.Position();
    model_.SetPosition(value);
    if (model_.Position() != old)
        Repaint();
}

void TScroller::SetArrowColor(TColor colour)
{
    if (colour != arrowColour_) {
        arrowColour_ = colour;
        Repaint();
    }
}

void TScroller::SetScrollPosition(TScrollPosition position)
{
    if (position == model_.ScrollPosition())
        return;
    model_.SetScrollPosition(position);
    SetBounds(Left(), Top(), 0, 0);
    Repaint();
}

void TScroller::Repaint()
{
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
}

void TScroller::PaintTo(HDC dc)
{
    PaintArrow(dc, 0);
    PaintArrow(dc, 1);
}

void TScroller::PaintArrow(HDC dc, int arrow)
{
    const bool horizontal = model_.ScrollPosition() == TScrollPosition::spHorizontal;
    const TArrowLines& lines = kArrows[(horizontal ? 0 : 2) + arrow];
    const TArrowLook look = model_.Look(arrow);
    TCanvas canvas(dc);
    const auto polyline = [&](const POINT* points, int count) {
        canvas.MoveTo(points[0].x, points[0].y);
        for (int i = 1; i < count; ++i)
            canvas.LineTo(points[i].x, points[i].y);
    };
    canvas.SetBrush(ColorToRGB(Color()));
    canvas.FillRect(lines.half);
    if (look == TArrowLook::Pressed) {
        canvas.SetPen(RGB(255, 255, 255));
        polyline(lines.white, 3);
        canvas.SetPen(RGB(0, 0, 0));
        polyline(lines.black, 3);
    }
    const COLORREF colour = ColorToRGB(arrowColour_);
    canvas.SetPen(colour);
    for (const auto& line : lines.outline)
        polyline(line, 2);
    if (look == TArrowLook::Disabled)
        return;
    for (const auto& line : lines.fill)
        polyline(line, 2);
    SetPixel(dc, lines.point.x, lines.point.y, colour);
}
