#include "classlib/tray_icon.h"

#include <shellapi.h>

#include <vector>

#include "classlib/application.h"
#include "classlib/graphics.h"
#include "classlib/image_list.h"
#include "classlib/menus.h"

namespace {

const char kClassName[] = "TalmorisTrayIcon";

struct TBitmapDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using TBitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, TBitmapDeleter>;

// An icon of picture `index`, its transparent pixels masked out. The image
// list draws without them: drawn once on black and once on white, the
// pixels that differ are the transparent ones, and the picture on black is
// what an icon's colour part needs.
HICON MakeIcon(const TImageList& icons, int index)
{
    const int width = icons.Width();
    const int height = icons.Height();
    if (index < 0 || index >= icons.Count() || width <= 0 || height <= 0)
        return nullptr;
    const TBitmap onBlack(width, height);
    const TBitmap onWhite(width, height);
    {
        const TBitmapDC dc(onBlack);
        icons.Draw(dc.Get(), 0, 0, index);
    }
    {
        const TBitmapDC dc(onWhite);
        PatBlt(dc.Get(), 0, 0, width, height, WHITENESS);
        icons.Draw(dc.Get(), 0, 0, index);
    }
    // A monochrome bitmap's rows are whole 16-bit words; a set bit is transparent.
    const int stride = (width + 15) / 16 * 2;
    std::vector<BYTE> maskBits(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (onBlack.Pixel(x, y) != onWhite.Pixel(x, y))
                maskBits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    const TBitmapHandle mask(CreateBitmap(width, height, 1, 1, maskBits.data()));
    if (!mask)
        return nullptr;
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask.get();
    info.hbmColor = onBlack.Handle();
    return CreateIconIndirect(&info);  // copies both bitmaps
}

// The shell's announcement of a new task bar (Explorer restarted). An
// elevated program gets it only when it lets it through the message filter
// (Vista and later; XP has no such filter).
UINT TaskbarCreatedMessage()
{
    static const UINT message = [] {
        const UINT registered = RegisterWindowMessageA("TaskbarCreated");
        using TChangeFilter = BOOL(WINAPI*)(UINT, DWORD);
        constexpr DWORD kAllow = 1;  // MSGFLT_ADD
        const auto change = reinterpret_cast<TChangeFilter>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilter")));
        if (registered && change)
            change(registered, kAllow);
        return registered;
    }();
    return message;
}

UINT TriggerMessage(TTrayTrigger trigger)
{
    switch (trigger) {
    case TTrayTrigger::LeftUp: return WM_LBUTTONUP;
    case TTrayTrigger::LeftDblClick: return WM_LBUTTONDBLCLK;
    case TTrayTrigger::RightUp: return WM_RBUTTONUP;
    case TTrayTrigger::RightDblClick: return WM_RBUTTONDBLCLK;
    case TTrayTrigger::None: break;
    }
    return 0;
}

}  // namespace

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner)
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TTrayIcon::WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    (void)atom;
    TaskbarCreatedMessage();
    // A hidden top-level window rather than a message-only one: it gets the
    // shell's "TaskbarCreated" broadcast, and under Wine making it starts
    // the desktop process that holds the notification area.
    window_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
    if (window_)
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    hookId_ = TApplication::Instance().HookMainWindow([this](TMessage& message) { return SystemCommand(message); });
}

TTrayIcon::~TTrayIcon()
{
    TApplication::Instance().UnhookMainWindow(hookId_);
    SetVisible(false);
    if (window_)
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

bool TTrayIcon::Notify(DWORD action)
{
    if (!window_)
        return false;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;  // what XP knows, with the long tip
    data.hWnd = window_.get();
    data.uID = kIconId;
    if (action != NIM_DELETE) {
        data.uFlags = NIF_MESSAGE | NIF_TIP;
        data.uCallbackMessage = kCallbackMessage;
        lstrcpynA(data.szTip, hint_.c_str(), sizeof data.szTip);
        if (icon_) {
            data.uFlags |= NIF_ICON;
            data.hIcon = icon_.get();
        }
    }
    return Shell_NotifyIconA(action, &data) != FALSE;
}

void TTrayIcon::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (visible_) {
        inTray_ = Notify(NIM_ADD);
    } else {
        Notify(NIM_DELETE);
        inTray_ = false;
    }
}

// Tells the shell what changed; a shell that lost the icon (restarted) or
// refused it before gets it anew.
void TTrayIcon::Update()
{
    if (visible_)
        inTray_ = (inTray_ && Notify(NIM_MODIFY)) || Notify(NIM_ADD);
}

void TTrayIcon::SetHint(const String& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    Update();
}

void TTrayIcon::SetIcons(const TImageList* icons)
{
    icons_ = icons;
    IconChanged();
}

void TTrayIcon::SetIconIndex(int index)
{
    if (index == iconIndex_)
        return;
    iconIndex_ = index;
    IconChanged();
}

void TTrayIcon::IconChanged()
{
    HICON made = icons_ ? MakeIcon(*icons_, iconIndex_) : nullptr;
    if (!made)
        return;
    icon_.reset(made);
    Update();
}

void TTrayIcon::Minimize()
{
    TApplication& application = TApplication::Instance();
    application.Minimize();
    if (hide_)
        ShowWindow(application.Handle(), SW_HIDE);
    if (OnMinimize)
        OnMinimize(*this);
}

void TTrayIcon::Restore()
{
    TApplication& application = TApplication::Instance();
    application.Restore();
    ShowWindow(application.Handle(), SW_RESTORE);
    SetForegroundWindow(application.Handle());
    if (OnRestore)
        OnRestore(*this);
}

bool TTrayIcon::SystemCommand(TMessage& message)
{
    if (message.Msg != WM_SYSCOMMAND)
        return false;
    switch (message.WParam & 0xFFF0) {  // the low four bits are the system's own
    case SC_MINIMIZE: Minimize(); break;
    case SC_RESTORE: Restore(); break;
    default: return false;
    }
    message.Result = 0;
    return true;
}

void TTrayIcon::MouseMessage(UINT message)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    const TShiftState shift = ShiftFromKeyboard();
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(*this,
                        message == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                        : message == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                    : TMouseButton::mbMiddle,
                        shift, cursor.x, cursor.y);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (OnMouseUp)
            OnMouseUp(*this,
                      message == WM_LBUTTONUP   ? TMouseButton::mbLeft
                      : message == WM_RBUTTONUP ? TMouseButton::mbRight
                                                : TMouseButton::mbMiddle,
                      shift, cursor.x, cursor.y);
        break;
    case WM_LBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick(*this);
        break;
    default: break;
    }
    if (message == TriggerMessage(restoreOn_))
        Restore();
    if (message == TriggerMessage(popupMenuOn_) && popupMenu_ && popupMenu_->AutoPopup())
        popupMenu_->Popup(cursor.x, cursor.y);
}

LRESULT CALLBACK TTrayIcon::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedWindowProc(hwnd, message, [&] { return Dispatch(hwnd, message, wParam, lParam); });
}

LRESULT TTrayIcon::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const UINT taskbarCreated = TaskbarCreatedMessage();
    auto* self = reinterpret_cast<TTrayIcon*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && message == kCallbackMessage) {
        self->MouseMessage(static_cast<UINT>(lParam));
        return 0;
    }
    if (self && message == taskbarCreated && taskbarCreated != 0) {
        // A new task bar holds no icons: the old one's are gone with it.
        if (self->visible_)
            self->inTray_ = self->Notify(NIM_ADD);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
