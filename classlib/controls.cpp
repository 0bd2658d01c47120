#include "classlib/controls.h"

#include <algorithm>
#include <map>
#include <string>

#include "classlib/application.h"

namespace {

const char kObjectProperty[] = "TalmorisControl";

TShiftState ShiftFromKeys(WPARAM keys)
{
    TShiftState shift = 0;
    if (keys & MK_SHIFT)
        shift |= ssShift;
    if (keys & MK_CONTROL)
        shift |= ssCtrl;
    if (keys & MK_LBUTTON)
        shift |= ssLeft;
    if (keys & MK_RBUTTON)
        shift |= ssRight;
    if (keys & MK_MBUTTON)
        shift |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

int SignedLow(LPARAM l) { return static_cast<short>(LOWORD(l)); }
int SignedHigh(LPARAM l) { return static_cast<short>(HIWORD(l)); }

}  // namespace

TShiftState ShiftFromKeyboard()
{
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

// ---- TControl ----

TControl::~TControl()
{
    if (parent_)
        SetParent(nullptr);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::Invalidate()
{
    if (auto* windowed = dynamic_cast<TWinControl*>(this)) {
        if (windowed->HandleAllocated())
            InvalidateRect(windowed->Handle(), nullptr, FALSE);
    } else if (parent_ && parent_->HandleAllocated()) {
        RECT area{left_, top_, left_ + width_, top_ + height_};
        InvalidateRect(parent_->Handle(), &area, TRUE);
    }
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_)
        return;
    auto* windowed = dynamic_cast<TWinControl*>(this);
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        auto& tabs = parent_->tabList_;
        tabs.erase(std::remove(tabs.begin(), tabs.end(), windowed), tabs.end());
        if (parent_->mouseTarget_ == this)
            parent_->mouseTarget_ = nullptr;
    }
    parent_ = parent;
    if (parent_) {
        parent_->controls_.push_back(this);
        if (windowed)
            parent_->tabList_.push_back(windowed);
        if (parentFont_)
            InheritFont(parent_->Font());
        if (parentColor_)
            InheritColor(parent_->Color());
    }
}

void TControl::SetFont(const TFont& font)
{
    parentFont_ = false;
    InheritFont(font);
}

void TControl::SetParentFont(bool parentFont)
{
    parentFont_ = parentFont;
    if (parentFont_ && parent_)
        InheritFont(parent_->Font());
}

void TControl::InheritFont(const TFont& font)
{
    if (font == font_)
        return;
    font_ = font;
    FontChanged();
}

void TControl::SetColor(TColor colour)
{
    parentColor_ = false;
    InheritColor(colour);
}

void TControl::SetParentColor(bool parentColor)
{
    parentColor_ = parentColor;
    if (parentColor_ && parent_)
        InheritColor(parent_->Color());
}

void TControl::InheritColor(TColor colour)
{
    if (colour == colour_)
        return;
    colour_ = colour;
    ColorChanged();
}

void TControl::SetTextProperty(const String& name, const String& value)
{
    if (name == "Caption" || name == "Text")
        SetCaption(value);
    else if (name == "Hint")
        SetHint(value);
}

void TControl::HandleMouseButton(UINT message, TShiftState shift, int x, int y)
{
    const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
    const TMouseButton button = (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)   ? TMouseButton::mbLeft
                                : (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) ? TMouseButton::mbRight
                                                                                         : TMouseButton::mbMiddle;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
        if (button == TMouseButton::mbLeft)
            leftPressedInside_ = inside;
        MouseDown(button, shift, x, y);
        return;
    }
    // The click comes before the mouse-up: a press inside, then a release inside.
    if (button == TMouseButton::mbLeft) {
        const bool clicked = leftPressedInside_ && inside;
        leftPressedInside_ = false;
        if (clicked)
            Click();
    }
    MouseUp(button, shift, x, y);
}

