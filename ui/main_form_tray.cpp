// The main form in the notification area: the tray icon and its pictures,
// the owner-drawn tray menu with its painted side strip, and the frame the
// menu window gets once it is drawn.
#include <algorithm>

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/device_context.h"
#include "classlib/menus.h"
#include "classlib/tray_icon.h"
#include "controls/three_state_button.h"
#include "ui/frame_log.h"
#include "ui/main_form.h"

namespace {

constexpr int kStripWidth = 26;
constexpr COLORREF kMenuFrame = 0x787878;
constexpr COLORREF kMenuInnerFrame = 0xF0F0F0;
constexpr COLORREF kSeparator = RGB(163, 164, 176);
constexpr COLORREF kKey = RGB(255, 0, 255);

// A colour between `from` at row 0 and (nearly) `to` at row `rows`.
COLORREF RowColour(int y, int rows, int fromR, int fromG, int fromB, int toR, int toG, int toB)
{
    return RGB(fromR + (toR - fromR) * y / rows, fromG + (toG - fromG) * y / rows, fromB + (toB - fromB) * y / rows);
}

// The picture in grey, for a disabled item.
void DrawGreyed(const TImageList& images, HDC dc, int x, int y, int index)
{
    TBitmap picture(images.Width(), images.Height());
    {
        TBitmapDC paint(picture);
        const HBRUSH key = CreateSolidBrush(kKey);
        const RECT all{0, 0, images.Width(), images.Height()};
        FillRect(paint.Get(), &all, key);
        DeleteObject(key);
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
    const HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &area, brush);
    DeleteObject(brush);
}

}  // namespace

void TfmMain::BuildTrayMenu()
{
    pmTrayPopup = &Own<TPopupMenu>();
    pmTrayPopup->SetName("pmTrayPopup");
    pmTrayPopup->SetOwnerDraw(true);
    pmTrayPopup->SetImages(&imgPopupImages);

    const auto add = [this](const char* name, const char* caption, int picture, std::function<void()> action) {
        TMenuItem& item = pmTrayPopup->Add(caption);
        item.SetName(name);
        item.SetImageIndex(picture);
        if (action)
            item.OnClick = [action](TMenuItem&) { action(); };
        item.OnMeasureItem = [this](TMenuItem& i, TCanvas& c, int& w, int& h) { miPopupMeasureItem(i, c.Handle(), w, h); };
        item.OnAdvancedDrawItem = [this](TMenuItem& i, TCanvas& c, const RECT& r, TOwnerDrawState s) {
            miPopupDrawItem(i, c.Handle(), r, s);
        };
        return &item;
    };
    // Page items show their page (once it is built), then bring the window back.
    add("miRestore", "Restore", -1, [this] { miRestoreClick(); });
    add("N4", "-", -1, nullptr);
    add("miSystemScan", "System scan", 4, [this] { miRestoreClick(); });
    add("miFreezeList", "Security list", 5, [this] { miRestoreClick(); });
    add("miLog", "Events log", 2, [this] {
        ShowPage(frameLog);
        miRestoreClick();
    });
    add("N5", "-", -1, nullptr);
    add("miSettings", "Program settings", 6, [this] { miRestoreClick(); });
    add("miHelp", "Help", 1, [this] { miRestoreClick(); });
    add("N3", "-", -1, nullptr);
    miBeginMonitoring = add("miBeginMonitoring", "Start protection", 0, [this] { btnBeginMonitoringClick(); });
    miBeginMonitoring->SetVisible(false);
    miCancelMonitoring = add("miCancelMonitoring", "Stop protection", 7, [this] { btnCancelMonitoringClick(); });
    add("N2", "-", -1, nullptr);
    add("miExit", "Exit program", -1, [this] { miExitClick(); });

    tiTrayIcon = &Own<TTrayIcon>();
    tiTrayIcon->SetName("tiTrayIcon");
    tiTrayIcon->SetHint("Talmoris");
    tiTrayIcon->SetPopupMenu(pmTrayPopup);
    tiTrayIcon->SetHide(true);
    tiTrayIcon->SetIcons(&imglTrayIcons);
    tiTrayIcon->OnMinimize = [this](TTrayIcon&) { Hide(); };
    tiTrayIcon->OnRestore = [this](TTrayIcon&) {
        Show();
        SetForegroundWindow(Handle());
        BringWindowToTop(Handle());
    };
}

void TfmMain::ChooseTrayIcons()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        const bool old = (version.dwMajorVersion == 4 && (version.dwMinorVersion == 0 || version.dwMinorVersion == 10)) ||
                         (version.dwMajorVersion == 5 && version.dwMinorVersion == 0);
        trayNormal_ = old ? 9 : 0;
        trayOdd_ = old ? 8 : 1;
        trayEven_ = old ? 10 : 2;
    }
    SetTrayImage(trayNormal_);
}

void TfmMain::SetTrayImage(int index)
{
    trayImage_ = index;
    tiTrayIcon->SetIconIndex(index);
}

void TfmMain::btnToTrayClick() { tiTrayIcon->Minimize(); }

void TfmMain::miRestoreClick() { tiTrayIcon->Restore(); }

