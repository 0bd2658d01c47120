// Plain containers and the read-only memo: panels and frames group
// controls; the memo shows a long text with its own scroll bar.
#pragma once

#include "classlib/controls.h"
#include "classlib/graphics.h"

// A caption painted on its parent.
class TLabel : public TControl {
public:
    using TControl::TControl;
    String ClassName() const override { return "TLabel"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Caption" || name == "Hint"; }
    void SetCaption(const String& caption) override
    {
        TControl::SetCaption(caption);
        Invalidate();
    }
    void Paint(HDC dc) override;
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
    void Paint(HDC dc) override { picture_.Draw(dc, 0, 0, false, POINT{0, 0}); }

private:
    TBitmap picture_;
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
