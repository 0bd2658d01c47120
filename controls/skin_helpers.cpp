#include "controls/skin_helpers.h"

#include <algorithm>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/graphics.h"
#include "controls/region_rects.h"
#include "controls/three_state_button.h"

namespace {

// Regions are built in batches: one ExtCreateRegion call never takes a huge block.
constexpr size_t kRectsPerBatch = 2000;

// A memory device context, deleted on destruction.
class TMemoryDC {
public:
    TMemoryDC() : dc_(CreateCompatibleDC(nullptr)) {}
    ~TMemoryDC()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a context for the life of the scope.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~TSelection()
    {
        if (old_)
            SelectObject(dc_, old_);
    }
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

HRGN RegionFromBatch(const TRegionRect* rects, size_t count)
{
    std::vector<std::uint8_t> block(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(block.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(count);
    header->nRgnSize = 0;
    RECT bound = {0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
    auto* out = reinterpret_cast<RECT*>(block.data() + sizeof(RGNDATAHEADER));
    for (size_t i = 0; i < count; ++i) {
        out[i] = RECT{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
        bound.left = std::min<LONG>(bound.left, rects[i].left);
        bound.top = std::min<LONG>(bound.top, rects[i].top);
        bound.right = std::max<LONG>(bound.right, rects[i].right);
        bound.bottom = std::max<LONG>(bound.bottom, rects[i].bottom);
    }
    header->rcBound = count ? bound : RECT{0, 0, 0, 0};
    return ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), reinterpret_cast<RGNDATA*>(block.data()));
}

}  // namespace

HRGN CreateRegionFromBitmap(HBITMAP bitmap, std::uint32_t transparentColour, std::uint32_t tolerance)
{
    if (!bitmap)
        return nullptr;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    TMemoryDC target;
    TMemoryDC source;
    if (!target.Get() || !source.Get())
        return nullptr;
    // A 32-bit copy of the picture, whatever its own depth.
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = info.bmHeight;  // bottom-up rows
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(target.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib || !bits) {
        if (dib)
            DeleteObject(dib);
        return nullptr;
    }
    std::vector<TRegionRect> rects;
    {
        TSelection targetSelection(target.Get(), dib);
        TSelection sourceSelection(source.Get(), bitmap);
        BitBlt(target.Get(), 0, 0, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
        GdiFlush();
        const size_t stride = static_cast<size_t>(info.bmWidth) * 4;
        rects = RegionRectsFromPixels(static_cast<const std::uint8_t*>(bits), info.bmWidth, info.bmHeight, stride, true,
                                      transparentColour, tolerance);
    }
    DeleteObject(dib);

    HRGN result = nullptr;
    size_t done = 0;
    do {
        const size_t count = std::min(kRectsPerBatch, rects.size() - done);
        HRGN batch = RegionFromBatch(rects.data() + done, count);
        done += count;
        if (!batch)
            continue;
        if (!result) {
            result = batch;
        } else {
            CombineRgn(result, result, batch, RGN_OR);
            DeleteObject(batch);
        }
    } while (done < rects.size());
    return result;
}

void LoadSkinBitmaps(TThreeStateButton& button, const String& skin, const String& shapeResource, HINSTANCE module)
{
    TBitmap picture;
    const auto load = [&](const String& name) {
        if (!picture.LoadFromResourceName(module, name))
            throw EResNotFound("Resource " + name + " not found");
    };
    load(shapeResource);
    button.SetCoordBitmap(picture);
    load("BM_" + skin + "_I");
    button.SetDisabledBitmap(picture);
    load("BM_" + skin + "_D");
    button.SetDownBitmap(picture);
    load("BM_" + skin + "_O");
    button.SetHotBitmap(picture);
    load("BM_" + skin + "_U");
    button.SetNormalBitmap(picture);
}
