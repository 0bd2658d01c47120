#include "ui/popup_menu_painter.h"

#include <algorithm>

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/device_context.h"
#include "classlib/sysutils.h"

namespace {

constexpr COLORREF kMenuFrame = 0x787878;
constexpr COLORREF kMenuInnerFrame = 0xF0F0F0;
constexpr COLORREF kSeparator = RGB(163, 164, 176);
constexpr COLORREF kKey = RGB(255, 0, 255);

COLORREF Between(int y, int rows, COLORREF from, COLORREF to)
{
    const auto part = [y, rows](int a, int b) { return a + (b - a) * y / rows; };
    return RGB(part(GetRValue(from), GetRValue(to)), part(GetGValue(from), GetGValue(to)),
               part(GetBValue(from), GetBValue(to)));
}

// The picture in grey, for a disabled item.
void DrawGreyed(const TImageList& images, HDC dc, int x, int y, int index)
{
    TBitmap picture(images.Width(), images.Height());
    {
        TBitmapDC paint(picture);
        const TSolidBrush key(kKey);
        const RECT all{0, 0, images.Width(), images.Height()};
        FillRect(paint.Get(), &all, key.Get());
        images.Draw(paint.Get(), 0, 0, index);
    }
    for (int py = 0; py < picture.Height(); ++py)
        for (int px = 0; px < picture.Width(); ++px) {
            const COLORREF c = picture.Pixel(px, py);
            if (c == kKey)
                continue;
            const int grey = 128 + (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 200;
            picture.SetPixel(px, py, RGB(grey, grey, grey));
        }
    picture.DrawPart(dc, x, y, 0, 0, picture.Width(), picture.Height(), true, kKey);
}

void Frame(HDC dc, const RECT& area, COLORREF colour)
{
    const TSolidBrush brush(colour);
    FrameRect(dc, &area, brush.Get());
}

}  // namespace

TPopupMenuPainter::TPopupMenuPainter(const TImageList& images, const TFont& font, int leftMargin)
    : images_(images), font_(font), leftMargin_(leftMargin)
{
}

void TPopupMenuPainter::Measure(TMenuItem& item, HDC dc, int& width, int& height)
{
    if (item.Index() == 0)
        menuHeight_ = 0;  // measuring starts again with each showing
    SelectObject(dc, font_.Handle());
    width += images_.Width() + 8 + leftMargin_;
    if (item.IsLine()) {
        height = 8;
    } else {
        SIZE text{};
        GetTextExtentPoint32A(dc, item.Caption().c_str(), static_cast<int>(item.Caption().size()), &text);
        height = std::max<int>(images_.Height() + 4, text.cy + 8);
    }
    if (item.Visible())
        menuHeight_ += height;
}

void TPopupMenuPainter::Draw(TMenuItem& item, HDC dc, const RECT& rect, unsigned state) const
{
    const int w = rect.right - (rect.left + leftMargin_);
    const int h = rect.bottom - rect.top;
    if (w > 0 && h > 0) {
        TBitmap picture(w, h);
        {
            TBitmapDC paint(picture);
            TCanvas canvas(paint.Get());
            SelectObject(paint.Get(), font_.Handle());
            const bool selected = (state & odSelected) && item.Enabled();
            if (selected) {
                for (int y = 0; y < h; ++y) {
                    canvas.SetPen(Between(y, h, RGB(255, 255, 255), kSeparator));
                    canvas.MoveTo(0, y);
                    canvas.LineTo(w, y);
                }
                canvas.SetBrush(kMenuFrame);
                canvas.FrameRect({0, 0, w, h});
            } else {
                // Unselected, and selected but disabled: a fresh bitmap holds
                // no picture of its own, so it is filled like the others.
                canvas.SetBrush(RGB(255, 255, 255));
                canvas.FillRect({0, 0, w, h});
            }
            if (item.IsLine()) {
                canvas.SetPen(kSeparator);
                canvas.MoveTo(4, h / 2 - 1);
                canvas.LineTo(w - 4, h / 2 - 1);
            } else {
                COLORREF colour = ColorToRGB(font_.Color());
                if (!item.Enabled())
                    colour = RGB(192, 192, 192);
                else if (selected)
                    colour = ColorToRGB(clNavy);
                SetTextColor(paint.Get(), colour);
                SetBkMode(paint.Get(), TRANSPARENT);
                const String caption = StripHotkey(item.Caption());
                SIZE text{};
                GetTextExtentPoint32A(paint.Get(), caption.c_str(), static_cast<int>(caption.size()), &text);
                TextOutA(paint.Get(), images_.Width() + 6, (h - text.cy) / 2, caption.c_str(),
                         static_cast<int>(caption.size()));
                if (item.ImageIndex() >= 0) {
                    const int top = (h - images_.Height()) / 2;
                    if (item.Enabled())
                        images_.Draw(paint.Get(), 2, top, item.ImageIndex());
                    else
                        DrawGreyed(images_, paint.Get(), 2, top, item.ImageIndex());
                }
            }
        }
        picture.Draw(dc, rect.left + leftMargin_, rect.top, false, POINT{0, 0});
    }

    // Once drawn, the menu window gets its frame; one request at a time.
    const HWND application = TApplication::Instance().Handle();
    MSG waiting;
    if (!PeekMessageA(&waiting, application, WM_REFRAME_MENU, WM_REFRAME_MENU, PM_NOREMOVE))
        PostMessageA(application, WM_REFRAME_MENU, static_cast<WPARAM>(menuHeight_), reinterpret_cast<LPARAM>(&item));
}

bool IsItemOf(const TPopupMenu* menu, LPARAM item)
{
    if (!menu || !item)
        return false;
    for (int i = 0; i < menu->Count(); ++i)
        if (reinterpret_cast<LPARAM>(menu->Items(i)) == item)
            return true;
    return false;
}

void ReframeMenuWindow(const TMenuItem& item, int menuHeight, HWND except)
{
    RECT itemArea{};
    if (!item.ParentHandle() || item.MenuIndex() < 0 ||
        !GetMenuItemRect(nullptr, item.ParentHandle(), static_cast<UINT>(item.MenuIndex()), &itemArea))
        return;
    const POINT centre{(itemArea.left + itemArea.right) / 2, (itemArea.top + itemArea.bottom) / 2};
    const HWND window = WindowFromPoint(centre);
    if (!window || !IsWindowVisible(window) || window == except)
        return;
    RECT area{};
    GetWindowRect(window, &area);
    // Only the menu's own window has exactly this height.
    if (menuHeight + 2 * GetSystemMetrics(SM_CXDLGFRAME) != area.bottom - area.top)
        return;
    const TWindowDC screen(nullptr);
    Frame(screen.Get(), area, kMenuFrame);
    InflateRect(&area, -1, -1);
    Frame(screen.Get(), area, kMenuInnerFrame);
    InflateRect(&area, -1, -1);
    Frame(screen.Get(), area, kMenuInnerFrame);
}
