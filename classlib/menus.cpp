#include "classlib/menus.h"

#include <algorithm>
#include <cstddef>

#include "classlib/application.h"
#include "classlib/device_context.h"
#include "classlib/image_list.h"

namespace {

const char kClassName[] = "TalmorisPopupMenu";

// The default look: a column for the pictures, the text after it.
constexpr int kMargin = 4;
constexpr int kDefaultPictureWidth = 16;

}  // namespace

// ---- TMenuItem ----

TMenuItem::TMenuItem(TPopupMenu* menu) : TComponent(menu), menu_(menu) {}

HMENU TMenuItem::ParentHandle() const { return menu_ ? menu_->Handle() : nullptr; }

int TMenuItem::Index() const
{
    if (!menu_)
        return -1;
    for (int i = 0; i < menu_->Count(); ++i)
        if (menu_->Items(i) == this)
            return i;
    return -1;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(*this);
}

// ---- TPopupMenu ----

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu()
{
    // Messages that still come while the window goes find no menu behind it.
    if (window_)
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
}

TMenuItem& TPopupMenu::Add(const String& caption)
{
    items_.push_back(std::make_unique<TMenuItem>(this));
    TMenuItem& item = *items_.back();
    item.SetCaption(caption);
    return item;
}

TMenuItem* TPopupMenu::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

void TPopupMenu::Clear()
{
    if (showing_)
        return;
    built_.clear();
    menu_.reset();
    items_.clear();
}

HWND TPopupMenu::WindowHandle()
{
    if (!window_) {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &TPopupMenu::WindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = kClassName;
            return RegisterClassA(&wc);
        }();
        (void)atom;
        // A real top-level window, not a message-only one: the menu's owner
        // has to become the foreground window.
        window_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
        if (window_)
            SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return window_.get();
}

void TPopupMenu::Rebuild()
{
    if (showing_)
        return;
    built_.clear();
    for (const auto& item : items_)
        item->menuIndex_ = -1;
    menu_.reset(CreatePopupMenu());
    if (!menu_)
        return;
    for (const auto& item : items_) {
        if (!item->Visible())
            continue;
        const int position = static_cast<int>(built_.size());
        String text = item->Caption();
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
        info.fType = item->IsLine() ? MFT_SEPARATOR : MFT_STRING;
        if (ownerDraw_)
            info.fType |= MFT_OWNERDRAW;
        else if (!item->IsLine()) {
            info.fMask |= MIIM_STRING;
            info.dwTypeData = text.data();
        }
        info.fState = item->Enabled() ? MFS_ENABLED : MFS_GRAYED;
        info.wID = static_cast<UINT>(position + 1);  // 0 is what a dismissed menu answers
        info.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
        if (!InsertMenuItemA(menu_.get(), static_cast<UINT>(position), TRUE, &info))
            continue;
        item->menuIndex_ = position;
        built_.push_back(item.get());
    }
}

void TPopupMenu::Popup(int x, int y)
{
    if (showing_)
        return;
    if (OnPopup)
        OnPopup(*this);
    Rebuild();
    const HWND window = WindowHandle();
    if (!menu_ || !window)
        return;
    showing_ = true;
    // The owner must be the foreground window, or the menu stays open when
    // the user clicks elsewhere (tray menus); the WM_NULL afterwards lets
    // the system finish the menu's switch before the next one.
    SetForegroundWindow(window);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, window, nullptr));
    PostMessageA(window, WM_NULL, 0, 0);
    showing_ = false;
    if (chosen >= 1 && chosen <= built_.size())
        built_[chosen - 1]->Click();
}

TMenuItem* TPopupMenu::BuiltItem(ULONG_PTR itemData) const
{
    const auto found = std::find_if(built_.begin(), built_.end(), [itemData](const TMenuItem* item) {
        return reinterpret_cast<ULONG_PTR>(item) == itemData;
    });
    return found != built_.end() ? *found : nullptr;
}

HFONT TPopupMenu::MenuFont()
{
    if (!menuFont_) {
        // The size of the structure as XP knows it: later fields make XP refuse the call.
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof metrics.lfMessageFont;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            menuFont_.reset(CreateFontIndirectA(&metrics.lfMenuFont));
    }
    return menuFont_.get();
}

