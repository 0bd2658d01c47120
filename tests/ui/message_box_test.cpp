// The skinned message box in real windows under Xvfb: its layout for each
// flag combination the program uses, the result of each key and button, the
// caption's default, the owner it takes when it must stay on top, and the
// system message box with the same buttons when the box can't be made.
#include "ui/message_box_form.h"

#include <gtest/gtest.h>

#include <vector>

#include <atomic>
#include <functional>
#include <thread>

#include "classlib/application.h"
#include "support/program_pictures.h"
#include "support/window_driving.h"

namespace {

using test_support::ClickAt;
using test_support::WaitForWindow;

void Settle()
{
    for (int i = 0; i < 10; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
}


// Runs `act` on another thread once the box with `caption` shows, while
// this thread sits in the modal loop.
class BoxDriver {
public:
    BoxDriver(const char* caption, std::function<void(HWND)> act, const char* className = nullptr)
        : thread_([=] {
              if (HWND box = WaitForWindow(className, caption)) {
                  Sleep(200);
                  act(box);
                  // A box the action didn't close is closed, so a failure can't hang the test.
                  for (int i = 0; i < 250 && IsWindowVisible(box); ++i)
                      Sleep(20);
                  if (IsWindowVisible(box))
                      PostMessageA(box, WM_CLOSE, 0, 0);
              } else {
                  ADD_FAILURE() << "no box " << caption;
              }
          })
    {
    }
    ~BoxDriver() { thread_.join(); }

private:
    std::thread thread_;
};


void Key(HWND window, WORD key) { PostMessageA(window, WM_KEYDOWN, key, 0); }

// The middle of a button in the row 14 pixels above the box's bottom edge.
void ClickButtonAt(HWND box, int left)
{
    RECT client{};
    GetClientRect(box, &client);
    ClickAt(box, left + 30, client.bottom - 14 - 11);
}

}  // namespace

TEST(SkinnedMessageBox, LayoutForEachFlagCombination)
{
    const struct {
        unsigned flags;
        bool ok, yes, no, cancel, information, question;
        int yesLeft, noLeft;  // -1: not checked
    } cases[] = {
        {0, true, false, false, false, false, false, -1, -1},
        {64, true, false, false, false, true, false, -1, -1},
        {4, false, true, true, false, false, false, (352 - 118) / 2, (352 - 118) / 2 + 64},
        {35, false, true, true, true, false, true, 82, 146},
        {36, false, true, true, false, false, true, (352 - 118) / 2, (352 - 118) / 2 + 64},
        {96, true, false, false, false, false, true, -1, -1},
    };
    for (const auto& c : cases) {
        TfmMessageBox box(nullptr);
        box.Prepare("You really want to remove the 'Home page' guard?", "Confirmation", c.flags, nullptr);
        // Shown without taking the activation, which Wine is slow to give back.
        box.SetVisible(true);
        ShowWindow(box.Handle(), SW_SHOWNA);
        Settle();
        const std::string what = "flags " + std::to_string(c.flags);
        EXPECT_EQ(box.btnOk.Visible(), c.ok) << what;
        EXPECT_EQ(box.btnYes.Visible(), c.yes) << what;
        EXPECT_EQ(box.btnNo.Visible(), c.no) << what;
        EXPECT_EQ(box.btnCancel.Visible(), c.cancel) << what;
        EXPECT_EQ(box.imgInformation.Visible(), c.information) << what;
        EXPECT_EQ(box.imgQuestion.Visible(), c.question) << what;
        if (c.yesLeft >= 0) {
            EXPECT_EQ(box.btnYes.Left(), c.yesLeft) << what;
            EXPECT_EQ(box.btnNo.Left(), c.noLeft) << what;
        }
        // A one-line message: the box is the label's height + 100, the buttons 14 above its bottom edge.
        EXPECT_EQ(box.Height(), box.lblMessage.Height() + 100) << what;
        for (TThreeStateButton* button : {&box.btnOk, &box.btnYes, &box.btnNo, &box.btnCancel})
            EXPECT_EQ(button->Top() + button->Height(), box.Height() - 14) << what;
        if (!c.information && !c.question) {
            EXPECT_EQ(box.lblMessage.Left(), 17) << what << ": the text takes the picture's place";
            EXPECT_EQ(box.lblMessage.Width(), 307) << what;
        } else {
            EXPECT_EQ(box.lblMessage.Left(), 63) << what;
            EXPECT_EQ(box.lblMessage.Width(), 275) << what;
        }
        // Cut along the black corners of the frame, nowhere else.
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(box.Handle(), region), ERROR) << what;
        EXPECT_FALSE(PtInRegion(region, 0, 0)) << what;
        EXPECT_TRUE(PtInRegion(region, box.Width() / 2, box.Height() / 2)) << what;
        DeleteObject(region);
        if (c.flags == 35) {
            RECT client{};
            GetClientRect(box.Handle(), &client);
            test_support::KeepArtefact(test_support::ScreenShot(box.Handle(), client), "message-box.bmp");
        }
    }
    // A long text wraps and the box grows with it.
    TfmMessageBox tall(nullptr);
    tall.Prepare(std::string(40, 'x') + " " + std::string(400, 'y').replace(40, 1, " ").replace(120, 1, " "), "", 64,
                 nullptr);
    tall.SetVisible(true);
    ShowWindow(tall.Handle(), SW_SHOWNA);
    Settle();
    EXPECT_GT(tall.lblMessage.Height(), 30);
    EXPECT_EQ(tall.Height(), tall.lblMessage.Height() + 100);
}

