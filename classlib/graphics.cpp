#include "classlib/graphics.h"

#include <cstring>

#include "classlib/file_system.h"

TBitmap::TBitmap(int width, int height) { Make(width, height); }

TBitmap::~TBitmap() { Clear(); }

TBitmap::TBitmap(const TBitmap& other) { *this = other; }

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this == &other)
        return *this;
    Clear();
    if (!other.Empty()) {
        Make(other.width_, other.height_);
        if (bits_)
            std::memcpy(bits_, other.bits_, static_cast<size_t>(stride_) * static_cast<size_t>(height_));
    }
    return *this;
}

void TBitmap::Clear()
{
    if (handle_)
        DeleteObject(handle_);
    handle_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = stride_ = 0;
}

void TBitmap::Make(int width, int height)
{
    Clear();
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    handle_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle_ || !bits) {
        Clear();
        return;
    }
    bits_ = static_cast<std::uint8_t*>(bits);
    width_ = width;
    height_ = height;
    stride_ = (width * 3 + 3) & ~3;
    std::memset(bits_, 0, static_cast<size_t>(stride_) * static_cast<size_t>(height_));
}

bool TBitmap::CopyFrom(HBITMAP source)
{
    BITMAP info{};
    if (!source || !GetObjectA(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return false;
    TBitmap copy(info.bmWidth, info.bmHeight);
    if (copy.Empty())
        return false;
    HDC from = CreateCompatibleDC(nullptr);
    const HGDIOBJ oldFrom = SelectObject(from, source);
    BOOL ok;
    {
        TBitmapDC to(copy);
        ok = BitBlt(to.Get(), 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
    }
    SelectObject(from, oldFrom);
    DeleteDC(from);
    if (!ok)
        return false;
    *this = copy;
    return true;
}

bool TBitmap::LoadFromResourceName(HINSTANCE module, const String& name)
{
    HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded)
        return false;
    const bool ok = CopyFrom(loaded);
    DeleteObject(loaded);
    return ok;
}

std::uint8_t* TBitmap::PixelAddress(int x, int y) const
{
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return nullptr;
    return bits_ + static_cast<size_t>(y) * static_cast<size_t>(stride_) + static_cast<size_t>(x) * 3;
}

COLORREF TBitmap::Pixel(int x, int y) const
{
    const std::uint8_t* p = PixelAddress(x, y);
    return p ? RGB(p[2], p[1], p[0]) : 0;
}

void TBitmap::SetPixel(int x, int y, COLORREF colour)
{
    if (std::uint8_t* p = PixelAddress(x, y)) {
        p[0] = GetBValue(colour);
        p[1] = GetGValue(colour);
        p[2] = GetRValue(colour);
    }
}

void TBitmap::Draw(HDC dc, int x, int y, bool transparent, POINT transparentAt) const
{
    DrawPart(dc, x, y, 0, 0, width_, height_, transparent, Pixel(transparentAt.x, transparentAt.y));
}

void TBitmap::DrawPart(HDC dc, int x, int y, int sourceX, int sourceY, int width, int height, bool transparent,
                       COLORREF key) const
{
    if (Empty() || width <= 0 || height <= 0)
        return;
    TBitmapDC source(*this);
    if (transparent)
        TransparentBlt(dc, x, y, width, height, source.Get(), sourceX, sourceY, width, height, key);
    else
        BitBlt(dc, x, y, width, height, source.Get(), sourceX, sourceY, SRCCOPY);
}

TBitmapDC::TBitmapDC(const TBitmap& bitmap)
    : dc_(CreateCompatibleDC(nullptr)), old_(dc_ ? SelectObject(dc_, bitmap.Handle()) : nullptr)
{
}

TBitmapDC::~TBitmapDC()
{
    if (!dc_)
        return;
    GdiFlush();
    if (old_)
        SelectObject(dc_, old_);
    DeleteDC(dc_);
}

bool TBitmap::SaveToFile(const String& fileName) const
{
    if (Empty())
        return false;
    GdiFlush();
    const size_t image = static_cast<size_t>(stride_) * static_cast<size_t>(height_);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + image);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = -height_;  // rows stored top first, as held
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(image);
    std::vector<std::uint8_t> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
    std::memcpy(bytes.data() + file.bfOffBits, bits_, image);
    return WriteFileAtomically(fileName, bytes.data(), bytes.size());
}

void PaintThroughBuffer(HDC target, int width, int height, const std::function<void(HDC)>& paint)
{
    TBitmap buffer(width, height);
    if (buffer.Empty())
        return;
    {
        TBitmapDC dc(buffer);
        paint(dc.Get());
    }
    buffer.Draw(target, 0, 0, false, POINT{0, 0});
}
