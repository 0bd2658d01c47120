// The real program, started from its staged folder as a user starts it: the
// refusal without Quorvin, the first start that shows the window, a later
// start into the notification area that a second start brings back, and the
// window and its tray menu on screen. The program uses its fixed places (the
// settings key, freeze.list in the data folder, the Startup shortcut): each
// test puts them back as it found them.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "classlib/application.h"
#include "guard/guard_messages.h"
#include "guard/freeze_list.h"
#include "guard/settings.h"
#include "ui/message_box_form.h"
#include "ui/single_instance.h"
#include "support/definitions_builder.h"
#include "support/program_pictures.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"
#include "support/window_driving.h"

namespace {

using test_support::ChildProcess;
using test_support::ProgramFile;

// Our forms' window class (one per class style; forms keep the default one),
// and the hidden windows of the tray icon and of the menu's owner.
constexpr char kFormClass[] = "TalmorisControl";
constexpr char kTrayIconClass[] = "TalmorisTrayIcon";
constexpr char kMenuOwnerClass[] = "TalmorisPopupMenu";
constexpr char kSystemMenuClass[] = "#32768";
constexpr int kMainWidth = 546;
constexpr int kMainHeight = 436;
// The tray icon's callback, as the shell sends it (classlib/tray_icon.h).
constexpr UINT kTrayCallback = WM_APP + 1;
constexpr UINT kTrayIconId = 1;
constexpr char kQuorvinMissing[] = "Unable to find quorvin.exe file!";
// Far from every window the tests look at, so no button shows hot.
constexpr POINT kMouseAway{1023, 767};
// Generous: a Wine start with a fresh wineserver takes seconds.
constexpr DWORD kWaitMs = 20000;

bool WaitUntil(const std::function<bool()>& done, DWORD ms = kWaitMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(20);
    }
    return true;
}

// A folder of the shell's, found without the code under test.
std::string ShellFolder(int csidl)
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, folder)))
        return std::string();
    return folder;
}

std::string DataFolder() { return test_support::Join(ShellFolder(CSIDL_LOCAL_APPDATA), "Talmoris"); }
std::string FreezeListFile() { return test_support::Join(DataFolder(), "freeze.list"); }
std::string StartupShortcut() { return test_support::Join(ShellFolder(CSIDL_STARTUP), "Talmoris.lnk"); }

bool FileThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

struct WindowSearch {
    DWORD process;
    const char* className;
    std::vector<HWND> found;
};

// A plain function: the i686 build wants the callback's own calling convention.
BOOL CALLBACK CollectWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == search.process && std::strcmp(name, search.className) == 0)
        search.found.push_back(window);
    return TRUE;
}

// The top-level windows of `process` of that class, shown or not.
std::vector<HWND> WindowsOf(DWORD process, const char* className)
{
    WindowSearch search{process, className, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FirstVisible(const std::vector<HWND>& windows)
{
    for (HWND window : windows)
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

SIZE SizeOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::string CaptionOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The process's main form: the one form of the main window's size.
HWND MainWindowOf(DWORD process)
{
    for (HWND window : WindowsOf(process, kFormClass)) {
        const SIZE size = SizeOf(window);
        if (size.cx == kMainWidth && size.cy == kMainHeight)
            return window;
    }
    return nullptr;
}

// The main form named in the published instance block, null before the
// running instance has published it. The block is written last in the
// start-up, so once it names a window the start-up is over.
HWND PublishedMainWindow()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kInstanceBlockName);
    if (!mapping)
        return nullptr;
    std::uint32_t words[2] = {0, 0};
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 8)) {
        std::memcpy(words, view, sizeof words);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(words[0])));
    return IsWindow(window) ? window : nullptr;
}

// Waits for `process` to finish its start-up; its main form, or null.
HWND StartedMainWindow(const ChildProcess& process)
{
    HWND main = nullptr;
    WaitUntil([&] {
        const HWND published = PublishedMainWindow();
        DWORD owner = 0;
        GetWindowThreadProcessId(published, &owner);
        if (published && owner == process.Id())
            main = published;
        return main != nullptr || process.EndsWithin(0);
    });
    return main;
}

