// The state and layout of the bitmap check box, free of Win32: states and
// their toggling, glyph frame counts, and where the caption and the glyph go.
#pragma once

#include <cstdint>

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum class TLeftRight { taLeftJustify, taRightJustify };

struct TBoxRect {
    int left, top, right, bottom;
    bool operator==(const TBoxRect&) const = default;
};

class TBitCheckBoxModel {
public:
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState state) { state_ = state; }
    bool Checked() const { return state_ == TCheckBoxState::cbChecked; }
    void SetChecked(bool checked) { state_ = checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked; }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool allow) { allowGrayed_ = allow; }
    // Unchecked -> checked (grayed when AllowGrayed), checked -> unchecked, grayed -> checked.
    void Toggle();

    // Frames per glyph: 1 or 2 (the second is the disabled look).
    int NumGlyphs(TCheckBoxState state) const { return numGlyphs_[static_cast<int>(state)]; }
    void SetNumGlyphs(TCheckBoxState state, int count);
    // A new glyph of this size: a width that is a multiple of the height sets
    // the frame count to width / height (clamped); a zero height keeps it.
    void GlyphChanged(TCheckBoxState state, int width, int height);

private:
    TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
    bool allowGrayed_ = false;
    int numGlyphs_[3] = {1, 1, 1};
};

// Where the check box paints. Text sizes come from the caption's font.
struct TCheckBoxLayout {
    TBoxRect caption;     // clipped to the client rectangle
    TBoxRect glyph;       // target of the glyph frame
    int sourceFrameLeft;  // the frame's left edge within the glyph picture
};

TCheckBoxLayout LayoutCheckBox(int clientWidth, int clientHeight, TLeftRight alignment, int glyphWidth,
                               int glyphHeight, int numGlyphs, bool enabled, int captionTextWidth,
                               int ampersandWidth, bool captionHasAmpersand, int captionTextHeight);
