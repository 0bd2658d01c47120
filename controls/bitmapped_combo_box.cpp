#include "controls/bitmapped_combo_box.h"

#include <cstdlib>
#include <vector>

#include "classlib/application.h"
#include "classlib/device_context.h"

namespace {

const char kWatchProperty[] = "TalmorisComboListWatch";
const char kNextProcProperty[] = "TalmorisComboListProc";

POINT ToScreen(HWND window, LPARAM clientPoint)
{
    POINT at{static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
    ClientToScreen(window, &at);
    return at;
}

}  // namespace

struct TBitmappedComboBox::TMeasureCanvas {
    explicit TMeasureCanvas(const TFont& comboFont) : font(comboFont), dc(font), canvas(dc.Get()) {}
    TFont font;
    TFontDC dc;
    TCanvas canvas;
};

// While the list is dropped it holds the mouse: a press at the field, the
// second of a double click, reaches the list's window rather than the
// control. The watch sees those presses (outside the list's rows) and hands
// the rest on. The procedure it replaced is kept on the window, so the
// chain holds even when someone subclassed the list after us.
class TBitmappedComboBox::TListWatch {
public:
    TListWatch(TBitmappedComboBox& combo, HWND list) : combo_(combo), list_(list)
    {
        SetPropA(list, kWatchProperty, this);
        SetPropA(list, kNextProcProperty,
                 reinterpret_cast<HANDLE>(GetWindowLongPtrA(list, GWLP_WNDPROC)));
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    }
    ~TListWatch()
    {
        if (!IsWindow(list_) || GetPropA(list_, kWatchProperty) != this)
            return;
        RemovePropA(list_, kWatchProperty);
        // Subclassed again since, the procedure stays in the chain as a plain link.
        if (GetWindowLongPtrA(list_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc)) {
            SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(list_, kNextProcProperty)));
            RemovePropA(list_, kNextProcProperty);
        }
    }
    TListWatch(const TListWatch&) = delete;
    TListWatch& operator=(const TListWatch&) = delete;
    bool Watches(HWND list) const { return list == list_ && GetPropA(list_, kWatchProperty) == this; }

private:
    static LRESULT CALLBACK Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
    {
        const auto next = reinterpret_cast<WNDPROC>(GetPropA(list, kNextProcProperty));
        auto* watch = static_cast<TListWatch*>(GetPropA(list, kWatchProperty));
        if (message == WM_NCDESTROY) {
            RemovePropA(list, kWatchProperty);
            RemovePropA(list, kNextProcProperty);
        }
        if (!next)
            return DefWindowProcA(list, message, wParam, lParam);
        const auto system = [&] { return CallWindowProcA(next, list, message, wParam, lParam); };
        if (!watch || (message != WM_LBUTTONDOWN && message != WM_LBUTTONDBLCLK))
            return system();
        return GuardedWindowProc(list, message, [&] {
            const POINT at = ToScreen(list, lParam);
            RECT rows{};
            GetClientRect(list, &rows);
            MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rows), 2);
            RECT field{};
            GetWindowRect(watch->combo_.Handle(), &field);
            if (PtInRect(&rows, at) || !PtInRect(&field, at)) {
                watch->combo_.lastPress_ = TPress{};  // on the rows or away: no double click at the field
                return system();
            }
            LRESULT result = 0;
            watch->combo_.FieldPressed(at, false, [&] { result = system(); });
            return result;  // the watch may be gone now (the control freed by OnDblClick)
        });
    }

    TBitmappedComboBox& combo_;
    HWND list_;
};

