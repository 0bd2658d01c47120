#include "classlib/forms.h"

#include <gtest/gtest.h>

#include "classlib/application.h"
#include "classlib/timers.h"

TEST(Forms, ShowModalEndsWhenModalResultIsSet)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    TForm other(nullptr);
    other.Show();
    TTimer timer(nullptr);
    timer.SetInterval(30);
    bool otherWasDisabled = false;
    timer.OnTimer = [&](TTimer& t) {
        otherWasDisabled = !IsWindowEnabled(other.Handle());
        t.SetEnabled(false);
        form.SetModalResult(mrOk);
    };
    bool shown = false;
    form.OnShow = [&](TForm&) { shown = true; };
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(otherWasDisabled);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_FALSE(IsWindowVisible(form.Handle()));

    // Closing a modal form answers Cancel; OnClose may refuse.
    int refusals = 0;
    form.OnClose = [&](TForm&, TCloseAction& action) {
        if (refusals++ == 0)
            action = TCloseAction::caNone;
    };
    timer.OnTimer = [&](TTimer& t) {
        PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
        if (refusals >= 1)
            t.SetEnabled(false);
    };
    timer.SetEnabled(true);
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(refusals, 2);
}

TEST(Forms, AModalLoopEndsWhenItsWindowIsDestroyedAndTheApplicationWindowOutlivesAClose)
{
    // Destroyed under its own modal loop (with an owner, say): Cancel, not a
    // loop waiting for an answer nobody can give.
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    TTimer timer(nullptr);
    timer.SetInterval(30);
    timer.OnTimer = [&](TTimer& t) {
        t.SetEnabled(false);
        DestroyWindow(form.Handle());
    };
    EXPECT_EQ(form.ShowModal(), mrCancel);

    // A close sent to the application window closes the main form instead.
    TApplication& application = TApplication::Instance();
    TForm main(nullptr);
    main.SetBounds(0, 0, 200, 100);
    bool mainClosed = false;
    main.OnClose = [&](TForm&, TCloseAction& action) {
        mainClosed = true;
        action = TCloseAction::caNone;
    };
    ASSERT_NE(main.Handle(), nullptr);
    TComponent* previous = application.MainForm();
    application.SetMainForm(&main);
    SendMessageA(application.Handle(), WM_CLOSE, 0, 0);
    for (int i = 0; i < 20 && !mainClosed; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, main.Handle(), 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(5);
    }
    application.SetMainForm(previous);
    EXPECT_TRUE(IsWindow(application.Handle())) << "the application window was destroyed";
    EXPECT_TRUE(mainClosed);
}

TEST(Forms, KeyPreviewAndCentring)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    TWinControl& edit = form.Own<TWinControl>();
    edit.SetParent(&form);
    std::string order;
    form.OnKeyPress = [&](TControl&, char& key) {
        order += "form ";
        if (key == 'x')
            key = 0;  // the form keeps this one
    };
    edit.OnKeyPress = [&](TControl&, char&) { order += "edit "; };
    SendMessageA(edit.Handle(), WM_CHAR, 'a', 0);
    EXPECT_EQ(order, "edit ");
    form.SetKeyPreview(true);
    order.clear();
    SendMessageA(edit.Handle(), WM_CHAR, 'a', 0);
    SendMessageA(edit.Handle(), WM_CHAR, 'x', 0);
    EXPECT_EQ(order, "form edit form ");

    TForm dialog(nullptr);
    dialog.SetBounds(0, 0, 100, 50);
    form.SetBounds(100, 100, 300, 200);
    dialog.CenterOn(form);
    EXPECT_EQ(dialog.Left(), 200);
    EXPECT_EQ(dialog.Top(), 175);
    dialog.CenterOnScreen();
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(dialog.Left(), work.left + (work.right - work.left - 100) / 2);
}