void TControl::Click()
{
    if (OnClick)
        OnClick(*this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(*this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(*this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(*this, button, shift, x, y);
}

void TControl::MouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(*this);
}

void TControl::MouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(*this);
}

void TControl::KeyPress(char& key)
{
    if (OnKeyPress)
        OnKeyPress(*this, key);
}

void TControl::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(*this, key, shift);
}

void TControl::KeyUp(WORD& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(*this, key, shift);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner)
{
    WindowProc = [this](TMessage& message) { WndProc(message); };
}

TWinControl::~TWinControl()
{
    // Children that outlive us (owned elsewhere) lose their parent first.
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
    DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<TWinControl*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        return nullptr;
    return controls_[static_cast<size_t>(index)];
}

DWORD TWinControl::Style() const
{
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    style |= Parent() ? WS_CHILD : WS_POPUP;
    if (Visible() && Parent())
        style |= WS_VISIBLE;
    if (!Enabled())
        style |= WS_DISABLED;
    if (tabStop_)
        style |= WS_TABSTOP;
    return style;
}

HWND TWinControl::Handle()
{
    if (!handle_)
        CreateHandle();
    return handle_;
}

// Our window class of a name and a class style: one class per style, since
// the style belongs to the class (a drop shadow, say), registered on first use.
const char* TWinControl::OwnClassName(const char* baseName, UINT classStyle)
{
    static std::map<std::string, std::string> names;
    std::string name = baseName;
    if (classStyle != CS_DBLCLKS)
        name += IntToHex(classStyle, 1);
    const auto found = names.find(name);
    if (found != names.end())
        return found->second.c_str();
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = &TWinControl::StaticWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name.c_str();
    RegisterClassA(&wc);
    return names.emplace(name, name).first->second.c_str();
}

void TWinControl::CreateHandle()
{
    if (creatingHandle_)
        return;  // a parent that failed asks its children again: no endless round
    creatingHandle_ = true;
    const HWND parentWindow = Parent() ? Parent()->Handle() : TApplication::Instance().Handle();
    creatingHandle_ = false;
    if (handle_)
        return;  // made meanwhile: the parent's window makes its children's
    if (const char* systemClass = WindowClassName()) {
        const HWND window = CreateWindowExA(ExStyle(), systemClass, Caption().c_str(), Style(), Left(), Top(), Width(),
                                            Height(), parentWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window) {
            SetPropA(window, kObjectProperty, this);
            handle_ = window;
            systemProc_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StaticWindowProc)));
            CallWindowProcA(systemProc_, window, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
        }
    } else {
        handle_ = CreateWindowExA(ExStyle(), OwnClassName(OwnClassBaseName(), ClassStyle()), Caption().c_str(), Style(), Left(), Top(),
                                  Width(), Height(), parentWindow, nullptr, GetModuleHandleA(nullptr), this);
    }
    if (!handle_)
        return;  // no window (no display): its children can't have one either
    // Children made before their parent's window get theirs now.
    for (TControl* control : controls_)
        if (auto* child = dynamic_cast<TWinControl*>(control))
            child->Handle();
}

void TWinControl::DestroyHandle()
{
    if (!handle_)
        return;
    const HWND window = handle_;
    if (systemProc_)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(systemProc_));
    RemovePropA(window, kObjectProperty);
    handle_ = nullptr;
    systemProc_ = nullptr;
    DestroyWindow(window);
}

LRESULT CALLBACK TWinControl::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetPropA(hwnd, kObjectProperty, self);
        self->handle_ = hwnd;
    }
    TWinControl* self = FromHandle(hwnd);
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    TMessage m{message, wParam, lParam, 0};
    m.Result = GuardedWindowProc(hwnd, message, [&] {
        self->WindowProc(m);
        return m.Result;
    });
    if (message == WM_NCDESTROY) {
        // The window is gone (destroyed with its parent, say): forget it.
        RemovePropA(hwnd, kObjectProperty);
        self->handle_ = nullptr;
        self->systemProc_ = nullptr;
    }
    return m.Result;
}

void TWinControl::SetMessageHandler(UINT message, TMessageHandler handler)
{
    if (handler)
        handlers_[message] = std::move(handler);
    else
        handlers_.erase(message);
}

