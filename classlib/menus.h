// Popup menus: TPopupMenu holds its items in order and builds a system
// popup menu from them each time it pops up. With OwnerDraw every item,
// separators too, is measured and painted through the items' events; a
// hidden window of the menu's own answers the system's questions while the
// menu is shown. The chosen item's OnClick runs after the menu has closed.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "classlib/canvas.h"
#include "classlib/component.h"

class TImageList;
class TPopupMenu;

// The state of an owner-drawn item: the same bits as the system's ODS_ flags.
enum TOwnerDrawFlag : unsigned {
    odSelected = ODS_SELECTED,
    odGrayed = ODS_GRAYED,
    odDisabled = ODS_DISABLED,
    odChecked = ODS_CHECKED,
    odFocused = ODS_FOCUS,
    odDefault = ODS_DEFAULT,
    odHotLight = ODS_HOTLIGHT,
    odInactive = ODS_INACTIVE,
    odNoAccel = ODS_NOACCEL,
    odNoFocusRect = ODS_NOFOCUSRECT,
};
using TOwnerDrawState = unsigned;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TPopupMenu* menu);

    String ClassName() const override { return "TMenuItem"; }

    // "-" makes the item a separator.
    const String& Caption() const { return caption_; }
    void SetCaption(const String& caption) { caption_ = caption; }
    bool IsLine() const { return caption_ == "-"; }
    // Invisible items are left out of the built menu; disabled ones are greyed.
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    // The picture in the menu's Images, -1 for none.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { imageIndex_ = index; }

    TPopupMenu* Parent() const { return menu_; }
    // The built menu this item is in (the parent's Handle()).
    HMENU ParentHandle() const;
    // The item's position in the built menu, for GetMenuItemRect and the
    // like: invisible items before it are left out there, so this differs
    // from Index() then. -1 while the item is not in the built menu.
    int MenuIndex() const { return menuIndex_; }
    // The item's position among its parent's Items.
    int Index() const;

    // Runs OnClick.
    void Click();

    std::function<void(TMenuItem&)> OnClick;
    // Owner-drawn menus: width and height come filled in with the default
    // size; the canvas has the menu font selected, for measuring text.
    std::function<void(TMenuItem&, TCanvas&, int& width, int& height)> OnMeasureItem;
    // Owner-drawn menus: paints the whole item rectangle (in the canvas's
    // coordinates); unset, the item is drawn in the system's colours.
    std::function<void(TMenuItem&, TCanvas&, const RECT&, TOwnerDrawState)> OnAdvancedDrawItem;

private:
    friend class TPopupMenu;

    TPopupMenu* menu_;
    String caption_;
    bool visible_ = true;
    bool enabled_ = true;
    int imageIndex_ = -1;
    int menuIndex_ = -1;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    String ClassName() const override { return "TPopupMenu"; }

    // Adds an item at the end; the menu owns it.
    TMenuItem& Add(const String& caption);
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;  // null out of range
    // Removes every item; refused while the menu is shown.
    void Clear();

    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool ownerDraw) { ownerDraw_ = ownerDraw; }
    // Whether the control or icon the menu belongs to pops it up by itself.
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
    // The items' pictures, drawn by owner-drawn menus; not owned: they must
    // outlive the menu's use.
    const TImageList* Images() const { return images_; }
    void SetImages(const TImageList* images) { images_ = images; }

    // Runs OnPopup, builds the menu and shows it at (x, y) on the screen
    // until an item is chosen or the menu is dismissed; then runs the
    // chosen item's OnClick. Does nothing while the menu is shown already.
    void Popup(int x, int y);
    bool Showing() const { return showing_; }
    // Builds the system menu from the items now (Popup does it each time);
    // refused while the menu is shown.
    void Rebuild();
    // The built menu: valid from the first build until the next one, and
    // while the menu is shown; null before.
    HMENU Handle() const { return menu_.get(); }
    // The hidden window that owns the shown menu.
    HWND WindowHandle();

    std::function<void(TPopupMenu&)> OnPopup;

private:
    struct TMenuDeleter {
        void operator()(HMENU menu) const { DestroyMenu(menu); }
    };
    struct TWindowDeleter {
        void operator()(HWND window) const { DestroyWindow(window); }
    };
    struct TFontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TMenuItem* BuiltItem(ULONG_PTR itemData) const;
    HFONT MenuFont();
    void MeasureItem(MEASUREITEMSTRUCT& measure);
    void DrawItem(const DRAWITEMSTRUCT& draw);
    LRESULT MenuChar(char key) const;
    void DefaultMeasure(TMenuItem& item, TCanvas& canvas, int& width, int& height) const;
    void DefaultDraw(TMenuItem& item, TCanvas& canvas, const RECT& rect, TOwnerDrawState state) const;

    std::vector<std::unique_ptr<TMenuItem>> items_;
    std::vector<TMenuItem*> built_;  // the items of the built menu, by position
    std::unique_ptr<std::remove_pointer_t<HMENU>, TMenuDeleter> menu_;
    std::unique_ptr<std::remove_pointer_t<HWND>, TWindowDeleter> window_;
    std::unique_ptr<std::remove_pointer_t<HFONT>, TFontDeleter> menuFont_;
    bool ownerDraw_ = false;
    bool autoPopup_ = true;
    bool showing_ = false;
    const TImageList* images_ = nullptr;
};
