// Quorvin itself, started as the main program starts it: the refusals that
// end it without a window or an answer, and the alert window under Xvfb:
// its place, its parts, answers by synthesised mouse clicks, and a caption
// translated from the main program's table.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "classlib/graphics.h"
#include "classlib/win_handle.h"
#include "guard/alert_block.h"
#include "support/program_pictures.h"
#include "support/window_driving.h"

namespace {

using test_support::ChildProcess;
using test_support::ClickAt;

std::string Quorvin() { return test_support::ProgramFile("Quorvin\\quorvin.exe"); }

// A question block held open the way the main program holds it.
class OpenBlock {
public:
    explicit OpenBlock(const std::string& id)
        : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(kAlertBlockSize), ("map_" + id).c_str())),
          view_(MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, 0))
    {
    }
    std::uint8_t* Data() { return static_cast<std::uint8_t*>(view_.Data()); }
    void Write(const TAlertQuestion& question) { WriteAlertBlock(Data(), question); }
    void PutInt(size_t offset, std::uint32_t value) { std::memcpy(Data() + offset, &value, 4); }
    std::int32_t Answer() { return AlertBlockAnswer(Data()); }
    std::int32_t Flag() { return AlertBlockFlag(Data()); }

private:
    TUniqueHandle mapping_;
    TMappedView view_;
};


struct TWindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK AddVisibleWindowOf(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window))
        search.found.push_back(window);
    return TRUE;
}

// The visible top-level windows that one process shows.
std::vector<HWND> VisibleWindowsOf(DWORD processId)
{
    TWindowSearch search{processId, {}};
    EnumWindows(&AddVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The alert of that caption that this very Quorvin shows, looked for only
// while it runs: another program's window of the same caption won't do.
HWND WaitForAlertOf(const ChildProcess& alert, const char* caption, DWORD ms = 30000)
{
    const DWORD start = GetTickCount();
    while (!alert.EndsWithin(0) && GetTickCount() - start < ms) {
        for (const HWND window : VisibleWindowsOf(alert.Id())) {
            char text[64] = {};
            GetWindowTextA(window, text, sizeof text);
            if (std::strcmp(text, caption) == 0)
                return window;
        }
        Sleep(20);
    }
    return nullptr;
}

// What a start that must be refused showed or made while it ran: it is
// watched until it ends, since all of it goes with the process.
struct TRefusalWatch {
    bool ended = false;
    bool window = false;  // a visible window of its own
    bool block = false;   // a block of the id, where the test made none
};

TRefusalWatch WatchRefusal(const ChildProcess& alert, const std::string& id, bool blockMade, DWORD ms)
{
    TRefusalWatch seen;
    const DWORD start = GetTickCount();
    for (;;) {
        seen.ended = alert.EndsWithin(0);
        if (seen.ended || GetTickCount() - start >= ms)
            return seen;
        seen.window = seen.window || !VisibleWindowsOf(alert.Id()).empty();
        if (!blockMade && !seen.block) {
            const TUniqueHandle block(OpenFileMappingA(FILE_MAP_READ, FALSE, ("map_" + id).c_str()));
            seen.block = block.Valid();
        }
        Sleep(1);
    }
}

// The child window at a point of `window`'s client area, visible ones only.
HWND ChildAt(HWND window, int x, int y)
{
    HWND child = ChildWindowFromPointEx(window, POINT{x, y}, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    return child == window ? nullptr : child;
}

RECT ClientRectOf(HWND child, HWND parent)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}


void KeepScreenshot(HWND window, const std::string& name)
{
    RECT client{};
    GetClientRect(window, &client);
    test_support::KeepArtefact(test_support::ScreenShot(window, client), name);
}

const TAlertQuestion kQuestion{"Signalled guard: Home page\r\n\r\n'Start Page' value in 'HKCU\\Software\\Test' key has "
                               "changes:\r\n\r\nValue from a snapshot: 42\r\nNew value: 43",
                               "Accept changes?", true};

}  // namespace

TEST(Quorvin, RefusesWithoutShowingOrAnswering)
{
    const size_t questionLengthAt = 12 + kQuestion.Message.size();
    const struct {
        const char* what;
        const char* commandLine;
        bool block;      // a block for the command line is made
        size_t breakAt;  // 0: a good block; else the offset of a length set to `value`
        std::uint32_t value;
    } cases[] = {
        {"a command line of blanks", "   ", true, 0, 0},
        {"no block", "31001", false, 0, 0},
        {"an empty message", "31002", true, 8, 0},
        {"an empty question", "31003", true, questionLengthAt, 0},
        {"a message past the block", "31004", true, 8, 20000},
        {"a question past the block", "31005", true, questionLengthAt, 0xFFFFFFF0u},
    };
    // The first window call of a process can take seconds (the desktop comes
    // up): made here, so that the watch below looks while each Quorvin runs.
    VisibleWindowsOf(GetCurrentProcessId());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<OpenBlock> block;
        if (c.block) {
            block = std::make_unique<OpenBlock>(c.commandLine);
            block->Write(kQuestion);
            if (c.breakAt)
                block->PutInt(c.breakAt, c.value);
        }
        ChildProcess alert(Quorvin(), c.commandLine);
        ASSERT_TRUE(alert.Started());
        const TRefusalWatch seen = WatchRefusal(alert, c.commandLine, c.block, 5000);
        EXPECT_TRUE(seen.ended);
        EXPECT_FALSE(seen.window) << "a window was shown";
        EXPECT_FALSE(seen.block) << "Quorvin made a block of its own";
        EXPECT_EQ(alert.ExitCode(), 0u);
        if (block) {
            EXPECT_EQ(block->Answer(), kAlertNotAnswered);
            EXPECT_EQ(block->Flag(), 0);
        }
    }
}

