#include "classlib/std_controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

namespace {

void Type(TEdit& edit, const std::string& keys)
{
    for (char key : keys)
        SendMessageA(edit.Handle(), WM_CHAR, static_cast<unsigned char>(key), 1);
}

// An edit on a panel, its changes counted.
struct EditOnAPanel {
    EditOnAPanel()
    {
        panel.SetBounds(100, 100, 300, 80);
        edit.SetParent(&panel);
        edit.SetBounds(10, 10, 200, 21);
        other.SetParent(&panel);
        other.SetBounds(10, 40, 20, 20);
        edit.OnChange = [this](TControl&) { ++changes; };
    }
    int changes = 0;
    TPanel panel{nullptr};
    TEdit& edit = panel.Own<TEdit>();
    TWinControl& other = panel.Own<TWinControl>();
};

}  // namespace

TEST(StdControls, WhatAnEditLetsTheUserType)
{
    const struct {
        const char* name;
        std::function<void(TEdit&)> setUp;
        const char* typed;
        const char* shown;
        int changes;  // -1: as the system reports them
    } cases[] = {
        {"plain", [](TEdit&) {}, "a1 b2", "a1 b2", 5},
        // The number edits of the settings page add the style to the made window.
        {"digits only",
         [](TEdit& e) { SetWindowLongA(e.Handle(), GWL_STYLE, GetWindowLongA(e.Handle(), GWL_STYLE) | ES_NUMBER); },
         "a1 b2", "12", 2},
        // Wine reports a change for each character refused at the limit too.
        {"limited", [](TEdit& e) { e.SetMaxLength(3); }, "abcdef", "abc", -1},
        {"read-only", [](TEdit& e) { e.SetReadOnly(true); }, "abc", "", 0},
        {"backspace", [](TEdit&) {}, "abc\bd", "abd", 5},
    };
    for (const auto& c : cases) {
        EditOnAPanel f;
        c.setUp(f.edit);
        Type(f.edit, c.typed);
        EXPECT_EQ(f.edit.Text(), c.shown) << c.name;
        if (c.changes >= 0) {
            EXPECT_EQ(f.changes, c.changes) << c.name;
        }
    }
}

TEST(StdControls, AnEditsSelectionIsReplacedAsIfTypedWhileCodeSetsAnyText)
{
    EditOnAPanel f;
    f.edit.SetMaxLength(12);
    f.edit.SetText("HKEY_CURRENT_USER");  // longer than the limit: text from code is not cut
    EXPECT_EQ(f.edit.Text(), "HKEY_CURRENT_USER");
    EXPECT_EQ(f.changes, 1);

    f.edit.SetSelStart(5);
    f.edit.SetSelLength(7);
    EXPECT_EQ(f.edit.SelStart(), 5);
    EXPECT_EQ(f.edit.SelLength(), 7);
    EXPECT_EQ(f.edit.SelText(), "CURRENT");
    f.edit.SetSelText("X");
    EXPECT_EQ(f.edit.Text(), "HKEY_X_USER");
    EXPECT_EQ(f.edit.SelStart(), 6);
    EXPECT_EQ(f.edit.SelLength(), 0);
    EXPECT_EQ(f.changes, 2);
    // Pasted text stops at the limit.
    f.edit.SetSelText("ABCDEFGH");
    EXPECT_EQ(f.edit.Text(), "HKEY_XA_USER");

    f.edit.SelectAll();
    EXPECT_EQ(f.edit.SelStart(), 0);
    EXPECT_EQ(f.edit.SelLength(), 12);
    Type(f.edit, "7");
    EXPECT_EQ(f.edit.Text(), "7");
}

TEST(StdControls, EnteringAnEditSelectsItsTextUnlessAutoSelectIsOff)
{
    for (const bool autoSelect : {true, false}) {
        EditOnAPanel f;
        std::string log;
        f.edit.OnEnter = [&](TControl&) { log += "enter "; };
        f.edit.OnExit = [&](TControl&) { log += "exit "; };
        f.edit.SetAutoSelect(autoSelect);
        f.edit.SetText("Proxy");
        f.edit.SetSelStart(2);
        ShowWindow(f.panel.Handle(), SW_SHOWNA);
        SetFocus(f.edit.Handle());
        EXPECT_EQ(f.edit.SelLength(), autoSelect ? 5 : 0) << autoSelect;
        SetFocus(f.other.Handle());
        EXPECT_EQ(log, "enter exit ") << autoSelect;
    }
}

TEST(StdControls, AnEditsBorderAndFont)
{
    EditOnAPanel f;
    EXPECT_TRUE(GetWindowLongA(f.edit.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(GetWindowLongA(f.edit.Handle(), GWL_STYLE) & ES_MULTILINE);
    f.edit.SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_FALSE(GetWindowLongA(f.edit.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT client{};
    GetClientRect(f.edit.Handle(), &client);
    EXPECT_EQ(client.right, 200) << "no frame left around the text";
    EXPECT_EQ(client.bottom, 21);

    f.edit.SetFont(TFont("Tahoma", -11));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(f.edit.Handle(), WM_GETFONT, 0, 0)), f.edit.Font().Handle());
}