void TWinControl::SetPaintHandler(std::function<void(HDC)> paint)
{
    SetMessageHandler(WM_ERASEBKGND, [](TMessage& m) {
        m.Result = 1;  // the paint covers everything: no flicker
        return true;
    });
    SetMessageHandler(WM_PAINT, [this, paint = std::move(paint)](TMessage& m) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        paint(dc);
        EndPaint(handle_, &ps);
        m.Result = 0;
        return true;
    });
}

LRESULT TWinControl::Perform(UINT message, WPARAM wParam, LPARAM lParam)
{
    TMessage m{message, wParam, lParam, 0};
    WindowProc(m);
    return m.Result;
}

void TWinControl::WndProc(TMessage& message)
{
    const auto handler = handlers_.find(message.Msg);
    if (handler != handlers_.end() && handler->second(message))
        return;
    if (ReflectToChild(message) || ColourSystemChild(message) || DispatchMouseAndKeys(message) ||
        SetControlCursor(message))
        return;
    DefaultHandler(message);
}

void TWinControl::FontChanged()
{
    if (handle_ && systemProc_)
        CallWindowProcA(systemProc_, handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    for (TControl* child : controls_)
        if (child->parentFont_)
            child->InheritFont(Font());
    TControl::FontChanged();
}

void TWinControl::ColorChanged()
{
    backgroundBrush_.reset();
    for (TControl* child : controls_)
        if (child->parentColor_)
            child->InheritColor(Color());
    TControl::ColorChanged();
}

bool TWinControl::WantsTab()
{
    if (!handle_ || !systemProc_)
        return false;
    return (CallWindowProcA(systemProc_, handle_, WM_GETDLGCODE, VK_TAB, 0) & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) != 0;
}

bool TWinControl::WantsChars()
{
    if (!handle_ || !systemProc_)
        return false;
    return (CallWindowProcA(systemProc_, handle_, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) != 0;
}

void TWinControl::PaintParentBackground(HDC dc)
{
    TWinControl* parent = Parent();
    if (!parent || !parent->HandleAllocated()) {
        const RECT client{0, 0, Width(), Height()};
        const HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        return;
    }
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, -Left(), -Top(), nullptr);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    parent->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
}

int TWinControl::TabOrder() const
{
    if (!Parent())
        return -1;
    const auto& tabs = Parent()->tabList_;
    return static_cast<int>(std::find(tabs.begin(), tabs.end(), this) - tabs.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (!Parent())
        return;
    auto& tabs = Parent()->tabList_;
    tabs.erase(std::remove(tabs.begin(), tabs.end(), this), tabs.end());
    const size_t at = static_cast<size_t>(std::clamp(order, 0, static_cast<int>(tabs.size())));
    tabs.insert(tabs.begin() + static_cast<std::ptrdiff_t>(at), this);
}

void TWinControl::CollectTabStops(std::vector<TWinControl*>& stops)
{
    for (TWinControl* child : tabList_) {
        if (!child->Visible() || !child->Enabled())
            continue;
        if (child->TabStop())
            stops.push_back(child);
        child->CollectTabStops(stops);
    }
}

bool TWinControl::SelectNext(TWinControl* current, bool forward)
{
    std::vector<TWinControl*> stops;
    CollectTabStops(stops);
    if (stops.empty())
        return false;
    const auto found = std::find(stops.begin(), stops.end(), current);
    size_t next = 0;
    if (found == stops.end())
        next = forward ? 0 : stops.size() - 1;
    else {
        const size_t at = static_cast<size_t>(found - stops.begin());
        next = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
    }
    SetFocus(stops[next]->Handle());
    return true;
}

bool TWinControl::BroadcastDialogChar(char key)
{
    for (TControl* control : controls_) {
        if (!control->Visible())
            continue;
        if (control->DialogChar(key))
            return true;
        if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed && windowed->BroadcastDialogChar(key))
            return true;
    }
    return false;
}

// A system child (edit, list) asks its parent for its colours: it gets the
// font colour and a brush of its own Color.
bool TWinControl::ColourSystemChild(TMessage& message)
{
    if (message.Msg < CN_BASE + WM_CTLCOLORMSGBOX || message.Msg > CN_BASE + WM_CTLCOLORSTATIC || !systemProc_)
        return false;
    const HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    SetBkColor(dc, ColorToRGB(Color()));
    if (!backgroundBrush_)
        backgroundBrush_.reset(CreateSolidBrush(ColorToRGB(Color())), [](HBRUSH brush) { DeleteObject(brush); });
    message.Result = reinterpret_cast<LRESULT>(backgroundBrush_.get());
    return true;
}

bool TWinControl::SetControlCursor(const TMessage& message)
{
    if (message.Msg != WM_SETCURSOR || reinterpret_cast<HWND>(message.WParam) != handle_ ||
        LOWORD(message.LParam) != HTCLIENT)
        return false;
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(handle_, &point);
    const TControl* graphic = GraphicControlAt(point.x, point.y);
    const TCursor cursor = (graphic && graphic->Cursor() != crDefault) ? graphic->Cursor() : Cursor();
    if (cursor == crDefault)
        return false;
    ::SetCursor(CursorHandle(cursor));
    const_cast<TMessage&>(message).Result = TRUE;
    return true;
}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (!handle_) {
        message.Result = 0;
        return;
    }
    if (message.Msg == WM_ERASEBKGND && !systemProc_) {
        RECT client{};
        GetClientRect(handle_, &client);
        const HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
        FillRect(reinterpret_cast<HDC>(message.WParam), &client, brush);
        DeleteObject(brush);
        message.Result = 1;
        return;
    }
    if (message.Msg == WM_PRINTCLIENT && !systemProc_) {
        PaintGraphicControls(reinterpret_cast<HDC>(message.WParam));
        message.Result = 0;
        return;
    }
    if (message.Msg == WM_PAINT && !systemProc_) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        PaintGraphicControls(dc);
        EndPaint(handle_, &ps);
        message.Result = 0;
        return;
    }
    message.Result = systemProc_ ? CallWindowProcA(systemProc_, handle_, message.Msg, message.WParam, message.LParam)
                                 : DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

