// Controls: TControl holds what every control has (bounds, visibility,
// texts, mouse and key events); TWinControl owns a window, dispatches its
// messages through a map that takes any message number, reflects the
// notifications a parent gets from a child (WM_COMMAND, WM_DRAWITEM, ...) to
// the child object, and turns mouse and key messages into events.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "classlib/colors.h"
#include "classlib/component.h"
#include "classlib/cursors.h"
#include "classlib/font.h"

// Shift state of mouse and key events.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = unsigned;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
// Shift, Ctrl and Alt as they are held now.
TShiftState ShiftFromKeyboard();

// Notifications reflected to the child they concern arrive as CN_BASE + the message.
constexpr UINT CN_BASE = 0xBC00;

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

class TWinControl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner) : TComponent(owner) {}

    String ClassName() const override { return "TControl"; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    virtual void SetBounds(int left, int top, int width, int height);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible) { visible_ = visible; }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled) { enabled_ = enabled; }
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    const String& Caption() const { return caption_; }
    virtual void SetCaption(const String& caption) { caption_ = caption; }
    // The text properties this kind of control publishes ("Caption",
    // "Hint", "Text"), for the interface translator.
    virtual bool PublishesTextProperty(const String& name) const { return name == "Hint"; }
    virtual void SetTextProperty(const String& name, const String& value);
    // Tab sets: the number of tabs, -1 for other controls.
    virtual int TabCount() const { return -1; }
    virtual void SetTabCaption(int, const String&) {}

    // Font and colour: a control takes its parent's while ParentFont or
    // ParentColor is set; setting its own clears the flag.
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    TColor Color() const { return colour_; }
    void SetColor(TColor colour);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    // The mouse cursor over the control; crDefault leaves the window's own.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor) { cursor_ = cursor; }

    // An accelerator key typed in the control's form: true when this control
    // took it (the form then offers it to nobody else).
    virtual bool DialogChar(char) { return false; }

    const String& Hint() const { return hint_; }
    void SetHint(const String& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }

    std::function<void(TControl&)> OnClick;
    std::function<void(TControl&, TMouseButton, TShiftState, int, int)> OnMouseDown;
    std::function<void(TControl&, TShiftState, int, int)> OnMouseMove;
    std::function<void(TControl&, TMouseButton, TShiftState, int, int)> OnMouseUp;
    std::function<void(TControl&)> OnMouseEnter;
    std::function<void(TControl&)> OnMouseLeave;
    std::function<void(TControl&, char&)> OnKeyPress;
    std::function<void(TControl&, WORD&, TShiftState)> OnKeyDown;
    std::function<void(TControl&, WORD&, TShiftState)> OnKeyUp;

    // The class library's event hooks; overrides call the base to fire the event.
    virtual void Click();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void KeyPress(char& key);
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    // Graphic controls paint on their parent's window, at their own origin.
    virtual void Paint(HDC) {}
    // Mouse button messages in the control's own coordinates, with the click
    // rule: a left press inside, then a left release inside, clicks before
    // the mouse-up.
    void HandleMouseButton(UINT message, TShiftState shift, int x, int y);
    // Asks the parent to paint again.
    void Invalidate();

    ~TControl() override;

protected:
    // Called after the font or the colour changed, own or inherited.
    virtual void FontChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }

private:
    friend class TWinControl;
    void InheritFont(const TFont& font);
    void InheritColor(TColor colour);

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool showHint_ = false;
    bool leftPressedInside_ = false;
    bool parentFont_ = true;
    bool parentColor_ = true;
    TFont font_;
    TColor colour_ = clBtnFace;
    TCursor cursor_ = crDefault;
    TWinControl* parent_ = nullptr;
    String caption_;
    String hint_;
};

class TWinControl : public TControl {
public:
    using TMessageHandler = std::function<bool(TMessage&)>;  // true: handled, Result set

    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    String ClassName() const override { return "TWinControl"; }

    // The window, made on first use (a child of the parent's window, or a
    // top-level window without a parent).
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // The object behind one of our windows, or null.
    static TWinControl* FromHandle(HWND hwnd);

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetParent(TWinControl* parent) override;
    void SetCaption(const String& caption) override;

    // Puts the window above its siblings.
    void BringToFront();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;

    // A handler for one message number (any number, also above 0xFFFF).
    void SetMessageHandler(UINT message, TMessageHandler handler);
    // Controls that paint every pixel themselves: `paint` draws the whole
    // client area into the paint context, and nothing is erased before.
    void SetPaintHandler(std::function<void(HDC)> paint);
    // The window procedure of the object; replace it to look at messages
    // first, and call WndProc to go on.
    std::function<void(TMessage&)> WindowProc;
    virtual void WndProc(TMessage& message);
    LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam);

    // Forms with KeyPreview see the keys of their controls first.
    virtual bool KeyPreview() const { return false; }

    // Paints into `dc` (in this control's client coordinates) what its
    // parent shows behind it: the parent's background and graphic controls.
    // Controls drawn with transparent parts paint this first.
    void PaintParentBackground(HDC dc);

    // Tab and Shift+Tab move the focus among the controls of a form that
    // have TabStop, in tab order (the order they were placed, unless set).
    bool TabStop() const { return tabStop_; }
    virtual void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
    int TabOrder() const;
    void SetTabOrder(int order);
    // Focuses the next (or previous) tab stop after `current` inside this
    // control, wrapping around; false when there is none.
    bool SelectNext(TWinControl* current, bool forward);

    // Offers an accelerator key to every visible control inside, depth
    // first in the order they were placed; true when one took it.
    bool BroadcastDialogChar(char key);

protected:
    // The window class to make: ours, or a system class (COMBOBOX, ...) that
    // is then subclassed, its own procedure doing the default handling.
    virtual const char* WindowClassName() const { return nullptr; }
    // Window styles of the window to make.
    virtual DWORD Style() const;
    virtual DWORD ExStyle() const { return 0; }
    // The name and class style of our own window class for this control.
    virtual const char* OwnClassBaseName() const { return "TalmorisControl"; }
    virtual UINT ClassStyle() const { return CS_DBLCLKS; }
    // What the window does with a message nobody handled.
    virtual void DefaultHandler(TMessage& message);
    // Whether typed characters are the control's own input (edits), rather
    // than accelerators of its form.
    virtual bool WantsChars();
    virtual bool WantsTab();
    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class TControl;
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static const char* OwnClassName(const char* baseName, UINT classStyle);
    void CreateHandle();
    void DestroyHandle();
    bool DispatchMouseAndKeys(TMessage& message);
    TWinControl* PreviewingForm();  // the top-level parent when it previews keys
    TWinControl* TopLevel();        // the top-level parent, or this control
    bool SetControlCursor(const TMessage& message);
    bool ColourSystemChild(TMessage& message);
    TControl* GraphicControlAt(int x, int y) const;
    void PaintGraphicControls(HDC dc);
    bool ReflectToChild(TMessage& message);

    HWND handle_ = nullptr;
    bool creatingHandle_ = false;
    WNDPROC systemProc_ = nullptr;  // the procedure of a subclassed system window
    std::vector<TControl*> controls_;
    std::unordered_map<UINT, TMessageHandler> handlers_;
    void CollectTabStops(std::vector<TWinControl*>& stops);

    bool mouseInside_ = false;
    bool tabStop_ = false;
    std::vector<TWinControl*> tabList_;  // windowed children in tab order
    TControl* mouseTarget_ = nullptr;  // the graphic control that took the press
    // The brush a system child (edit, list) paints its background with.
    std::shared_ptr<std::remove_pointer_t<HBRUSH>> backgroundBrush_;
};
