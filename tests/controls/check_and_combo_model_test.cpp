#include <gtest/gtest.h>

#include "controls/bit_check_box_model.h"
#include "controls/bitmapped_combo_box_model.h"

TEST(BitCheckBox, ToggleCycles)
{
    using S = TCheckBoxState;
    struct Case {
        bool allowGrayed;
        S from;
        S to;
    } cases[] = {
        {false, S::cbUnchecked, S::cbChecked}, {false, S::cbChecked, S::cbUnchecked}, {false, S::cbGrayed, S::cbChecked},
        {true, S::cbUnchecked, S::cbGrayed},   {true, S::cbChecked, S::cbUnchecked},  {true, S::cbGrayed, S::cbChecked},
    };
    for (const Case& c : cases) {
        TBitCheckBoxModel box;
        box.SetAllowGrayed(c.allowGrayed);
        box.SetState(c.from);
        box.Toggle();
        EXPECT_EQ(box.State(), c.to);
    }
    TBitCheckBoxModel box;
    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    box.SetState(TCheckBoxState::cbGrayed);
    EXPECT_FALSE(box.Checked());
}

TEST(BitCheckBox, GlyphFrameCounts)
{
    struct Case {
        int width, height, before, after;
    } cases[] = {
        {19, 14, 2, 2},  // not a multiple: unchanged
        {28, 14, 1, 2},  // two frames
        {38, 14, 1, 1},  // two 19-wide frames are no multiple of 14: unchanged
        {14, 14, 2, 1},
        {57, 19, 1, 2},  // three frames clamp to two
        {19, 0, 2, 2},   // no height: unchanged
    };
    for (const Case& c : cases) {
        TBitCheckBoxModel box;
        box.SetNumGlyphs(TCheckBoxState::cbChecked, c.before);
        box.GlyphChanged(TCheckBoxState::cbChecked, c.width, c.height);
        EXPECT_EQ(box.NumGlyphs(TCheckBoxState::cbChecked), c.after) << c.width << "x" << c.height;
        EXPECT_EQ(box.NumGlyphs(TCheckBoxState::cbUnchecked), 1);
    }
    TBitCheckBoxModel box;
    box.SetNumGlyphs(TCheckBoxState::cbGrayed, 0);
    EXPECT_EQ(box.NumGlyphs(TCheckBoxState::cbGrayed), 1);
    box.SetNumGlyphs(TCheckBoxState::cbGrayed, 9);
    EXPECT_EQ(box.NumGlyphs(TCheckBoxState::cbGrayed), 2);
}

TEST(BitCheckBox, LayoutOfCaptionAndGlyph)
{
    // 97 x 17, a 19 x 14 glyph, a caption 40 wide and 13 high.
    TCheckBoxLayout right = LayoutCheckBox(97, 17, TLeftRight::taRightJustify, 19, 14, 1, true, 40, 8, false, 13);
    EXPECT_EQ(right.caption, (TBoxRect{23, 0, 63, 16}));  // top (17-13)/2-2 = 0, bottom 0+13+3
    EXPECT_EQ(right.glyph, (TBoxRect{0, 1, 19, 15}));
    EXPECT_EQ(right.sourceFrameLeft, 0);
    // "&" is not drawn: its width is not reserved.
    EXPECT_EQ(LayoutCheckBox(97, 17, TLeftRight::taRightJustify, 19, 14, 1, true, 40, 8, true, 13).caption.right, 55);
    // Glyph at the right edge, caption from x = 1.
    TCheckBoxLayout left = LayoutCheckBox(97, 17, TLeftRight::taLeftJustify, 19, 14, 1, true, 40, 8, false, 13);
    EXPECT_EQ(left.caption.left, 1);
    EXPECT_EQ(left.glyph, (TBoxRect{78, 1, 97, 15}));
    // Two frames: half the width each, the right half while disabled.
    TCheckBoxLayout disabled = LayoutCheckBox(97, 17, TLeftRight::taRightJustify, 38, 14, 2, false, 40, 8, false, 13);
    EXPECT_EQ(disabled.glyph, (TBoxRect{0, 1, 19, 15}));
    EXPECT_EQ(disabled.sourceFrameLeft, 19);
    EXPECT_EQ(LayoutCheckBox(97, 17, TLeftRight::taRightJustify, 38, 14, 2, true, 40, 8, false, 13).sourceFrameLeft, 0);
    // A caption wider than the control is clipped.
    EXPECT_EQ(LayoutCheckBox(50, 17, TLeftRight::taRightJustify, 19, 14, 1, true, 400, 8, false, 13).caption.right, 50);
}

TEST(BitmappedComboBox, ItemHeightButtonAndPicture)
{
    EXPECT_EQ(ComboItemHeight(17, 13), 15);
    EXPECT_EQ(ComboItemHeight(0, 13), 17);
    EXPECT_EQ(ComboButtonRect(120, 0, 21, 17), (TComboButtonRect{101, 2, 119, 19}));

    // Opening the list shows the down picture until it closes, whatever the mouse does.
    TComboButtonModel button;
    EXPECT_FALSE(button.ShowsDownPicture(true));
    button.LeftButtonDown();
    button.ListOpened();
    EXPECT_FALSE(button.LeftButtonUp(true));  // no repaint while the list is open
    button.ListOpened();
    EXPECT_TRUE(button.ShowsDownPicture(true));
    EXPECT_FALSE(button.ShowsDownPicture(false));  // no down picture: the normal one
    button.ListClosed();
    EXPECT_FALSE(button.ShowsDownPicture(true));
    button.LeftButtonDown();
    EXPECT_TRUE(button.ButtonDown());
    EXPECT_TRUE(button.LeftButtonUp(false));
    EXPECT_FALSE(button.ButtonDown());
}

TEST(BitmappedComboBox, DroppedListHeight)
{
    struct Case {
        int items, dropDownCount, height;
    } cases[] = {
        {12, 8, 8 * 16 + 2},
        {3, 8, 3 * 16 + 2},
        {0, 8, 16 + 2},   // an empty list still shows one row
        {5, 0, 16 + 2},   // so does a count below one
        {5, -3, 16 + 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComboDropDownHeight(16, c.items, c.dropDownCount), c.height) << c.items << " items, " << c.dropDownCount;
}