bool TWinControl::ReflectToChild(TMessage& message)
{
    HWND child = nullptr;
    switch (message.Msg) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: child = reinterpret_cast<HWND>(message.LParam); break;
    case WM_DRAWITEM: child = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)->hwndItem; break;
    case WM_MEASUREITEM:
        if (handle_)
            child = GetDlgItem(handle_, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)->CtlID));
        break;
    default: return false;
    }
    TWinControl* target = FromHandle(child);
    if (!target || target == this)
        return false;
    message.Result = target->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

bool TWinControl::DispatchMouseAndKeys(TMessage& message)
{
    const int x = SignedLow(message.LParam);
    const int y = SignedHigh(message.LParam);
    // Hints follow the mouse; a press or a key puts them away.
    TApplication::Instance().HintMouseMessage(*this, message.Msg == WM_MOUSEMOVE ? GraphicControlAt(x, y) : nullptr,
                                              message.Msg);
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        // A graphic control under the press gets the press and everything
        // up to the release, as if it had the capture.
        const bool down = message.Msg == WM_LBUTTONDOWN || message.Msg == WM_RBUTTONDOWN || message.Msg == WM_MBUTTONDOWN;
        if (down)
            mouseTarget_ = GraphicControlAt(x, y);
        TControl* target = mouseTarget_ ? mouseTarget_ : this;
        target->HandleMouseButton(message.Msg, ShiftFromKeys(message.WParam), x - (target == this ? 0 : target->Left()),
                                  y - (target == this ? 0 : target->Top()));
        if (!down)
            mouseTarget_ = nullptr;
        message.Result = 0;
        return !systemProc_;  // a system window does its own part as well
    }
    case WM_MOUSEMOVE:
        if (!mouseInside_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle_, 0};
            if (handle_)
                TrackMouseEvent(&track);
            MouseEnter();
        }
        MouseMove(ShiftFromKeys(message.WParam), x, y);
        message.Result = 0;
        return !systemProc_;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        MouseLeave();
        message.Result = 0;
        return true;
    case WM_CHAR: {
        char key = static_cast<char>(message.WParam);
        if (TWinControl* preview = PreviewingForm())
            preview->KeyPress(key);
        if (key != 0)
            KeyPress(key);
        // A character the control doesn't take as input may be an accelerator.
        if (key != 0 && !WantsChars() && TopLevel()->BroadcastDialogChar(key))
            key = 0;
        if (key == 0) {
            message.Result = 0;  // consumed
            return true;
        }
        message.WParam = static_cast<unsigned char>(key);
        return false;
    }
    case WM_SYSCHAR:
        // Alt with a letter: the accelerators of the form.
        if (TopLevel()->BroadcastDialogChar(static_cast<char>(message.WParam))) {
            message.Result = 0;
            return true;
        }
        return false;
    case WM_KEYDOWN:
    case WM_KEYUP: {
        WORD key = static_cast<WORD>(message.WParam);
        const TShiftState shift = ShiftFromKeyboard();
        TWinControl* preview = PreviewingForm();
        if (preview)
            message.Msg == WM_KEYDOWN ? preview->KeyDown(key, shift) : preview->KeyUp(key, shift);
        if (key != 0)
            message.Msg == WM_KEYDOWN ? KeyDown(key, shift) : KeyUp(key, shift);
        // Tab moves the focus, unless the control takes tabs itself.
        if (key == VK_TAB && message.Msg == WM_KEYDOWN && (shift & (ssCtrl | ssAlt)) == 0 && !WantsTab() &&
            TopLevel()->SelectNext(this, (shift & ssShift) == 0))
            key = 0;
        if (key == 0) {
            message.Result = 0;
            return true;
        }
        message.WParam = key;
        return false;
    }
    default: return false;
    }
}