void TPopupMenu::MeasureItem(MEASUREITEMSTRUCT& measure)
{
    TMenuItem* item = BuiltItem(measure.itemData);
    if (!item)
        return;
    const TWindowDC dc(WindowHandle());
    if (!dc.Get())
        return;
    TCanvas canvas(dc.Get());
    if (const HFONT font = MenuFont())
        SelectObject(canvas.Handle(), font);  // the canvas puts the old one back
    int width = 0;
    int height = 0;
    DefaultMeasure(*item, canvas, width, height);
    if (item->OnMeasureItem)
        item->OnMeasureItem(*item, canvas, width, height);
    measure.itemWidth = static_cast<UINT>(std::max(width, 0));
    measure.itemHeight = static_cast<UINT>(std::max(height, 0));
}

void TPopupMenu::DrawItem(const DRAWITEMSTRUCT& draw)
{
    TMenuItem* item = BuiltItem(draw.itemData);
    if (!item)
        return;
    TCanvas canvas(draw.hDC);
    if (const HFONT font = MenuFont())
        SelectObject(canvas.Handle(), font);
    if (item->OnAdvancedDrawItem)
        item->OnAdvancedDrawItem(*item, canvas, draw.rcItem, draw.itemState);
    else
        DefaultDraw(*item, canvas, draw.rcItem, draw.itemState);
}

// Owner-drawn items carry no text the system could search for their
// accelerators: the menu asks us.
LRESULT TPopupMenu::MenuChar(char key) const
{
    for (size_t position = 0; position < built_.size(); ++position) {
        const TMenuItem& item = *built_[position];
        if (item.Enabled() && !item.IsLine() && IsAccel(key, item.Caption()))
            return MAKELRESULT(position, MNC_EXECUTE);
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

void TPopupMenu::DefaultMeasure(TMenuItem& item, TCanvas& canvas, int& width, int& height) const
{
    if (item.IsLine()) {
        width = 0;
        height = GetSystemMetrics(SM_CYMENU) / 2;
        return;
    }
    RECT text{0, 0, 0, 0};
    DrawTextA(canvas.Handle(), item.Caption().c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    const int pictureWidth = images_ ? images_->Width() : kDefaultPictureWidth;
    const int pictureHeight = images_ ? images_->Height() : 0;
    width = pictureWidth + 2 * kMargin + (text.right - text.left) + 3 * kMargin;
    height = std::max(static_cast<int>(text.bottom - text.top) + 6, pictureHeight + 4);
}

void TPopupMenu::DefaultDraw(TMenuItem& item, TCanvas& canvas, const RECT& rect, TOwnerDrawState state) const
{
    const HDC dc = canvas.Handle();
    const bool selected = (state & odSelected) != 0 && !item.IsLine();
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (item.IsLine()) {
        RECT line = rect;
        line.top = (rect.top + rect.bottom) / 2 - 1;
        line.bottom = line.top + 2;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const int pictureWidth = images_ ? images_->Width() : kDefaultPictureWidth;
    if (images_ && item.ImageIndex() >= 0)
        images_->Draw(dc, rect.left + kMargin, (rect.top + rect.bottom - images_->Height()) / 2, item.ImageIndex());
    RECT text = rect;
    text.left += pictureWidth + 2 * kMargin;
    text.right -= kMargin;
    const bool greyed = (state & (odGrayed | odDisabled)) != 0;
    canvas.SetFontColor(GetSysColor(greyed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    DrawTextA(dc, item.Caption().c_str(), -1, &text,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | ((state & odNoAccel) ? DT_HIDEPREFIX : 0));
}

LRESULT CALLBACK TPopupMenu::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedWindowProc(hwnd, message, [&] { return Dispatch(hwnd, message, wParam, lParam); });
}

LRESULT TPopupMenu::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TPopupMenu*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        switch (message) {
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (measure->CtlType == ODT_MENU) {
                self->MeasureItem(*measure);
                return TRUE;
            }
            break;
        }
        case WM_DRAWITEM: {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (draw->CtlType == ODT_MENU) {
                self->DrawItem(*draw);
                return TRUE;
            }
            break;
        }
        case WM_MENUCHAR:
            if (reinterpret_cast<HMENU>(lParam) == self->Handle())
                return self->MenuChar(static_cast<char>(LOWORD(wParam)));
            break;
        default: break;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
