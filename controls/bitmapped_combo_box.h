// A drop-down list with a flat one-pixel border, corner pixels of their own
// colour and a picture in place of the system drop button. Its items are
// drawn by OnDrawItem.
#pragma once

#include "classlib/controls.h"
#include "classlib/graphics.h"
#include "controls/bitmapped_combo_box_model.h"

class TBitmappedComboBox : public TWinControl {
public:
    explicit TBitmappedComboBox(TComponent* owner);

    String ClassName() const override { return "TBitmappedComboBox"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Text" || name == "Hint"; }

    void SetNormalBitmap(const TBitmap& picture);
    void SetDownBitmap(const TBitmap& picture);
    void SetBorderColor(TColor colour);
    void SetCornerColor(TColor colour);
    void SetEnabled(bool enabled) override;

    int AddItem(const String& text);
    int ItemIndex();
    void SetItemIndex(int index);
    int ItemHeight();
    bool ButtonDown() const { return button_.ButtonDown(); }

    // Draws one item: (index, rectangle, DRAWITEMSTRUCT state).
    std::function<void(TBitmappedComboBox&, int, const RECT&, UINT)> OnDrawItem;

protected:
    const char* WindowClassName() const override { return "COMBOBOX"; }
    DWORD Style() const override;

private:
    void NewAdjustHeight();
    void InvalidateButtonRect();
    void PaintButtonAndBorder();

    TComboButtonModel button_;
    TBitmap normal_, down_;
    TColor border_ = clGray;
    TColor corner_ = clBtnFace;
};
