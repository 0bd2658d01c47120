#include "classlib/canvas.h"

TCanvas::TCanvas(HDC dc) : dc_(dc), saved_(SaveDC(dc))
{
    SetBkMode(dc_, TRANSPARENT);
    SetPen(RGB(0, 0, 0));
    SetBrush(RGB(255, 255, 255));
}

TCanvas::~TCanvas()
{
    RestoreDC(dc_, saved_);  // selects the originals back before ours go
    for (HGDIOBJ object : {pen_, brush_, font_})
        if (object)
            DeleteObject(object);
}

void TCanvas::Replace(HGDIOBJ& current, HGDIOBJ made)
{
    if (!made)
        return;
    SelectObject(dc_, made);
    if (current)
        DeleteObject(current);
    current = made;
}

void TCanvas::SetPen(COLORREF colour, int width, int style) { Replace(pen_, CreatePen(style, width, colour)); }

void TCanvas::SetBrush(COLORREF colour)
{
    brushColour_ = colour;
    brushClear_ = false;
    Replace(brush_, CreateSolidBrush(colour));
}

void TCanvas::SetFont(const String& face, int pixelHeight, bool bold)
{
    Replace(font_, CreateFontA(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                               face.c_str()));
}

void TCanvas::FillRect(const RECT& area)
{
    if (!brushClear_)
        ::FillRect(dc_, &area, static_cast<HBRUSH>(brush_));
}

void TCanvas::FrameRect(const RECT& area) { ::FrameRect(dc_, &area, static_cast<HBRUSH>(brush_)); }

void TCanvas::Rectangle(const RECT& area)
{
    const HGDIOBJ old = brushClear_ ? SelectObject(dc_, GetStockObject(NULL_BRUSH)) : nullptr;
    ::Rectangle(dc_, area.left, area.top, area.right, area.bottom);
    if (old)
        SelectObject(dc_, old);
}

void TCanvas::Polyline(std::initializer_list<POINT> points)
{
    auto it = points.begin();
    if (it == points.end())
        return;
    MoveToEx(dc_, it->x, it->y, nullptr);
    for (++it; it != points.end(); ++it)
        ::LineTo(dc_, it->x, it->y);
}

void TCanvas::TextAt(int x, int y, const String& text)
{
    ::TextOutA(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
}

int TCanvas::TextWidth(const String& text) const
{
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int TCanvas::TextHeight(const String& text) const
{
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.empty() ? "Wg" : text.c_str(), text.empty() ? 2 : static_cast<int>(text.size()),
                          &size);
    return size.cy;
}

void TCanvas::StretchDraw(const RECT& area, const TBitmap& picture)
{
    if (picture.Empty())
        return;
    TBitmapDC source(picture);
    const int oldMode = SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, area.left, area.top, area.right - area.left, area.bottom - area.top, source.Get(), 0, 0,
               picture.Width(), picture.Height(), SRCCOPY);
    SetStretchBltMode(dc_, oldMode);
}

void TCanvas::TransparentDraw(int x, int y, const TBitmap& picture, COLORREF key)
{
    picture.DrawPart(dc_, x, y, 0, 0, picture.Width(), picture.Height(), true, key);
}
