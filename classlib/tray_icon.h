// The program's icon in the notification area: its picture from an image
// list, its hint, a popup menu and restoring the application by mouse, and
// minimising the application to the icon. A hidden window of the icon's own
// gets the shell's mouse messages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <type_traits>

#include "classlib/component.h"
#include "classlib/controls.h"

class TImageList;
class TPopupMenu;

// The mouse action on the icon that does something.
enum class TTrayTrigger { None, LeftUp, LeftDblClick, RightUp, RightDblClick };

class TTrayIcon : public TComponent {
public:
    // The message the shell sends the icon's window: wParam the icon's id,
    // lParam the mouse message (WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...).
    static constexpr UINT kCallbackMessage = WM_APP + 1;
    // The icon's id with the shell, beside Handle().
    static constexpr UINT kIconId = 1;

    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    String ClassName() const override { return "TTrayIcon"; }

    // Adds the icon to the notification area, or removes it. Switching it
    // off and on adds it anew, as a new task bar needs; the icon also does
    // that by itself when the shell announces "TaskbarCreated".
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Whether the shell holds the icon: false while invisible, or when the
    // shell refused it (no notification area yet, Explorer not started).
    bool InTray() const { return inTray_; }

    // The icon's tool tip; the shell keeps 127 characters.
    const String& Hint() const { return hint_; }
    void SetHint(const String& hint);
    // 16 x 16 pictures, each with its bottom-left pixel's colour as the
    // transparent one; not owned, they must outlive the icon's use.
    const TImageList* Icons() const { return icons_; }
    void SetIcons(const TImageList* icons);
    // The picture shown; without a picture there (out of range, no Icons)
    // the icon keeps the one it has.
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    // The icon made from Icons at IconIndex, null when there is none.
    HICON Icon() const { return icon_.get(); }

    // Shown at the cursor on PopupMenuOn, when its AutoPopup is set; not
    // owned. The icon's menu must outlive it, or be unset first.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }
    TTrayTrigger PopupMenuOn() const { return popupMenuOn_; }
    void SetPopupMenuOn(TTrayTrigger trigger) { popupMenuOn_ = trigger; }
    TTrayTrigger RestoreOn() const { return restoreOn_; }
    void SetRestoreOn(TTrayTrigger trigger) { restoreOn_ = trigger; }

    // Whether minimising also hides the application window, leaving only
    // the icon to bring the program back; on by default.
    bool Hide() const { return hide_; }
    void SetHide(bool hide) { hide_ = hide; }

    // Minimises the application, hides its window when Hide is set, then
    // runs OnMinimize. The system's minimise command on the application
    // window comes here too.
    void Minimize();
    // Restores the application, shows its window and brings it to the
    // front, then runs OnRestore. So does the system's restore command.
    void Restore();

    // The window the shell sends kCallbackMessage to.
    HWND Handle() const { return window_.get(); }

    std::function<void(TTrayIcon&)> OnMinimize;
    std::function<void(TTrayIcon&)> OnRestore;
    std::function<void(TTrayIcon&)> OnDblClick;  // the left button
    // The position is the cursor's, in screen coordinates.
    std::function<void(TTrayIcon&, TMouseButton, TShiftState, int x, int y)> OnMouseDown;
    std::function<void(TTrayIcon&, TMouseButton, TShiftState, int x, int y)> OnMouseUp;

private:
    struct TWindowDeleter {
        void operator()(HWND window) const { DestroyWindow(window); }
    };
    struct TIconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void MouseMessage(UINT message);
    bool SystemCommand(TMessage& message);
    bool Notify(DWORD action);
    void IconChanged();
    void Update();

    std::unique_ptr<std::remove_pointer_t<HWND>, TWindowDeleter> window_;
    std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter> icon_;
    int hookId_ = 0;
    bool visible_ = false;
    bool inTray_ = false;
    bool hide_ = true;
    String hint_;
    const TImageList* icons_ = nullptr;
    int iconIndex_ = 0;
    TPopupMenu* popupMenu_ = nullptr;
    TTrayTrigger popupMenuOn_ = TTrayTrigger::RightUp;
    TTrayTrigger restoreOn_ = TTrayTrigger::LeftDblClick;
};
