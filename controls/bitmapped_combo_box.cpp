#include "controls/bitmapped_combo_box.h"

TBitmappedComboBox::TBitmappedComboBox(TComponent* owner)
    : TWinControl(owner)
{
    SetBounds(0, 0, 145, 21);
    SetColor(clWindow);
    SetMessageHandler(WM_PAINT, [this](TMessage& m) {
        DefaultHandler(m);  // the system paints the field first
        PaintButtonAndBorder();
        return true;
    });
    SetMessageHandler(WM_ERASEBKGND, [](TMessage& m) {
        m.Result = 1;
        return true;
    });
    SetMessageHandler(WM_LBUTTONDOWN, [this](TMessage& m) {
        DefaultHandler(m);
        button_.LeftButtonDown();
        return true;
    });
    SetMessageHandler(WM_LBUTTONUP, [this](TMessage& m) {
        DefaultHandler(m);
        const bool dropped = SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
        if (button_.LeftButtonUp(dropped))
            InvalidateButtonRect();
        return true;
    });
    SetMessageHandler(CN_BASE + WM_COMMAND, [this](TMessage& m) {
        switch (HIWORD(m.WParam)) {
        case CBN_DROPDOWN: button_.ListOpened(); InvalidateButtonRect(); break;
        case CBN_CLOSEUP: button_.ListClosed(); InvalidateButtonRect(); break;
        default: break;
        }
        m.Result = 0;
        return true;
    });
    SetMessageHandler(CN_BASE + WM_DRAWITEM, [this](TMessage& m) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        if (OnDrawItem)
            OnDrawItem(*this, static_cast<int>(item->itemID), item->rcItem, item->itemState);
        m.Result = TRUE;
        return true;
    });
    SetMessageHandler(CN_BASE + WM_MEASUREITEM, [this](TMessage& m) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->itemHeight = static_cast<UINT>(ItemHeight());
        m.Result = TRUE;
        return true;
    });
}

DWORD TBitmappedComboBox::Style() const
{
    return TWinControl::Style() | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
}

void TBitmappedComboBox::SetNormalBitmap(const TBitmap& picture)
{
    normal_.Assign(picture);
    NewAdjustHeight();
    InvalidateButtonRect();
}

void TBitmappedComboBox::SetDownBitmap(const TBitmap& picture)
{
    down_.Assign(picture);
    NewAdjustHeight();
    InvalidateButtonRect();
}

void TBitmappedComboBox::SetBorderColor(TColor colour)
{
    if (colour != border_) {
        border_ = colour;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void TBitmappedComboBox::SetCornerColor(TColor colour)
{
    if (colour != corner_) {
        corner_ = colour;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void TBitmappedComboBox::SetEnabled(bool enabled)
{
    TWinControl::SetEnabled(enabled);
    SetColor(clWindow);  // whether enabled or not
}

int TBitmappedComboBox::AddItem(const String& text)
{
    return static_cast<int>(SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int TBitmappedComboBox::ItemIndex() { return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)); }

void TBitmappedComboBox::SetItemIndex(int index) { SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

int TBitmappedComboBox::ItemHeight()
{
    return static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

void TBitmappedComboBox::NewAdjustHeight()
{
    TEXTMETRICA metrics{};
    GetTextMetricsA(TFontDC(Font()).Get(), &metrics);
    const int height = ComboItemHeight(normal_.Empty() ? 0 : normal_.Height(), metrics.tmHeight);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, height);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
}

void TBitmappedComboBox::InvalidateButtonRect()
{
    if (!HandleAllocated() || !Visible())
        return;
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT button{client.right - GetSystemMetrics(SM_CXVSCROLL) - 2, client.top, client.right, client.bottom};
    InvalidateRect(Handle(), &button, FALSE);
}

void TBitmappedComboBox::PaintButtonAndBorder()
{
    HDC dc = GetDC(Handle());
    RECT client{};
    GetClientRect(Handle(), &client);
    HBRUSH field = CreateSolidBrush(ColorToRGB(Color()));
    if (ItemIndex() == -1)
        FillRect(dc, &client, field);  // no selection: a blank field
    const TBitmap& picture = (button_.ShowsDownPicture(!down_.Empty())) ? down_ : normal_;
    if (!picture.Empty()) {
        const TComboButtonRect b = ComboButtonRect(client.right, client.top, client.bottom, normal_.Width());
        RECT behind{b.left - 1, b.top, b.right + 2, b.bottom};
        FillRect(dc, &behind, field);
        picture.Draw(dc, b.left, b.top, false, POINT{0, 0});
    }
    HBRUSH border = CreateSolidBrush(ColorToRGB(border_));
    FrameRect(dc, &client, border);
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    FrameRect(dc, &inner, field);
    for (POINT corner : {POINT{0, 0}, POINT{0, client.bottom - 1}, POINT{client.right - 1, 0},
                         POINT{client.right - 1, client.bottom - 1}})
        SetPixel(dc, corner.x, corner.y, ColorToRGB(corner_));
    DeleteObject(border);
    DeleteObject(field);
    ReleaseDC(Handle(), dc);
}
