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