// For failure messages: a program that ended early says how.
std::string Fate(const ChildProcess& process)
{
    if (!process.EndsWithin(0))
        return "it still runs";
    return "it ended with exit code " + std::to_string(process.ExitCode());
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// What the screen shows of `area` (screen coordinates).
TBitmap ScreenArea(const RECT& area) { return test_support::ScreenShot(GetDesktopWindow(), area); }

RECT WindowArea(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// Pixels of `shot` that differ from `picture` in `area` (the coordinates of both).
int Differences(const TBitmap& shot, const TBitmap& picture, const RECT& area)
{
    int wrong = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            wrong += shot.Pixel(x, y) != picture.Pixel(x, y);
    return wrong;
}

std::optional<std::vector<unsigned char>> FileBytes(const std::string& path)
{
    if (!FileThere(path))
        return std::nullopt;
    return test_support::ReadAll(path);
}

void PutFile(const std::string& path, const std::optional<std::vector<unsigned char>>& bytes)
{
    RemoveFile(path);
    if (bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        test_support::WriteAll(path, bytes->data(), bytes->size());
    }
}

// Clears the program's settings key, its freeze.list and its Startup
// shortcut for the test; puts back what was there at the end. Every program
// started is gone before that, ended by its ChildProcess.
class MainProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileThere(ProgramFile("Talmoris.exe"))) << "the staged program is missing";
        ASSERT_TRUE(FileThere(ProgramFile("Quorvin\\quorvin.exe")));
        ASSERT_FALSE(ShellFolder(CSIDL_LOCAL_APPDATA).empty()) << "the prefix has no local application data";
        ASSERT_EQ(PublishedMainWindow(), nullptr) << "an instance of the program is running already";
        savedSettings_ = test_support::Dump(kSettingsKey);
        savedFreezeList_ = FileBytes(FreezeListFile());
        savedShortcut_ = FileBytes(StartupShortcut());
        saved_ = true;
        test_support::DeleteTree(kSettingsKey);
        RemoveFile(FreezeListFile());  // no guards: no monitor, no questions
        RemoveFile(StartupShortcut());
        SetCursorPos(kMouseAway.x, kMouseAway.y);
    }
    void TearDown() override
    {
        if (!saved_)
            return;  // nothing was touched
        test_support::DeleteTree(kSettingsKey);
        if (!savedSettings_.empty())
            test_support::Plant(kSettingsKey, savedSettings_);
        PutFile(FreezeListFile(), savedFreezeList_);
        PutFile(StartupShortcut(), savedShortcut_);
    }

    // A stored key: never a first start, and no Startup shortcut.
    static void StoreSettings(bool minimizeToTray)
    {
        test_support::SetValue(kSettingsKey, "Value_MinimizeToTrayWhenStart", test_support::Dword(minimizeToTray));
        test_support::SetValue(kSettingsKey, "Value_AutoStartWithOS", test_support::Dword(0));
    }

    static std::optional<test_support::RegValue> StoredSetting(const char* name)
    {
        const test_support::RegTree tree = test_support::Dump(kSettingsKey);
        const auto values = tree.find("");
        if (values == tree.end())
            return std::nullopt;
        const auto value = values->second.find(name);
        if (value == values->second.end())
            return std::nullopt;
        return value->second;
    }

    static std::string Program() { return ProgramFile("Talmoris.exe"); }

private:
    bool saved_ = false;
    test_support::RegTree savedSettings_;
    std::optional<std::vector<unsigned char>> savedFreezeList_, savedShortcut_;
};

}  // namespace