void TfmMain::miPopupMeasureItem(TMenuItem& item, HDC dc, int& width, int& height)
{
    if (item.Index() == 0)
        menuHeight_ = 0;  // measuring starts again with each showing
    SelectObject(dc, Font().Handle());
    width += imgPopupImages.Width() + 34;
    if (item.IsLine()) {
        height = 8;
    } else {
        SIZE text{};
        GetTextExtentPoint32A(dc, item.Caption().c_str(), static_cast<int>(item.Caption().size()), &text);
        height = std::max<int>(imgPopupImages.Height() + 4, text.cy + 8);
    }
    if (item.Visible())
        menuHeight_ += height;
}

void TfmMain::miPopupDrawItem(TMenuItem& item, HDC dc, const RECT& rect, unsigned state)
{
    // The side strip: a gradient down to the banner, painted again with every item.
    const int strip = std::max(1, banner_.Empty() ? menuHeight_ : menuHeight_ - banner_.Height());
    for (int y = 0; y < strip; ++y) {
        const HBRUSH brush = CreateSolidBrush(RowColour(y, strip, 255, 255, 255, 206, 225, 255));
        const RECT row{0, y, kStripWidth, y + 1};
        FillRect(dc, &row, brush);
        DeleteObject(brush);
    }
    if (!banner_.Empty())
        banner_.Draw(dc, 0, menuHeight_ - banner_.Height(), false, POINT{0, 0});

    const int w = rect.right - (rect.left + kStripWidth);
    const int h = rect.bottom - rect.top;
    if (w > 0 && h > 0) {
        TBitmap item_picture(w, h);
        {
            TBitmapDC paint(item_picture);
            TCanvas canvas(paint.Get());
            SelectObject(paint.Get(), reinterpret_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT)));
            const bool selected = (state & odSelected) && item.Enabled();
            if (selected) {
                for (int y = 0; y < h; ++y) {
                    canvas.SetPen(RowColour(y, h, 255, 255, 255, 163, 164, 176));
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
                COLORREF colour = ColorToRGB(Font().Color());
                if (!item.Enabled())
                    colour = RGB(192, 192, 192);
                else if (selected)
                    colour = ColorToRGB(clNavy);
                SetTextColor(paint.Get(), colour);
                SetBkMode(paint.Get(), TRANSPARENT);
                const String caption = StripHotkey(item.Caption());
                SIZE text{};
                GetTextExtentPoint32A(paint.Get(), caption.c_str(), static_cast<int>(caption.size()), &text);
                TextOutA(paint.Get(), imgPopupImages.Width() + 6, (h - text.cy) / 2, caption.c_str(),
                         static_cast<int>(caption.size()));
                if (item.ImageIndex() >= 0) {
                    const int top = (h - imgPopupImages.Height()) / 2;
                    if (item.Enabled())
                        imgPopupImages.Draw(paint.Get(), 2, top, item.ImageIndex());
                    else
                        DrawGreyed(imgPopupImages, paint.Get(), 2, top, item.ImageIndex());
                }
            }
        }
        item_picture.Draw(dc, rect.left + kStripWidth, rect.top, false, POINT{0, 0});
    }

    // Once drawn, the menu window gets its frame; one request at a time.
    const HWND application = TApplication::Instance().Handle();
    MSG waiting;
    if (!PeekMessageA(&waiting, application, WM_REFRAME_MENU, WM_REFRAME_MENU, PM_NOREMOVE))
        PostMessageA(application, WM_REFRAME_MENU, static_cast<WPARAM>(menuHeight_), reinterpret_cast<LPARAM>(&item));
}

bool TfmMain::AppWindowHook(TMessage& m)
{
    if (m.Msg == WM_REFRAME_MENU && m.LParam) {
        // Only an item of our own menu: the application window's handle is
        // published, so anybody can post this message.
        const TMenuItem* item = nullptr;
        for (int i = 0; i < pmTrayPopup->Count() && !item; ++i)
            if (reinterpret_cast<LPARAM>(pmTrayPopup->Items(i)) == m.LParam)
                item = pmTrayPopup->Items(i);
        if (!item)
            return false;
        RECT area{};
        if (item->ParentHandle() && item->MenuIndex() >= 0 &&
            GetMenuItemRect(nullptr, item->ParentHandle(), static_cast<UINT>(item->MenuIndex()), &area)) {
            const POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
            if (HWND window = WindowFromPoint(centre))
                ReframeMenuWindow(window, static_cast<int>(m.WParam));
        }
    }
    if (m.Msg == WM_QUERYENDSESSION || m.Msg == WM_ENDSESSION) {
        // The session's end may reach the hidden application window only.
        EndSession(m.Msg, m.WParam, m);
        return true;
    }
    return false;  // never handled here: the application goes on with it
}

void TfmMain::ReframeMenuWindow(HWND window, int menuHeight)
{
    if (!IsWindowVisible(window) || window == Handle())
        return;
    const TWindowDC screen(nullptr);
    RECT area{};
    GetWindowRect(window, &area);
    // Only the tray menu's window has exactly this height.
    if (menuHeight + 2 * GetSystemMetrics(SM_CXDLGFRAME) != area.bottom - area.top)
        return;
    Frame(screen.Get(), area, kMenuFrame);
    InflateRect(&area, -1, -1);
    Frame(screen.Get(), area, kMenuInnerFrame);
    InflateRect(&area, -1, -1);
    Frame(screen.Get(), area, kMenuInnerFrame);
}
