// A single-line edit without a system border, on which the control draws
// its own thin frame to match the flat skin: a one-pixel line in BorderColor
// at the very edge and a two-pixel band of the edit's own colour inside it,
// drawn over the edge of the text area after every paint of the edit. The
// text keeps a left margin as wide as line and band, so they never cover
// its first letter.
#pragma once

#include "classlib/std_controls.h"

class TFlatEdit : public TEdit {
public:
    explicit TFlatEdit(TComponent* owner);
    String ClassName() const override { return "TFlatEdit"; }

    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor colour);

    // The edit paints first; the frame goes over what it painted.
    void WndProc(TMessage& message) override;
    void DrawBorder();

private:
    TColor borderColor_ = clNavy;
};