TEST_F(MainProgram, RefusesToStartWithoutQuorvin)
{
    // The staged program without its Quorvin folder.
    const test_support::TempFolder copy;
    std::filesystem::copy_file(Program(), copy.File("Talmoris.exe"));
    std::filesystem::copy_file(ProgramFile("bz.dll"), copy.File("bz.dll"));
    std::filesystem::copy(ProgramFile("interface"), copy.File("interface"), std::filesystem::copy_options::recursive);
    ASSERT_FALSE(FileThere(copy.File("Quorvin")));

    // A list the refused start must leave alone, whatever it holds.
    std::filesystem::create_directories(DataFolder());
    const std::string known = "not a list, and left as it is";
    test_support::WriteAll(FreezeListFile(), known);
    test_support::DeleteTree(kSettingsKey);

    const ChildProcess program(copy.File("Talmoris.exe"), Quoted(copy.File("Talmoris.exe")));
    ASSERT_TRUE(program.Started());
    // The skinned box with its default caption, the program's only window on screen.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : WindowsOf(program.Id(), kFormClass))
            if (IsWindowVisible(window) && CaptionOf(window) == "Error")
                box = window;
        return box != nullptr || program.EndsWithin(0);
    }));
    ASSERT_NE(box, nullptr) << "no message box; " << Fate(program);
    EXPECT_EQ(SizeOf(box).cx, 352);
    int shown = 0;
    for (HWND window : WindowsOf(program.Id(), kFormClass))
        shown += IsWindowVisible(window) ? 1 : 0;
    EXPECT_EQ(shown, 1) << "the main window shows with the box";
    EXPECT_EQ(PublishedMainWindow(), nullptr) << "a refused start publishes no window to hand over to";

    // The box's text is painted, not a window's: its first line is compared
    // with a box of ours that says only what is looked for. The pattern
    // behind the text is the same down the whole box.
    RECT firstLine{};
    TBitmap reference;
    {
        TfmMessageBox ours(nullptr);
        ours.Prepare(kQuorvinMissing, "", MB_ICONINFORMATION, nullptr);
        ours.SetVisible(true);
        ShowWindow(ours.Handle(), SW_SHOWNA);
        // Beside the program's box, which shows in the middle of the screen.
        SetWindowPos(ours.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        for (int i = 0; i < 30; ++i) {
            TApplication::Instance().ProcessMessages();
            Sleep(10);
        }
        GdiFlush();
        const int lineHeight = ours.lblMessage.Height();
        firstLine = RECT{ours.lblMessage.Left(), ours.lblMessage.Top(), ours.lblMessage.Left() + ours.lblMessage.Width(),
                         ours.lblMessage.Top() + lineHeight};
        reference = ScreenArea(WindowArea(ours.Handle()));
    }
    TBitmap shot;
    EXPECT_TRUE(WaitUntil(
        [&] {
            shot = ScreenArea(WindowArea(box));
            return Differences(shot, reference, firstLine) == 0;
        },
        5000))
        << Differences(shot, reference, firstLine) << " pixels of the first line differ from \"" << kQuorvinMissing
        << "\"";

    // Enter answers the box, and the program ends without having started.
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(program.EndsWithin(kWaitMs)) << "the program goes on after the box";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(test_support::ReadAll(FreezeListFile()), std::vector<unsigned char>(known.begin(), known.end()));
    HKEY settings = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &settings), ERROR_SUCCESS)
        << "a refused start writes no settings, so the next start is still a first one";
    if (settings)
        RegCloseKey(settings);
}

TEST_F(MainProgram, TheFirstStartShowsTheWindowAndClosingSavesEverything)
{
    const ChildProcess program(Program(), Quoted(Program()));
    ASSERT_TRUE(program.Started());
    const HWND main = StartedMainWindow(program);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(program);
    EXPECT_EQ(MainWindowOf(program.Id()), main);
    EXPECT_TRUE(IsWindowVisible(main)) << "the first start shows the window";
    EXPECT_EQ(WindowsOf(program.Id(), kTrayIconClass).size(), 1u) << "the tray icon's window";

    // The close button in the top right corner ends the program, which
    // saves on its way out.
    test_support::ClickAt(main, 523 + 10, 4 + 10);
    SetCursorPos(kMouseAway.x, kMouseAway.y);
    ASSERT_TRUE(program.EndsWithin(kWaitMs)) << "the close button didn't end the program";
    EXPECT_EQ(program.ExitCode(), 0u);

    EXPECT_EQ(StoredSetting("Value_MinimizeToTrayWhenStart"), test_support::Dword(1))
        << "after the first start the program goes to the tray";
    EXPECT_EQ(StoredSetting("Value_AutoStartWithOS"), test_support::Dword(1));
    EXPECT_TRUE(FileThere(StartupShortcut())) << "starting with Windows is on until switched off";
    ASSERT_TRUE(FileThere(FreezeListFile()));
    TFreezeList saved;
    EXPECT_EQ(LoadFreezeListKeepingDamage(saved, FreezeListFile()), TFreezeListLoad::Loaded);
    EXPECT_EQ(saved.Count(), 0);
}

