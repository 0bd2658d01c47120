#include "classlib/std_controls.h"

#include <gtest/gtest.h>

TEST(StdControls, AReadOnlyMemoInAPanel)
{
    TPanel panel(nullptr);
    panel.SetBounds(0, 0, 300, 200);
    TMemo& memo = panel.Own<TMemo>();
    memo.SetParent(&panel);
    memo.SetBounds(5, 5, 290, 190);
    const String text = "Signalled guard: Home page\r\n\r\n'Start Page' value has changes:\r\nNew value: 43";
    memo.SetText(text);
    EXPECT_EQ(memo.Text(), text);
    const LONG style = GetWindowLongA(memo.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_EQ(SendMessageA(memo.Handle(), EM_GETLINECOUNT, 0, 0), 4);
    // Typing changes nothing.
    SendMessageA(memo.Handle(), WM_CHAR, 'x', 0);
    EXPECT_EQ(memo.Text(), text);
}

#include "classlib/application.h"

TEST(StdControls, GraphicControlsPaintOnTheirParentAndTakeItsMouse)
{
    TPanel panel(nullptr);
    panel.SetBounds(200, 200, 120, 60);
    TImage& image = panel.Own<TImage>();
    image.SetParent(&panel);
    image.SetBounds(10, 10, 30, 20);
    TBitmap picture(30, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            picture.SetPixel(x, y, RGB(220, 30, 30));
    image.SetPicture(picture);
    TLabel& label = panel.Own<TLabel>();
    label.SetParent(&panel);
    label.SetBounds(50, 10, 60, 16);
    label.SetCaption("Guards");

    std::string clicks;
    image.OnClick = [&](TControl&) { clicks += "image "; };
    panel.OnClick = [&](TControl&) { clicks += "panel "; };
    const auto click = [&](int x, int y) {
        SendMessageA(panel.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(panel.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    };
    click(15, 15);   // on the image
    click(100, 50);  // on the panel itself
    click(12, 12);
    EXPECT_EQ(clicks, "image panel image ");
    // A press on the image released off it clicks nothing.
    SendMessageA(panel.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    SendMessageA(panel.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 50));
    EXPECT_EQ(clicks, "image panel image ");

    ShowWindow(panel.Handle(), SW_SHOWNA);
    UpdateWindow(panel.Handle());
    for (int i = 0; i < 10; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
    HDC screen = GetDC(nullptr);
    POINT origin{0, 0};
    ClientToScreen(panel.Handle(), &origin);
    const COLORREF onImage = GetPixel(screen, origin.x + 20, origin.y + 20);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(onImage, RGB(220, 30, 30));
}
