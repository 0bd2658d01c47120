// The look of the program's owner-drawn menus (the tray menu and the pages'
// context menus): white items, a gradient and a frame under the selected
// one, the item's picture before its caption, separators as a line. Once an
// item is drawn, the menu window is asked to get its frame (WM_REFRAME_MENU
// to the application window, carrying the menu's height and the item).
#pragma once

#include <windows.h>

#include "classlib/font.h"
#include "classlib/image_list.h"
#include "classlib/menus.h"

// Posted to the application window once a menu item is drawn: wParam is the
// summed height of the menu's visible items, lParam the drawn item.
constexpr UINT WM_REFRAME_MENU = WM_USER + 10;

class TPopupMenuPainter {
public:
    // `images` (the items' pictures) and `font` must outlive the painter.
    // `leftMargin` is kept free left of every item (the tray menu's strip).
    TPopupMenuPainter(const TImageList& images, const TFont& font, int leftMargin = 0);

    // The item's size; the menu's height is summed from its first item on.
    void Measure(TMenuItem& item, HDC dc, int& width, int& height);
    // Paints the item right of the margin, then asks for the menu's frame.
    void Draw(TMenuItem& item, HDC dc, const RECT& rect, unsigned state) const;
    // The summed height of the visible items measured for this showing.
    int MenuHeight() const { return menuHeight_; }

private:
    const TImageList& images_;
    const TFont& font_;
    int leftMargin_;
    int menuHeight_ = 0;
};

// Whether `item` is one of `menu`'s items (the application window's handle
// is published: anybody can post WM_REFRAME_MENU).
bool IsItemOf(const TPopupMenu* menu, LPARAM item);

// Draws the frame of the shown menu window that holds `item` when its height
// is `menuHeight` (the menu's items) plus its system frame.
void ReframeMenuWindow(const TMenuItem& item, int menuHeight, HWND except);