TEST_F(MainProgram, ALaterStartGoesToTheTrayAndASecondStartBringsItBack)
{
    StoreSettings(true);
    const ChildProcess first(Program(), Quoted(Program()));
    ASSERT_TRUE(first.Started());
    const HWND main = StartedMainWindow(first);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(first);
    EXPECT_EQ(MainWindowOf(first.Id()), main);
    EXPECT_FALSE(IsWindowVisible(main)) << "a later start stays in the tray";
    EXPECT_EQ(FirstVisible(WindowsOf(first.Id(), kFormClass)), nullptr);

    // A second start hands over and ends; the first shows its window.
    {
        const ChildProcess second(Program(), Quoted(Program()));
        ASSERT_TRUE(second.Started());
        EXPECT_TRUE(second.EndsWithin(kWaitMs)) << "the second start runs on";
        EXPECT_EQ(second.ExitCode(), 0u);
    }
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; })) << "the first instance stays hidden";
    EXPECT_FALSE(first.EndsWithin(0));
    EXPECT_EQ(PublishedMainWindow(), main) << "the first instance still owns the block";

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.EndsWithin(kWaitMs));
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_EQ(StoredSetting("Value_MinimizeToTrayWhenStart"), test_support::Dword(1));
    EXPECT_FALSE(FileThere(StartupShortcut())) << "starting with Windows was off";
}

TEST_F(MainProgram, TheStartAppliesTheDefinitionsChangeFileOnce)
{
    StoreSettings(true);
    std::filesystem::create_directories(DataFolder());
    const std::string database = test_support::Join(DataFolder(), "spyware.db");
    const std::string changes = test_support::Join(DataFolder(), "spyware.def");
    test_support::WriteDefinitions(test_support::BuildDefinitions("APR old.exe\nAPR kept.exe\n"
                                                                  "def -APR old.exe\n"
                                                                  "def +KLF <WD>\\Spy.exe=spy\n"
                                                                  "def not a change\n"),
                                   DataFolder());
    const ChildProcess program(Program(), Quoted(Program()));
    ASSERT_TRUE(program.Started());
    const HWND main = StartedMainWindow(program);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(program);
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.EndsWithin(kWaitMs));

    EXPECT_FALSE(FileThere(changes)) << "the change file is applied once";
    EXPECT_EQ(FileBytes(database),
              test_support::BuildDefinitions("APR kept.exe\nKLF <wd>\\spy.exe | spy").database);
    RemoveFile(database);
    RemoveFile(database + ".descr");
}

