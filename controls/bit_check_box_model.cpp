#include "controls/bit_check_box_model.h"

void TBitCheckBoxModel::Toggle()
{
    switch (state_) {
    case TCheckBoxState::cbUnchecked:
        state_ = allowGrayed_ ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked;
        break;
    case TCheckBoxState::cbChecked: state_ = TCheckBoxState::cbUnchecked; break;
    case TCheckBoxState::cbGrayed: state_ = TCheckBoxState::cbChecked; break;
    }
}

void TBitCheckBoxModel::SetNumGlyphs(TCheckBoxState state, int count)
{
    numGlyphs_[static_cast<int>(state)] = count < 1 ? 1 : (count > 2 ? 2 : count);
}

void TBitCheckBoxModel::GlyphChanged(TCheckBoxState state, int width, int height)
{
    if (height > 0 && width % height == 0)
        SetNumGlyphs(state, width / height);
}

TCheckBoxLayout LayoutCheckBox(int clientWidth, int clientHeight, TLeftRight alignment, int glyphWidth,
                               int glyphHeight, int numGlyphs, bool enabled, int captionTextWidth,
                               int ampersandWidth, bool captionHasAmpersand, int captionTextHeight)
{
    const int frames = numGlyphs < 1 ? 1 : numGlyphs;
    const int frameWidth = glyphWidth / frames;
    TCheckBoxLayout layout{};
    TBoxRect& c = layout.caption;
    c.left = alignment == TLeftRight::taRightJustify ? frameWidth + 4 : 1;
    c.right = c.left + captionTextWidth - (captionHasAmpersand ? ampersandWidth : 0);
    c.top = (clientHeight - captionTextHeight) / 2 - 2;
    c.bottom = c.top + captionTextHeight + 3;
    // Clipped to the client rectangle.
    c.left = c.left < 0 ? 0 : c.left;
    c.top = c.top < 0 ? 0 : c.top;
    c.right = c.right > clientWidth ? clientWidth : c.right;
    c.bottom = c.bottom > clientHeight ? clientHeight : c.bottom;

    const int x = alignment == TLeftRight::taLeftJustify ? clientWidth - frameWidth : 0;
    const int y = (clientHeight - glyphHeight) / 2;
    layout.glyph = TBoxRect{x, y, x + frameWidth, y + glyphHeight};
    layout.sourceFrameLeft = (!enabled && frames == 2) ? frameWidth : 0;
    return layout;
}
