// The skinned controls in a real window under Xvfb: painted on screen, and
// kept as a picture for review (test-artefacts/controls.bmp).
#include <gtest/gtest.h>

#include "support/bitmap_fixture.h"

#include <filesystem>

#include "classlib/application.h"
#include "classlib/forms.h"
#include "controls/bit_check_box.h"
#include "controls/bitmapped_combo_box.h"
#include "controls/three_state_button.h"
#include "support/test_support.h"

TEST(Screenshot, TheControlsPaintOnScreen)
{
    TForm form(nullptr);
    form.SetBounds(100, 100, 320, 160);
    TThreeStateButton& button = form.Own<TThreeStateButton>();
    button.SetParent(&form);
    TBitmap shape = test_support::SolidBitmap(100, 27, RGB(255, 255, 255));
    for (int y = 2; y < 25; ++y)
        for (int x = 2; x < 98; ++x)
            shape.SetPixel(x, y, RGB(0, 0, 0));
    button.SetCoordBitmap(shape);
    button.SetNormalBitmap(test_support::SolidBitmap(100, 27, RGB(40, 110, 200)));
    button.SetTransparent(false);
    button.SetBounds(10, 10, 100, 27);
    TBitCheckBox& box = form.Own<TBitCheckBox>();
    box.SetParent(&form);
    box.SetBounds(10, 50, 150, 17);
    box.SetCaption("Start with Windows");
    TBitmappedComboBox& combo = form.Own<TBitmappedComboBox>();
    combo.SetParent(&form);
    combo.SetBounds(10, 80, 200, 21);
    combo.OnDrawItem = [](TBitmappedComboBox& c, int index, const RECT& r, UINT) {
        HDC dc = GetDC(c.Handle());
        const char* text = index == 0 ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
        RECT copy = r;
        DrawTextA(dc, text, -1, &copy, DT_SINGLELINE | DT_VCENTER);
        ReleaseDC(c.Handle(), dc);
    };
    combo.AddItem("HKEY_CURRENT_USER");
    combo.SetItemIndex(0);
    form.Show();
    for (int i = 0; i < 20; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
    UpdateWindow(form.Handle());

    // What the screen shows of the form.
    TBitmap shot(form.Width(), form.Height());
    {
        TBitmapDC target(shot);
        HDC screen = GetDC(nullptr);
        RECT where{};
        GetWindowRect(form.Handle(), &where);
        BitBlt(target.Get(), 0, 0, shot.Width(), shot.Height(), screen, where.left, where.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    const std::string folder = test_support::Join(test_support::EnvOr("TALMORIS_TEST_TMP", "."), "..\\test-artefacts");
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(shot.SaveToFile(test_support::Join(folder, "controls.bmp")));
    EXPECT_EQ(shot.Pixel(10 + 50, 10 + 13), RGB(40, 110, 200)) << "the button's picture is on screen";
}