TBitmappedComboBox::TBitmappedComboBox(TComponent* owner)
    : TWinControl(owner)
{
    SetBounds(0, 0, 145, 21);
    SetColor(clWindow);
    SetTabStop(true);
    SetMessageHandler(WM_PAINT, [this](TMessage& m) {
        if (loading_) {
            // Set up and shown: the items get their height now unless a
            // picture or a font has given them one already.
            loading_ = false;
            if (itemHeight_ == 0)
                NewAdjustHeight();
        }
        DefaultHandler(m);  // the system paints the field first
        PaintButtonAndBorder();
        return true;
    });
    SetMessageHandler(WM_ERASEBKGND, [](TMessage& m) {
        m.Result = 1;
        return true;
    });
    // The system takes a double click for a press like the first one.
    for (const UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})
        SetMessageHandler(press, [this](TMessage& m) {
            WatchList();
            FieldPressed(ToScreen(Handle(), m.LParam), m.Msg == WM_LBUTTONDBLCLK, [&] {
                DefaultHandler(m);
                button_.LeftButtonDown();
            });
            return true;
        });
    SetMessageHandler(WM_LBUTTONUP, [this](TMessage& m) {
        DefaultHandler(m);
        const bool dropped = SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
        if (button_.LeftButtonUp(dropped))
            InvalidateButtonRect();
        return true;
    });
    SetMessageHandler(WM_SETFOCUS, [this](TMessage& m) {
        DefaultHandler(m);
        DoEnter();
        InvalidateButtonRect();
        return true;
    });
    SetMessageHandler(WM_KILLFOCUS, [this](TMessage& m) {
        DefaultHandler(m);
        // The field loses its focused look everywhere, not only where the
        // system repaints it; then the border is drawn at once.
        if (HandleAllocated())
            RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        DoExit();
        RedrawBorder();
        return true;
    });
    SetMessageHandler(WM_CONTEXTMENU, [this](TMessage& m) {
        ContextMenu(m);
        return true;
    });
    SetMessageHandler(CN_BASE + WM_COMMAND, [this](TMessage& m) {
        const WORD code = HIWORD(m.WParam);
        Notified(code);  // the events of any combo box first
        switch (code) {
        case CBN_DROPDOWN:
            WatchList();
            button_.ListOpened();
            InvalidateButtonRect();
            break;
        case CBN_CLOSEUP: button_.ListClosed(); InvalidateButtonRect(); break;
        default: break;
        }
        m.Result = 0;
        return true;
    });
    SetMessageHandler(CN_BASE + WM_DRAWITEM, [this](TMessage& m) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
        m.Result = TRUE;
        return true;
    });
    SetMessageHandler(CN_BASE + WM_MEASUREITEM, [this](TMessage& m) {
        if (itemHeight_ == 0)
            return false;  // not measured yet: the system's own height stands
        reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->itemHeight = static_cast<UINT>(itemHeight_);
        m.Result = TRUE;
        return true;
    });
}

TBitmappedComboBox::~TBitmappedComboBox() = default;

DWORD TBitmappedComboBox::Style() const
{
    return TWinControl::Style() | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
}

// ---- Events ----

void TBitmappedComboBox::Notified(WORD code)
{
    switch (code) {
    case CBN_SELCHANGE:
        Click();
        Change();
        break;
    case CBN_DROPDOWN:
        DropDown();
        AdjustDropDown();
        break;
    case CBN_DBLCLK:
        // Sent while the system handles a press: the double click that
        // press makes, fired once.
        if (inPress_) {
            if (firedInPress_)
                break;
            firedInPress_ = true;
        }
        DblClick();
        break;
    default: break;
    }
}

void TBitmappedComboBox::WatchList()
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(Handle(), &info) || !info.hwndList)
        return;
    if (!listWatch_ || !listWatch_->Watches(info.hwndList)) {
        listWatch_.reset();
        listWatch_ = std::make_unique<TListWatch>(*this, info.hwndList);
    }
}

// A left press at the field, on the control or on its dropped list; the
// double click it completes fires after the system's handling, unless the
// system's CBN_DBLCLK fired it meanwhile. Nothing of the object is touched
// after OnDblClick, which may free it.
void TBitmappedComboBox::FieldPressed(POINT screenPoint, bool systemDoubleClick,
                                      const std::function<void()>& systemHandling)
{
    const bool second = SecondPress(screenPoint) || systemDoubleClick;
    if (systemDoubleClick)
        lastPress_.valid = false;  // a third press starts again
    struct TPressing {
        explicit TPressing(TBitmappedComboBox& c) : combo(c)
        {
            combo.inPress_ = true;
            combo.firedInPress_ = false;
        }
        ~TPressing() { combo.inPress_ = false; }
        TBitmappedComboBox& combo;
    };
    bool fired = false;
    {
        const TPressing pressing(*this);
        systemHandling();
        fired = firedInPress_;
    }
    if (second && !fired)
        DblClick();
}

