#include "controls/bitmapped_combo_box.h"

#include <gtest/gtest.h>

#include "support/bitmap_fixture.h"

TEST(BitmappedComboBoxWindow, ASystemListDrawnByItsOwner)
{
    TWinControl form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    TBitmappedComboBox& combo = form.Own<TBitmappedComboBox>();
    combo.SetParent(&form);
    combo.SetBounds(10, 10, 150, 21);
    ASSERT_EQ(GetParent(combo.Handle()), form.Handle());
    char className[32] = {};
    GetClassNameA(combo.Handle(), className, sizeof className);
    EXPECT_STREQ(className, "ComboBox");

    combo.SetNormalBitmap(test_support::SolidBitmap(17, 17, RGB(0, 0, 200)));
    EXPECT_EQ(combo.ItemHeight(), 15);  // the picture's height less 2

    std::vector<int> drawn;
    combo.OnDrawItem = [&](TBitmappedComboBox&, int index, const RECT&, UINT) { drawn.push_back(index); };
    EXPECT_EQ(combo.AddItem("HKEY_CURRENT_USER"), 0);
    EXPECT_EQ(combo.AddItem("HKEY_LOCAL_MACHINE"), 1);
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.ItemIndex(), 1);
    ShowWindow(form.Handle(), SW_SHOWNA);
    UpdateWindow(combo.Handle());
    EXPECT_FALSE(drawn.empty());  // drawing the field reached OnDrawItem through the parent

    // The drop button shows pressed while the list is open.
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(combo.Handle()));
    EXPECT_TRUE(combo.ButtonDown());
    SendMessageA(combo.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_CLOSEUP), reinterpret_cast<LPARAM>(combo.Handle()));
    EXPECT_FALSE(combo.ButtonDown());

    combo.SetColor(RGB(1, 2, 3));
    combo.SetEnabled(false);
    combo.SetEnabled(true);
    EXPECT_EQ(combo.Color(), clWindow);
}