TEST_F(MainProgram, TheWindowAndTheTrayMenuOnScreen)
{
    StoreSettings(false);
    const ChildProcess program(Program(), Quoted(Program()));
    ASSERT_TRUE(program.Started());
    const HWND main = StartedMainWindow(program);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(program);
    ASSERT_TRUE(IsWindowVisible(main)) << "with minimise-to-tray off the window shows";

    // The window's top band, right of the caption and left of the buttons,
    // is the main picture alone.
    const test_support::ProgramModule module("Talmoris.exe");
    const TBitmap picture = module.Picture("BM_MAIN");
    ASSERT_EQ(picture.Width(), kMainWidth);
    const RECT band{320, 6, 490, 22};
    TBitmap shot;
    EXPECT_TRUE(WaitUntil(
        [&] {
            shot = ScreenArea(WindowArea(main));
            return Differences(shot, picture, band) == 0;
        },
        5000))
        << "the main picture is not on screen";
    test_support::KeepArtefact(shot, "main-window.bmp");

    // The tray icon's right click, as the shell sends it, with the mouse
    // where the menu is to open.
    const auto trayIcons = WindowsOf(program.Id(), kTrayIconClass);
    ASSERT_EQ(trayIcons.size(), 1u);
    const auto openMenu = [&]() -> HWND {
        SetCursorPos(40, 60);
        PostMessageA(trayIcons[0], kTrayCallback, kTrayIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil([&] { return (menu = FirstVisible(WindowsOf(program.Id(), kSystemMenuClass))) != nullptr; }, 10000);
        SetCursorPos(kMouseAway.x, kMouseAway.y);
        return menu;
    };
    const HWND menu = openMenu();
    ASSERT_NE(menu, nullptr) << "no tray menu";
    const auto owners = WindowsOf(program.Id(), kMenuOwnerClass);
    ASSERT_EQ(owners.size(), 1u);

    // The side strip, a gradient from white to a light blue with the banner
    // below it, beside the white items. Once drawn, the menu window gets its
    // frame, and only a window exactly as tall as the items measured gets
    // it: framed, the measuring and the shown menu agree.
    const RECT area = WindowArea(menu);
    const COLORREF frame = RGB(0x78, 0x78, 0x78);
    TBitmap menuShot;
    const bool framed = WaitUntil(
        [&] {
            menuShot = ScreenArea(area);
            return menuShot.Pixel(0, 0) == frame && menuShot.Pixel(menuShot.Width() - 1, menuShot.Height() - 1) == frame;
        },
        5000);
    test_support::KeepArtefact(menuShot, "tray-menu.bmp");
    EXPECT_TRUE(framed) << "the menu window has no frame of its own";
    const int height = area.bottom - area.top;
    int bluish = 0;
    for (int y = 0; y < height; ++y) {
        const COLORREF c = menuShot.Pixel(6, y);
        bluish += GetBValue(c) > GetRValue(c) + 10;
    }
    EXPECT_GT(bluish, height / 3) << "no painted side strip";
    int white = 0;
    for (int y = 0; y < height; ++y)
        white += menuShot.Pixel(menuShot.Width() - 8, y) == RGB(255, 255, 255);
    EXPECT_GT(white, height / 2) << "the items are not drawn on white";

    // Escape closes the menu; the program runs on.
    PostMessageA(owners[0], WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 10000)) << "the menu stays";
    EXPECT_FALSE(program.EndsWithin(500));

    // Its last item ends the program: Up with nothing selected takes it.
    const HWND again = openMenu();
    ASSERT_NE(again, nullptr) << "no tray menu the second time";
    PostMessageA(owners[0], WM_KEYDOWN, VK_UP, 0);
    PostMessageA(owners[0], WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(program.EndsWithin(kWaitMs)) << "\"Exit program\" didn't end the program";
    EXPECT_EQ(program.ExitCode(), 0u);
}

TEST_F(MainProgram, AGuardListHeldOpenAtTheStartIsTheSameAfterClosing)
{
    StoreSettings(true);
    TFreezeList stored;
    auto guard = std::make_unique<TSingleFreeze>();
    guard->State = gsNotActive;
    guard->RootKeyName = "HKEY_CURRENT_USER";
    guard->KeyPath = "Software\\TalmorisTest\\HeldList";
    guard->DisplayName = "Held";
    guard->GuidText = "{00000003-0000-0000-0000-000000000000}";
    guard->Id = GuardIdFromGuid(guard->GuidText);
    stored.Add(std::move(guard));
    std::filesystem::create_directories(DataFolder());
    stored.SaveToFile(FreezeListFile());
    const std::vector<unsigned char> original = test_support::ReadAll(FreezeListFile());

    // Another program holds the list while Talmoris starts, and lets go of it.
    HANDLE held = CreateFileA(FreezeListFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const ChildProcess program(Program(), Quoted(Program()));
    ASSERT_TRUE(program.Started());
    const HWND main = StartedMainWindow(program);
    CloseHandle(held);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(program);

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.EndsWithin(kWaitMs));
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(test_support::ReadAll(FreezeListFile()), original) << "the unread list was written over";
}

TEST_F(MainProgram, ADataFolderTakenByAFileEndsTheProgramCleanly)
{
    StoreSettings(true);
    // The data folder's name belongs to a file; what was there is set aside.
    const std::string aside = DataFolder() + ".aside";
    std::filesystem::remove_all(aside);
    if (FileThere(DataFolder()))
        std::filesystem::rename(DataFolder(), aside);
    test_support::WriteAll(DataFolder(), "not a folder", 12);
    struct PutBack {
        std::string aside;
        ~PutBack()
        {
            RemoveFile(DataFolder());
            if (FileThere(aside))
                std::filesystem::rename(aside, DataFolder());
        }
    } putBack{aside};

    const ChildProcess program(Program(), Quoted(Program()));
    ASSERT_TRUE(program.Started());
    const HWND main = StartedMainWindow(program);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(program);
    PostMessageA(main, WM_CLOSE, 0, 0);

    // The list can't be saved: the program says so in a box, and ends
    // cleanly once it is answered.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        box = FirstVisible(WindowsOf(program.Id(), kFormClass));
        return box != nullptr || program.EndsWithin(0);
    }));
    ASSERT_NE(box, nullptr) << "no message; " << Fate(program);
    Sleep(500);  // painted
    test_support::KeepArtefact(ScreenArea(WindowArea(box)), "guard-list-not-saved.bmp");
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(program.EndsWithin(kWaitMs)) << "the program goes on after the box";
    EXPECT_EQ(program.ExitCode(), 0u) << "the program ended abnormally";
    EXPECT_EQ(test_support::ReadAll(DataFolder()).size(), 12u);
}