TEST(Quorvin, TheAlertWindowAnswersYesOrNo)
{
    const struct {
        const char* id;
        bool showBox;
        bool tickBox;
        bool yes;
        std::int32_t answer, flag;
    } cases[] = {
        {"32001", true, true, false, kAlertNo, 1},
        {"32002", true, false, true, kAlertYes, 0},
        {"32003", false, false, true, kAlertYes, 0},
    };
    for (const auto& c : cases) {
        OpenBlock block(c.id);
        TAlertQuestion question = kQuestion;
        question.ShowCheckBox = c.showBox;
        block.Write(question);
        ChildProcess alert(Quorvin(), c.id);
        const HWND window = WaitForAlertOf(alert, "Talmoris Security Alert");
        ASSERT_NE(window, nullptr) << c.id;
        Sleep(300);
        EXPECT_EQ(block.Answer(), kAlertNotAnswered) << "nothing is written before the click";

        // Bottom right of the work area, 20 pixels in from the right edge, above the rest.
        RECT work{}, placed{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        GetWindowRect(window, &placed);
        EXPECT_EQ(placed.right, work.right - 20) << c.id;
        EXPECT_EQ(placed.bottom, work.bottom) << c.id;
        EXPECT_EQ(placed.right - placed.left, 300);
        EXPECT_EQ(placed.bottom - placed.top, 306);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

        // The check box where it belongs, or the message frame in its room.
        const HWND box = ChildAt(window, 17 + 4, 214 + 8);
        ASSERT_NE(box, nullptr);
        const RECT boxRect = ClientRectOf(box, window);
        if (c.showBox) {
            EXPECT_EQ(boxRect.left, 17);
            EXPECT_EQ(boxRect.top, 214);
            EXPECT_EQ(boxRect.right - boxRect.left, 208);
        } else {
            EXPECT_LT(boxRect.top, 214) << "the message frame reaches down here";
            EXPECT_GE(boxRect.bottom, 214 + 17);
        }
        if (c.showBox && c.tickBox) {
            KeepScreenshot(window, "quorvin.bmp");
            ClickAt(window, 17 + 8, 214 + 8);
            EXPECT_FALSE(alert.EndsWithin(200)) << "ticking the box is no answer";
            EXPECT_EQ(block.Answer(), kAlertNotAnswered);
        }
        ASSERT_TRUE(IsWindowVisible(window)) << c.id;
        ClickAt(window, (c.yes ? 161 : 223) + 30, 250 + 11);
        ASSERT_TRUE(alert.EndsWithin(5000)) << c.id;
        EXPECT_EQ(alert.ExitCode(), 0u) << c.id;
        EXPECT_EQ(block.Answer(), c.answer) << c.id;
        EXPECT_EQ(block.Flag(), c.flag) << c.id;
    }
}

TEST(Quorvin, ASecondStartForTheSameIdEndsAtOnce)
{
    OpenBlock block("33001");
    block.Write(kQuestion);
    ChildProcess first(Quorvin(), "33001");
    const HWND window = WaitForAlertOf(first, "Talmoris Security Alert");
    ASSERT_NE(window, nullptr);
    ChildProcess second(Quorvin(), "33001");
    const TRefusalWatch seen = WatchRefusal(second, "33001", true, 5000);
    EXPECT_TRUE(seen.ended);
    EXPECT_FALSE(seen.window) << "the second start showed a window";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(first.EndsWithin(200)) << "the first alert stays";
    EXPECT_TRUE(IsWindowVisible(window)) << "and so does its window";
    EXPECT_EQ(block.Answer(), kAlertNotAnswered);
    Sleep(300);
    ClickAt(window, 223 + 30, 250 + 11);
    EXPECT_TRUE(first.EndsWithin(5000));
    EXPECT_EQ(block.Answer(), kAlertNo);
}

TEST(Quorvin, TextsAreTranslatedByTheirWording)
{
    // A program folder of its own: Quorvin\quorvin.exe and interface\interface.txt beside it.
    test_support::TempFolder folder;
    std::filesystem::create_directories(folder.File("Quorvin"));
    std::filesystem::create_directories(folder.File("interface"));
    std::filesystem::copy_file(Quorvin(), folder.File("Quorvin\\quorvin.exe"));
    std::ofstream(folder.File("interface\\interface.txt"), std::ios::binary)
        << "0=Texts by id are not for us\r\n"
           "Talmoris Security Alert=Sicherheitsalarm\r\n"
           "accept changes?=Annehmen?\r\n"
           "Always forbid these changes=\r\n";
    OpenBlock block("34001");
    block.Write(kQuestion);
    ChildProcess alert(folder.File("Quorvin\\quorvin.exe"), "34001");
    const HWND window = WaitForAlertOf(alert, "Sicherheitsalarm");
    ASSERT_NE(window, nullptr) << "the caption is translated";
    Sleep(300);
    KeepScreenshot(window, "quorvin-translated.bmp");
    ClickAt(window, 161 + 30, 250 + 11);
    EXPECT_TRUE(alert.EndsWithin(5000));
    EXPECT_EQ(block.Answer(), kAlertYes);
}

// ---- the whole road: the real monitor asks through the real alert window ----

#include "guard/confirmation_thread.h"
#include "support/monitor_harness.h"
#include "support/registry_fixture.h"

TEST(Quorvin, TheMonitorAsksThroughTheAlertWindow)
{
    using test_support::Sz;
    test_support::TestKey key;
    test_support::SetValue(key.Path(), "Start Page", Sz("http://home/"));
    test_support::MonitorHarness harness;
    harness.sink = std::make_shared<TAlertQuestionSink>(Quorvin());
    TFreezeList guards;
    TSingleFreeze* guard = test_support::AddGuard(guards, key.Path(), gkKey, grAsk);
    guard->DisplayName = "Browser start page";
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const auto startPage = [&] { return test_support::Dump(key.Path())[""]["Start Page"]; };
    const auto snapshotHolds = [&](const std::string& text) {
        TRegistryShapshoot snapshot;
        return LoadGuardSnapshot(snapshot, *guard, harness.dataFolder) && snapshot.FindValue("Start Page") &&
               snapshot.FindValue("Start Page")->AsText() == text;
    };
    HWND alert = nullptr;
    const auto alertShown = [&] {
        alert = FindWindowA(nullptr, "Talmoris Security Alert");
        return alert && IsWindowVisible(alert);
    };
    const auto answer = [&](bool yes, bool alwaysForbid) {
        harness.PumpFor(300);  // the window settles
        if (alwaysForbid)
            ClickAt(alert, 17 + 8, 214 + 8);
        ClickAt(alert, (yes ? 161 : 223) + 30, 250 + 11);
    };

    // No: the change is rolled back.
    test_support::SetValue(key.Path(), "Start Page", Sz("http://hijacked/"));
    ASSERT_TRUE(harness.PumpUntil(alertShown, 15000));
    answer(false, false);
    ASSERT_TRUE(harness.PumpUntil([&] { return startPage() == Sz("http://home/"); }, 15000));
    EXPECT_TRUE(snapshotHolds("http://home/"));

    // Yes: the change becomes the snapshot.
    ASSERT_TRUE(harness.PumpUntil([&] { return !alertShown(); }));
    test_support::SetValue(key.Path(), "Start Page", Sz("http://new-home/"));
    ASSERT_TRUE(harness.PumpUntil(alertShown, 15000));
    answer(true, false);
    ASSERT_TRUE(harness.PumpUntil([&] { return snapshotHolds("http://new-home/"); }, 15000));
    EXPECT_EQ(startPage(), Sz("http://new-home/"));
    EXPECT_TRUE(harness.reactions.empty());

    // Yes with "always forbid": accepted, and the guard now refuses silently.
    ASSERT_TRUE(harness.PumpUntil([&] { return !alertShown(); }));
    test_support::SetValue(key.Path(), "Start Page", Sz("http://third/"));
    ASSERT_TRUE(harness.PumpUntil(alertShown, 15000));
    answer(true, true);
    ASSERT_TRUE(harness.PumpUntil([&] { return !harness.reactions.empty(); }, 15000));
    EXPECT_EQ(harness.reactions[0].first, static_cast<WPARAM>(guard->Id));
    ASSERT_TRUE(harness.PumpUntil([&] { return snapshotHolds("http://third/"); }, 15000));

    // The next change is rolled back without a question.
    ASSERT_TRUE(harness.PumpUntil([&] { return !alertShown(); }));
    test_support::SetValue(key.Path(), "Start Page", Sz("http://fourth/"));
    bool asked = false;
    ASSERT_TRUE(harness.PumpUntil([&] {
        asked = asked || alertShown();
        return startPage() == Sz("http://third/");
    }, 15000));
    EXPECT_FALSE(asked);
    EXPECT_TRUE(harness.Stop());
}

// ---- the whole road of a file: a protected folder asks through the alert window ----

#include "classlib/file_system.h"
#include "guard/file_protector.h"

TEST(Quorvin, AProtectedFolderAsksThroughTheAlertWindow)
{
    test_support::MonitorHarness harness;  // the main window's side
    const std::string guarded = harness.folder.File("Startup");
    std::filesystem::create_directories(guarded);
    TDummyInfo provider;
    TFileProtection protection(&provider, harness.window, TAlertLauncher(Quorvin()));
    protection.SetKind(pkFolder);
    protection.SetPath(guarded);
    protection.SetListFile(harness.folder.File("protection\\startup.protection"));
    protection.SetDisplayName("Startup folder protection");
    protection.Start();
    ASSERT_TRUE(harness.PumpUntil([&] { return protection.WaitUntilWatching(0); }));

    const std::string dropped = guarded + "\\dropped-by-a-stranger.exe";
    std::ofstream(dropped) << "MZ";
    HWND alert = nullptr;
    ASSERT_TRUE(harness.PumpUntil([&] {
        alert = FindWindowA(nullptr, "Talmoris Security Alert");
        return alert && IsWindowVisible(alert);
    }, 15000));
    EXPECT_GE(harness.blinks, 1) << "the tray icon is asked to blink";
    harness.PumpFor(300);
    ClickAt(alert, 223 + 30, 250 + 11);  // No
    const std::string trash = test_support::Join(test_support::EnvOr("XDG_DATA_HOME", ""),
                                                 "Trash\\files\\dropped-by-a-stranger.exe");
    EXPECT_TRUE(harness.PumpUntil([&] { return !FileExists(dropped) && FileExists(trash); }, 15000));
    protection.Stop();
}
