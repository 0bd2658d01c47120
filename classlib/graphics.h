// Bitmaps as 24-bit DIB sections, so that skin pixels keep their exact
// colours and can be read directly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "classlib/sysutils.h"

class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height);  // filled with black
    ~TBitmap();
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);

    bool Empty() const { return !handle_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HBITMAP Handle() const { return handle_; }

    // Copies `other`'s picture (the class library's Assign).
    void Assign(const TBitmap& other) { *this = other; }
    void Clear();
    // A bitmap resource of `module` by name; false when there is none.
    bool LoadFromResourceName(HINSTANCE module, const String& name);
    // A copy of any bitmap, as a 24-bit DIB section.
    bool CopyFrom(HBITMAP source);

    // A 24-bit BMP file, written through a temporary file.
    bool SaveToFile(const String& fileName) const;

    COLORREF Pixel(int x, int y) const;  // 0 outside the picture
    void SetPixel(int x, int y, COLORREF colour);
    // Draws the whole picture at (x, y) of `dc`; with `transparent`, pixels of
    // the colour of `transparentAt` are left out.
    void Draw(HDC dc, int x, int y, bool transparent, POINT transparentAt) const;
    // Draws the part (sourceX, sourceY, width, height) at (x, y); with
    // `transparent`, pixels of colour `key` are left out.
    void DrawPart(HDC dc, int x, int y, int sourceX, int sourceY, int width, int height, bool transparent,
                  COLORREF key) const;

private:
    void Make(int width, int height);
    std::uint8_t* PixelAddress(int x, int y) const;

    HBITMAP handle_ = nullptr;
    std::uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};

// A memory device context drawing into a bitmap for the life of the scope.
class TBitmapDC {
public:
    explicit TBitmapDC(const TBitmap& bitmap);
    ~TBitmapDC();
    TBitmapDC(const TBitmapDC&) = delete;
    TBitmapDC& operator=(const TBitmapDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Paints `width` x `height` pixels through an off-screen bitmap and copies
// them to `target` at (0, 0) in one piece, so nothing flickers. `paint`
// draws into the bitmap's device context; nothing is drawn when the
// bitmap can't be made.
void PaintThroughBuffer(HDC target, int width, int height, const std::function<void(HDC)>& paint);