TEST_F(MainProgram, AnotherProgramCantMakeItReadAnAddressItChose)
{
    // One active guard, so that an honoured query or reaction would show.
    TFreezeList stored;
    auto guard = std::make_unique<TSingleFreeze>();
    guard->RootKeyName = "HKEY_CURRENT_USER";
    guard->KeyPath = "Software\\TalmorisTest\\Foreign";
    guard->DisplayName = "Foreign";
    guard->GuidText = "{00000000-0000-0000-0000-00000000F0F0}";
    guard->Id = GuardIdFromGuid(guard->GuidText);
    const std::uint32_t id = guard->Id;
    stored.Add(std::move(guard));
    std::filesystem::create_directories(DataFolder());
    stored.SaveToFile(FreezeListFile());
    const std::vector<unsigned char> listBefore = test_support::ReadAll(FreezeListFile());

    StoreSettings(true);
    const ChildProcess program(Program(), Quoted(Program()));
    ASSERT_TRUE(program.Started());
    const HWND main = StartedMainWindow(program);
    ASSERT_NE(main, nullptr) << "the program never finished its start-up; " << Fate(program);

    // Addresses that are nothing in the program's memory.
    for (LPARAM address : {LPARAM{0x10}, LPARAM{0x7FFF0000}, static_cast<LPARAM>(-4096)}) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(main, WM_ADD_LOG_LINE, 0, address, SMTO_NORMAL, 5000, &result);
        SendMessageTimeoutA(main, WM_QUERY_GUARD, static_cast<WPARAM>(address), 0, SMTO_NORMAL, 5000, &result);
        EXPECT_EQ(result, 0u) << "a foreign query is never answered as active";
    }
    // A real guard record placed in the program's memory, asked about as the
    // monitor asks: a program that read it would answer "active" (Wine keeps
    // a program alive through a bad read, so the answer is what shows).
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program.Id());
    ASSERT_NE(process, nullptr);
    TSingleFreeze asked;
    asked.Id = id;
    void* remote = VirtualAllocEx(process, nullptr, sizeof asked, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(process, remote, &asked, sizeof asked, nullptr));
    DWORD_PTR answer = 7;
    SendMessageTimeoutA(main, WM_QUERY_GUARD, reinterpret_cast<WPARAM>(remote), 0, SMTO_NORMAL, 5000, &answer);
    EXPECT_EQ(answer, 0u) << "a foreign query about a real, active guard was answered";
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    // A foreign reaction for the real guard changes nothing and saves nothing.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(main, WM_SET_GUARD_REACTION, id, grAsk, SMTO_NORMAL, 5000, &ignored);
    EXPECT_EQ(test_support::ReadAll(FreezeListFile()), listBefore) << "a foreign reaction was saved";
    EXPECT_FALSE(program.EndsWithin(500)) << "the program ended: " << Fate(program);

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.EndsWithin(kWaitMs));
    EXPECT_EQ(program.ExitCode(), 0u);
    TFreezeList saved;
    ASSERT_EQ(LoadFreezeListKeepingDamage(saved, FreezeListFile()), TFreezeListLoad::Loaded);
    ASSERT_EQ(saved.Count(), 1);
    EXPECT_EQ(saved.GetItem(0)->Reaction, grRevoke) << "the reaction stays the user's";
}
