// Plain containers, the read-only memo and the single-line edit: panels and
// frames group controls; the memo shows a long text with its own scroll bar;
// the edit takes a line the user types.
#pragma once

#include <functional>

#include "classlib/controls.h"
#include "classlib/graphics.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// A caption painted on its parent.
class TLabel : public TControl {
public:
    using TControl::TControl;
    String ClassName() const override { return "TLabel"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Caption" || name == "Hint"; }
    void SetCaption(const String& caption) override;
    // Word wrap breaks the caption into lines within the width; auto size
    // fits the label to its text (only its height while it wraps).
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    void Paint(HDC dc) override;

protected:
    void FontChanged() override;

private:
    void AdjustSize();
    UINT TextFormat() const
    {
        const UINT align = alignment_ == TAlignment::taRightJustify ? DT_RIGHT
                           : alignment_ == TAlignment::taCenter     ? DT_CENTER
                                                                    : DT_LEFT;
        return align | DT_TOP | DT_NOCLIP | (wordWrap_ ? DT_WORDBREAK : 0);
    }

    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool wordWrap_ = false;
    bool autoSize_ = false;
};

// A picture painted on its parent.
class TImage : public TControl {
public:
    using TControl::TControl;
    String ClassName() const override { return "TImage"; }
    TBitmap& Picture() { return picture_; }
    void SetPicture(const TBitmap& picture)
    {
        picture_.Assign(picture);
        Invalidate();
    }
    // Transparent pictures leave out their bottom-left colour.
    void SetTransparent(bool transparent)
    {
        transparent_ = transparent;
        Invalidate();
    }
    void Paint(HDC dc) override { picture_.Draw(dc, 0, 0, transparent_, POINT{0, picture_.Height() - 1}); }

private:
    TBitmap picture_;
    bool transparent_ = false;
};

// A container of controls; frames are pages built in code and placed on a form.
class TPanel : public TWinControl {
public:
    using TWinControl::TWinControl;
    String ClassName() const override { return "TPanel"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Caption" || name == "Hint"; }
};

class TFrame : public TWinControl {
public:
    using TWinControl::TWinControl;
    String ClassName() const override { return "TFrame"; }
};

// A read-only multi-line edit.
class TMemo : public TWinControl {
public:
    using TWinControl::TWinControl;
    String ClassName() const override { return "TMemo"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Text" || name == "Hint"; }

    // The text shown; line breaks are CR LF.
    String Text();
    void SetText(const String& text) { SetCaption(text); }

protected:
    const char* WindowClassName() const override { return "EDIT"; }
    DWORD Style() const override
    {
        return TWinControl::Style() | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL;
    }
};

enum class TBorderStyle { bsNone, bsSingle };

// A single-line edit over the system's EDIT window. The window holds the
// text, the limit and the selection: the setters make it, so they are called
// once the edit sits on its parent. Style bits the class has no property for
// (ES_NUMBER) can be added to the window afterwards, as the system allows.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    String ClassName() const override { return "TEdit"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Text" || name == "Hint"; }

    String Text();
    void SetText(const String& text) { SetCaption(text); }
    // The most characters the user can type or paste; 0: no limit of its own.
    // Text set from code is not cut.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    // The selection, in characters; an empty one is the caret's place.
    int SelStart();
    int SelLength();
    void SetSelStart(int start);
    void SetSelLength(int length);
    void SelectAll();
    String SelText();
    // Replaces the selection as if typed (the limit applies).
    void SetSelText(const String& text);
    // Entering the edit from the keyboard or from code selects all its text.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    // The text changed, by the user or from code.
    std::function<void(TControl&)> OnChange;
    // The focus coming and going, while the edit sits on a parent.
    std::function<void(TControl&)> OnEnter;
    std::function<void(TControl&)> OnExit;

protected:
    const char* WindowClassName() const override { return "EDIT"; }
    DWORD Style() const override { return TWinControl::Style() | ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0); }
    DWORD ExStyle() const override { return borderStyle_ == TBorderStyle::bsSingle ? WS_EX_CLIENTEDGE : 0; }
    virtual void Change();
    virtual void DoEnter();
    virtual void DoExit();

private:
    void GetSelection(DWORD& start, DWORD& end);

    int maxLength_ = 0;
    bool readOnly_ = false;
    bool autoSelect_ = true;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};
