// Drawing on a device context in the class library's manner: a pen, a brush
// and a font that stay selected while the canvas lives, and the usual
// operations. TBitmapCanvas draws into a bitmap.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "classlib/graphics.h"
#include "classlib/sysutils.h"

class TCanvas {
public:
    explicit TCanvas(HDC dc);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return dc_; }

    void SetPen(COLORREF colour, int width = 1, int style = PS_SOLID);
    void SetBrush(COLORREF colour);
    void SetBrushClear() { brushClear_ = true; }
    void SetFont(const String& face, int pixelHeight, bool bold = false);
    void SetFontColor(COLORREF colour) { SetTextColor(dc_, colour); }

    void FillRect(const RECT& area);    // with the brush
    void FrameRect(const RECT& area);   // one pixel in the brush colour
    void Rectangle(const RECT& area);   // pen outline, brush inside (unless clear)
    void MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }
    void LineTo(int x, int y) { ::LineTo(dc_, x, y); }
    // Lines from point to point in the pen, each stopping short of its end.
    void Polyline(std::initializer_list<POINT> points);
    void TextAt(int x, int y, const String& text);  // the class library's TextOut
    int TextWidth(const String& text) const;
    int TextHeight(const String& text) const;
    void Draw(int x, int y, const TBitmap& picture) { picture.Draw(dc_, x, y, false, POINT{0, 0}); }
    // Scaled by dropping or repeating pixels (COLORONCOLOR), never blending,
    // so key colours stay exact.
    void StretchDraw(const RECT& area, const TBitmap& picture);
    // The picture with its pixels of colour `key` left out.
    void TransparentDraw(int x, int y, const TBitmap& picture, COLORREF key);

private:
    void Replace(HGDIOBJ& current, HGDIOBJ made);

    HDC dc_;
    int saved_;
    HGDIOBJ pen_ = nullptr;
    HGDIOBJ brush_ = nullptr;
    HGDIOBJ font_ = nullptr;
    COLORREF brushColour_ = RGB(255, 255, 255);
    bool brushClear_ = false;
};

class TBitmapCanvas {
public:
    explicit TBitmapCanvas(const TBitmap& bitmap) : dc_(bitmap), canvas_(dc_.Get()) {}
    TCanvas& Canvas() { return canvas_; }

private:
    TBitmapDC dc_;
    TCanvas canvas_;
};