// Whether this press and the one before make a double click, by the
// message's time; the press after a double click starts a new one.
bool TBitmappedComboBox::SecondPress(POINT at)
{
    const DWORD time = static_cast<DWORD>(GetMessageTime());
    const bool second = lastPress_.valid && time - lastPress_.time <= GetDoubleClickTime() &&
                        std::abs(at.x - lastPress_.at.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                        std::abs(at.y - lastPress_.at.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    lastPress_ = second ? TPress{} : TPress{time, at, true};
    return second;
}

void TBitmappedComboBox::Change()
{
    if (OnChange)
        OnChange(*this);
}

void TBitmappedComboBox::DropDown()
{
    if (OnDropDown)
        OnDropDown(*this);
}

void TBitmappedComboBox::DblClick()
{
    if (OnDblClick)
        OnDblClick(*this);
}

// Entering and leaving happen within a parent: a form that goes takes its
// controls off first, and the focus they lose then is nobody's business (the
// form's handlers would find what they use already gone).
void TBitmappedComboBox::DoEnter()
{
    if (OnEnter && Parent())
        OnEnter(*this);
}

void TBitmappedComboBox::DoExit()
{
    if (OnExit && Parent())
        OnExit(*this);
}

void TBitmappedComboBox::ContextMenu(TMessage& m)
{
    POINT at{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    if (at.x != -1 || at.y != -1)  // (-1, -1): from the keyboard
        ScreenToClient(Handle(), &at);
    bool handled = false;
    if (OnContextPopup)
        OnContextPopup(*this, at, handled);
    if (handled)
        m.Result = 0;
    else
        DefaultHandler(m);  // on to the parent
}

// The system sizes the dropped list from the window's height beyond the field.
void TBitmappedComboBox::AdjustDropDown()
{
    RECT field{};
    GetWindowRect(Handle(), &field);
    const int height = field.bottom - field.top + ComboDropDownHeight(ItemHeight(), ItemCount(), dropDownCount_);
    SetWindowPos(Handle(), nullptr, 0, 0, field.right - field.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

// ---- Items ----

int TBitmappedComboBox::AddItem(const String& text)
{
    if (sorted_)
        return static_cast<int>(SendMessageA(Handle(), CB_INSERTSTRING, static_cast<WPARAM>(SortedPlace(text)),
                                             reinterpret_cast<LPARAM>(text.c_str())));
    return static_cast<int>(SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void TBitmappedComboBox::DeleteItem(int index)
{
    if (index >= 0)
        SendMessageA(Handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TBitmappedComboBox::ClearItems() { SendMessageA(Handle(), CB_RESETCONTENT, 0, 0); }

// The system's sorted lists compare as lstrcmpi does. Its CBS_SORT can't be
// given to a window that exists, and ours exists from the first item on, so
// the order is kept here: after the items that sort equal.
int TBitmappedComboBox::SortedPlace(const String& text)
{
    int low = 0, high = ItemCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (lstrcmpiA(Items(middle).c_str(), text.c_str()) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void TBitmappedComboBox::SetSorted(bool sorted)
{
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (!sorted_ || ItemCount() == 0)
        return;
    std::vector<String> items;
    for (int i = 0; i < ItemCount(); ++i)
        items.push_back(Items(i));
    const int chosen = ItemIndex();
    ClearItems();
    int chosenNow = -1;
    for (size_t i = 0; i < items.size(); ++i) {
        const int at = AddItem(items[i]);
        if (at >= 0 && chosenNow >= at)
            ++chosenNow;  // moved down by the new item
        if (static_cast<int>(i) == chosen)
            chosenNow = at;
    }
    SetItemIndex(chosenNow);
}

int TBitmappedComboBox::ItemCount() { return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)); }

String TBitmappedComboBox::Items(int index)
{
    const LRESULT length = SendMessageA(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return String();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const LRESULT copied = SendMessageA(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return copied == CB_ERR ? String() : String(text.data(), static_cast<size_t>(copied));
}

int TBitmappedComboBox::ItemIndex() { return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)); }

void TBitmappedComboBox::SetItemIndex(int index) { SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

String TBitmappedComboBox::Text() { return Items(ItemIndex()); }

int TBitmappedComboBox::ItemHeight()
{
    return static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

// ---- Appearance ----

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
        Invalidate();
    }
}

void TBitmappedComboBox::SetCornerColor(TColor colour)
{
    if (colour != corner_) {
        corner_ = colour;
        Invalidate();
    }
}

void TBitmappedComboBox::SetEnabled(bool enabled)
{
    TWinControl::SetEnabled(enabled);
    SetColor(clWindow);  // whether enabled or not
}

void TBitmappedComboBox::FontChanged()
{
    measureCanvas_.reset();
    TWinControl::FontChanged();
    if (loading_)
        NewAdjustHeight();
}

void TBitmappedComboBox::NewAdjustHeight()
{
    TEXTMETRICA metrics{};
    GetTextMetricsA(TFontDC(Font()).Get(), &metrics);
    itemHeight_ = ComboItemHeight(normal_.Empty() ? 0 : normal_.Height(), metrics.tmHeight);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, itemHeight_);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
}

// ---- Painting ----

TCanvas& TBitmappedComboBox::Canvas()
{
    if (itemCanvas_)
        return *itemCanvas_;
    if (!measureCanvas_)
        measureCanvas_ = std::make_unique<TMeasureCanvas>(Font());
    return measureCanvas_->canvas;
}

void TBitmappedComboBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    const int index = static_cast<int>(item.itemID);
    const bool selected = index >= 0 && (item.itemState & ODS_SELECTED) != 0;
    TCanvas canvas(item.hDC);
    SelectObject(canvas.Handle(), Font().Handle());  // the canvas puts the old one back
    canvas.SetBrush(ColorToRGB(selected ? clHighlight : Color()));
    canvas.SetFontColor(ColorToRGB(selected ? clHighlightText : Font().Color()));
    itemCanvas_ = &canvas;
    struct TDrawing {
        TCanvas*& canvas;
        ~TDrawing() { canvas = nullptr; }
    } drawing{itemCanvas_};

    if (index >= 0 && OnDrawItem) {
        OnDrawItem(*this, index, item.rcItem, item.itemState);
        return;
    }
    canvas.FillRect(item.rcItem);
    if (index >= 0)
        canvas.TextAt(item.rcItem.left + 2, item.rcItem.top, Items(index));
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
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
    if (!Visible())
        return;
    RECT client{};
    GetClientRect(Handle(), &client);
    if (ItemIndex() == -1) {
        const TWindowDC dc(Handle());
        FillRect(dc.Get(), &client, TSolidBrush(Color()).Get());  // no selection: a blank field
    }
    const TComboButtonRect b = ComboButtonRect(client.right, client.top, client.bottom, normal_.Width());
    const TBitmap& picture = button_.ShowsDownPicture(!down_.Empty()) ? down_ : normal_;
    if (!picture.Empty())
        DrawButton(RECT{b.left, b.top, b.right, b.bottom}, picture);
    RedrawBorder();
}

void TBitmappedComboBox::DrawButton(const RECT& rect, const TBitmap& picture)
{
    if (!Visible() || picture.Empty())
        return;
    const TWindowDC dc(Handle());
    const RECT behind{rect.left - 1, rect.top, rect.right + 2, rect.bottom};
    FillRect(dc.Get(), &behind, TSolidBrush(Color()).Get());
    picture.Draw(dc.Get(), rect.left, rect.top, false, POINT{0, 0});
}

void TBitmappedComboBox::RedrawBorder()
{
    if (!Visible() || !HandleAllocated())
        return;
    const TWindowDC dc(Handle());
    RECT client{};
    GetClientRect(Handle(), &client);
    FrameRect(dc.Get(), &client, TSolidBrush(border_).Get());
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    FrameRect(dc.Get(), &inner, TSolidBrush(Color()).Get());
    for (POINT corner : {POINT{0, 0}, POINT{0, client.bottom - 1}, POINT{client.right - 1, 0},
                         POINT{client.right - 1, client.bottom - 1}})
        SetPixel(dc.Get(), corner.x, corner.y, ColorToRGB(corner_));
}
