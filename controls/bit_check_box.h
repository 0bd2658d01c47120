// The check box of the settings page, the add-guard dialog and the alert
// program: a caption and a glyph picture per state, painted through an
// off-screen bitmap on the control's own colour.
#pragma once

#include "classlib/controls.h"
#include "classlib/graphics.h"
#include "controls/bit_check_box_model.h"

class TBitCheckBox : public TWinControl {
public:
    explicit TBitCheckBox(TComponent* owner);

    String ClassName() const override { return "TBitCheckBox"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Caption" || name == "Hint"; }

    TCheckBoxState State() const { return model_.State(); }
    void SetState(TCheckBoxState state);
    bool Checked() const { return model_.Checked(); }
    void SetChecked(bool checked) { SetState(checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
    void SetAllowGrayed(bool allow) { model_.SetAllowGrayed(allow); }
    void SetAlignment(TLeftRight alignment);
    // A glyph per state; an empty picture loads the state's default resource
    // ("CHECKED", "GRAYED", "UNCHECKED") from the program's module.
    void SetGlyph(TCheckBoxState state, const TBitmap& glyph);
    void SetNumGlyphs(TCheckBoxState state, int count);
    int NumGlyphs(TCheckBoxState state) const { return model_.NumGlyphs(state); }
    void SetEnabled(bool enabled) override;
    void SetCaption(const String& caption) override;

    virtual void Toggle();
    // Toggle, then OnClick, then the focus.
    void Click() override;
    void KeyPress(char& key) override;
    // Its accelerator takes the focus and toggles, without OnClick.
    bool DialogChar(char key) override;

    // Paints the whole control into `dc` (its client area at 0, 0).
    void PaintTo(HDC dc);

private:
    void Repaint();
    void PaintBuffer(HDC dc);

    TBitCheckBoxModel model_;
    TBitmap glyphs_[3];
    TLeftRight alignment_ = TLeftRight::taRightJustify;
};