TEST(SkinnedMessageBox, KeysAndButtonsGiveTheSystemsResults)
{
    TInterfaceTranslator translator;
    const struct {
        const char* caption;
        unsigned flags;
        std::function<void(HWND)> act;
        int result;
    } cases[] = {
        {"Enter", 64, [](HWND box) { Key(box, VK_RETURN); }, IDOK},
        {"Escape", 64, [](HWND box) { Key(box, VK_ESCAPE); }, IDCANCEL},
        {"Escape without Cancel", 4, [](HWND box) { Key(box, VK_ESCAPE); }, IDCANCEL},
        {"Enter without OK does nothing", 4,
         [](HWND box) {
             Key(box, VK_RETURN);
             Sleep(300);
             Key(box, VK_ESCAPE);
         },
         IDCANCEL},
        {"Yes", 35, [](HWND box) { ClickButtonAt(box, 82); }, IDYES},
        {"No", 35, [](HWND box) { ClickButtonAt(box, 146); }, IDNO},
        {"Cancel", 35, [](HWND box) { ClickButtonAt(box, 210); }, IDCANCEL},
        {"OK", 0, [](HWND box) { ClickButtonAt(box, 147); }, IDOK},
        {"Close button", 36, [](HWND box) { ClickAt(box, 327 + 10, 3 + 10); }, IDNO},
    };
    for (const auto& c : cases) {
        int result = 0;
        {
            const BoxDriver driver(c.caption, c.act);
            result = ShowMessageBox(&translator, "A one-line message.", c.caption, c.flags, false);
        }
        EXPECT_EQ(result, c.result) << c.caption;
    }
}

TEST(SkinnedMessageBox, TheCaptionDefaultsToTheTranslatedError)
{
    TInterfaceTranslator translator;
    const BoxDriver english("Error", [](HWND box) { Key(box, VK_ESCAPE); });
    EXPECT_EQ(ShowMessageBox(&translator, "Something failed.", "", 64, false), IDCANCEL);
}

TEST(SkinnedMessageBox, OnTopItIsOwnedByTheForegroundWindowNeverItsChild)
{
    TForm foreground(nullptr);
    foreground.SetCaption("Someone else's window");
    foreground.SetBounds(50, 50, 300, 200);
    foreground.Show();
    Settle();
    HWND owner = nullptr, parent = nullptr;
    LONG style = 0, exStyle = 0;
    const BoxDriver driver("On top", [&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        parent = GetAncestor(box, GA_PARENT);
        style = GetWindowLongA(box, GWL_STYLE);
        exStyle = GetWindowLongA(box, GWL_EXSTYLE);
        Key(box, VK_ESCAPE);
    });
    SetForegroundWindow(foreground.Handle());
    ShowMessageBox(nullptr, "Stays on top.", "On top", 0, true);
    EXPECT_EQ(owner, foreground.Handle());
    EXPECT_EQ(parent, GetDesktopWindow());
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
}

TEST(SkinnedMessageBox, WithoutItsPicturesTheSystemBoxAsksWithTheSameButtons)
{
    // kernel32 holds none of the box's pictures: the form can't be made.
    bool yes = false, no = false, cancel = false, ok = false;
    const BoxDriver driver(
        "Fallback",
        [&](HWND box) {
            yes = GetDlgItem(box, IDYES) != nullptr;
            no = GetDlgItem(box, IDNO) != nullptr;
            cancel = GetDlgItem(box, IDCANCEL) != nullptr;
            ok = GetDlgItem(box, IDOK) != nullptr;
            PostMessageA(box, WM_COMMAND, IDNO, 0);
        },
        "#32770");
    const int result =
        ShowMessageBox(nullptr, "The box could not be made.", "Fallback", 35, false, GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(result, IDNO);
    EXPECT_TRUE(yes && no && cancel);
    EXPECT_FALSE(ok);
}

TEST(SkinnedMessageBox, AnAnswererStandsInForTheUserAndShowsNothing)
{
    std::vector<TMessageBoxRequest> asked;
    const TMessageBoxAnswerer before = SetMessageBoxAnswerer([&](const TMessageBoxRequest& request) {
        asked.push_back(request);
        return IDNO;
    });
    const int result = ShowMessageBox(nullptr, "Delete the guard?", "Guards", MB_YESNO | MB_ICONQUESTION, false);
    SetMessageBoxAnswerer(before);
    EXPECT_EQ(result, IDNO);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, "Delete the guard?");
    EXPECT_EQ(asked[0].Caption, "Guards");
    EXPECT_EQ(asked[0].Flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(FindWindowA(nullptr, "Guards"), nullptr) << "nothing was shown";
}