TControl* TWinControl::GraphicControlAt(int x, int y) const
{
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* control = *it;
        if (dynamic_cast<TWinControl*>(control) || !control->Visible())
            continue;
        if (x >= control->Left() && y >= control->Top() && x < control->Left() + control->Width() &&
            y < control->Top() + control->Height())
            return control;
    }
    return nullptr;
}

void TWinControl::PaintGraphicControls(HDC dc)
{
    for (TControl* control : controls_) {
        if (dynamic_cast<TWinControl*>(control) || !control->Visible())
            continue;
        const int saved = SaveDC(dc);
        OffsetViewportOrgEx(dc, control->Left(), control->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, control->Width(), control->Height());
        control->Paint(dc);
        RestoreDC(dc, saved);
    }
}

TWinControl* TWinControl::TopLevel()
{
    TWinControl* top = this;
    while (top->Parent())
        top = top->Parent();
    return top;
}

TWinControl* TWinControl::PreviewingForm()
{
    TWinControl* top = Parent();
    while (top && top->Parent())
        top = top->Parent();
    return (top && top->KeyPreview()) ? top : nullptr;
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    TControl::SetBounds(left, top, width, height);
    if (handle_)
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::BringToFront()
{
    if (handle_)
        SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetVisible(bool visible)
{
    TControl::SetVisible(visible);
    if (handle_)
        ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled)
{
    if (enabled == Enabled())
        return;
    TControl::SetEnabled(enabled);
    if (handle_)
        EnableWindow(handle_, enabled);
}

void TWinControl::SetParent(TWinControl* parent)
{
    TControl::SetParent(parent);
    if (handle_)
        ::SetParent(handle_, parent ? parent->Handle() : TApplication::Instance().Handle());
    else if (parent && parent->HandleAllocated())
        Handle();  // a parent already on screen shows its new child at once
}

void TWinControl::SetCaption(const String& caption)
{
    TControl::SetCaption(caption);
    if (handle_)
        SetWindowTextA(handle_, caption.c_str());
}
