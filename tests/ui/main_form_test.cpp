// The main form in this process, with a program folder and a data folder of
// the test's own and a scripted answerer for the monitor: the message map
// driven from a worker thread as the monitor drives it, the blink of the
// tray icon, the guard operations with their snapshots and the monitor's
// restarts, and the events log.
#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/graphics.h"
#include "classlib/file_system.h"
#include "classlib/menus.h"
#include "classlib/own_messages.h"
#include "controls/three_state_button.h"
#include "guard/postponed_log.h"
#include "guard/registry_utils.h"
#include "support/monitor_harness.h"
#include "support/protection_records.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"
#include "support/main_form_fixture.h"
#include "ui/frame_log.h"

namespace {

using test_support::KeyGuard;
using test_support::kGuardedKey;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::TempFolder;
using MainFormTest = test_support::MainFormFixture;

}  // namespace

TEST_F(MainFormTest, GuardOperationsSnapshotSaveAndRestartTheMonitor)
{
    StoreSettings(false, true);
    TfmMain& main = Open();
    EXPECT_FALSE(main.IsMonitoring());
    EXPECT_TRUE(main.btnBeginMonitoring.Visible());

    // The first guard while protection is off: snapshotted and saved, no monitor.
    main.AddGuard(KeyGuard("First"));
    ASSERT_EQ(main.GuardList()->Count(), 1);
    TSingleFreeze* first = main.GuardList()->GetItem(0);
    EXPECT_EQ(first->GuidText.size(), 38u);
    EXPECT_EQ(first->GuidText, UpperCase(first->GuidText));
    EXPECT_EQ(first->Id, GuardIdFromGuid(first->GuidText));
    EXPECT_TRUE(FileExists(GetSnapshotFileName(first, main.DataFolder())));
    EXPECT_FALSE(main.MonitorRunning());
    EXPECT_EQ(main.lblCountFreezes.Caption(), "Guarded items: 1");
    {
        TFreezeList saved;
        saved.LoadFromFile(FreezeListFile());
        ASSERT_EQ(saved.Count(), 1);
        EXPECT_EQ(saved.GetItem(0)->GuidText, first->GuidText);
    }
    using Lines = std::vector<std::pair<int, String>>;
    EXPECT_EQ(LogLines(), (Lines{{0, "Guard with a name 'First' is added to the list. Updating the list of guards..."},
                                 {1, "The list of guards is updated."}}));

    // Switched on: the stop button shows, disabled until every guard is armed.
    main.btnBeginMonitoringClick();
    EXPECT_TRUE(main.IsMonitoring());
    EXPECT_TRUE(main.MonitorRunning());
    EXPECT_TRUE(main.btnCancelMonitoring.Visible());
    EXPECT_FALSE(main.btnBeginMonitoring.Visible());
    EXPECT_TRUE(main.miCancelMonitoring->Visible());
    EXPECT_TRUE(PumpUntil([&] { return main.btnCancelMonitoring.Enabled(); })) << "WM_MONITORING_STARTED";
    EXPECT_TRUE(main.miCancelMonitoring->Enabled());

    // A second guard restarts the monitor around the change.
    form->FrameLog()->btnClearLogClick();
    main.AddGuard(KeyGuard("Second"));
    EXPECT_TRUE(main.MonitorRunning());
    EXPECT_EQ(LogLines(), (Lines{{0, "Guard with a name 'Second' is added to the list. Updating the list of guards..."},
                                 {0, "Guard is unloaded."},
                                 {1, "Guard is made active."},
                                 {1, "The list of guards is updated."}}));

    // Removing keeps protection on while guards remain; the last switches it off.
    const String firstSnapshot = GetSnapshotFileName(first, main.DataFolder());
    main.RemoveGuard(first);
    EXPECT_FALSE(FileExists(firstSnapshot));
    EXPECT_TRUE(main.MonitorRunning());
    TSingleFreeze* second = main.GuardList()->GetItem(0);
    main.RemoveGuard(second);
    EXPECT_EQ(main.GuardList()->Count(), 0);
    EXPECT_FALSE(main.IsMonitoring());
    EXPECT_FALSE(main.MonitorRunning());
    EXPECT_TRUE(main.btnBeginMonitoring.Visible());
    EXPECT_EQ(main.lblCountFreezes.Caption(), "Guarded items: 0");
    {
        TFreezeList saved;
        saved.LoadFromFile(FreezeListFile());
        EXPECT_EQ(saved.Count(), 0);
    }
    main.btnBeginMonitoringClick();
    EXPECT_FALSE(main.IsMonitoring()) << "no protection without guards";
    EXPECT_FALSE(main.MonitorRunning());

    // Stopping right after a start, while the monitor still arms, leaves none behind.
    main.AddGuard(KeyGuard("Third"));
    main.btnBeginMonitoringClick();
    main.btnCancelMonitoringClick();
    EXPECT_FALSE(main.MonitorRunning());
    EXPECT_EQ(LogLines().back(), (std::pair<int, String>{0, "Guard is unloaded."}));
}

TEST_F(MainFormTest, WhatTheSystemRefusesIsHandled)
{
    // No GUID: no guard (it would have no id for its snapshot and questions).
    makeGuid = [] { return String(); };
    // No monitor thread: protection stays the user's choice and can be
    // switched off again.
    startMonitor = [](std::unique_ptr<TThread>) { return TWorkerHandle{}; };
    StoreSettings(false, true);
    TfmMain& main = Open();
    main.FrameLog()->btnClearLogClick();
    main.AddGuard(KeyGuard("Without GUID"));
    EXPECT_EQ(main.GuardList()->Count(), 0);
    EXPECT_FALSE(FileExists(FreezeListFile())) << "nothing to save";
    using Lines = std::vector<std::pair<int, String>>;
    EXPECT_EQ(LogLines(), (Lines{{llWarning, "No GUID could be made for the guard 'Without GUID': it is not added."}}));

    makeGuid = nullptr;
    form.reset();
    TfmMain& again = Open();
    again.AddGuard(KeyGuard("Guarded"));
    ASSERT_EQ(again.GuardList()->Count(), 1);
    again.FrameLog()->btnClearLogClick();
    again.btnBeginMonitoringClick();
    EXPECT_TRUE(again.IsMonitoring());
    EXPECT_FALSE(again.MonitorRunning());
    EXPECT_TRUE(again.btnCancelMonitoring.Visible());
    EXPECT_TRUE(again.btnCancelMonitoring.Enabled()) << "protection can be switched off again";
    EXPECT_TRUE(again.miCancelMonitoring->Enabled());
    EXPECT_TRUE(LogLines().empty()) << "\"Guard is made active.\" only for a thread that runs";
    again.btnCancelMonitoringClick();
    EXPECT_FALSE(again.IsMonitoring());
    EXPECT_TRUE(again.btnBeginMonitoring.Visible());
}

TEST_F(MainFormTest, MessagesFromAWorkerThread)
{
    TFreezeList stored;
    StoreGuards(stored, {gsActive, gsNotActive, gsDisabled});
    StoreSettings(false, true);
    TfmMain& main = Open();
    const HWND window = main.Handle();
    const size_t linesBefore = LogLines().size();

    // Sent as the monitor sends them: from another thread, while this one pumps.
    struct Query {
        std::uint32_t id;
        LRESULT expected;
    };
    std::vector<Query> queries;
    for (int i = 0; i < stored.Count(); ++i)
        queries.push_back({stored.GetItem(i)->Id, i == 0 ? 1 : 0});
    queries.push_back({12345, 0});  // a guard deleted meanwhile
    std::vector<LRESULT> answers;
    LRESULT nullAnswer = -1;
    std::atomic<bool> done{false};
    bool unknownReactionSaved = true;
    bool foreignReactionSaved = true;
    LRESULT foreignQuery = -1;
    std::thread monitor([&] {
        for (const Query& q : queries) {
            TSingleFreeze copy;
            copy.Id = q.id;
            answers.push_back(SendOwnMessage(window, WM_QUERY_GUARD, reinterpret_cast<WPARAM>(&copy), 0));
        }
        nullAnswer = SendOwnMessage(window, WM_QUERY_GUARD, 0, 0);
        DeleteFileA(FreezeListFile().c_str());
        SendOwnMessage(window, WM_SET_GUARD_REACTION, 12345, grAsk);
        unknownReactionSaved = FileExists(FreezeListFile());

        // The same messages as any other program can send them: a real guard
        // and a real log line, but not sent as ours, are never honoured.
        SendMessageA(window, WM_SET_GUARD_REACTION, stored.GetItem(0)->Id, grAsk);
        foreignReactionSaved = FileExists(FreezeListFile());
        TSingleFreeze active;
        active.Id = stored.GetItem(0)->Id;
        foreignQuery = SendMessageA(window, WM_QUERY_GUARD, reinterpret_cast<WPARAM>(&active), 0);
        SendMessageA(window, WM_ADD_LOG_LINE, llWarning, reinterpret_cast<LPARAM>("Not from the monitor"));

        SendOwnMessage(window, WM_SET_GUARD_REACTION, stored.GetItem(1)->Id, 0x100 | grAsk);
        SendOwnMessage(window, WM_ADD_LOG_LINE, llWarning, 0);
        SendOwnMessage(window, WM_ADD_LOG_LINE, llWarning, reinterpret_cast<LPARAM>("From the monitor"));
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    monitor.join();

    ASSERT_EQ(answers.size(), queries.size());
    for (size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(answers[i], queries[i].expected) << "query " << i;
    EXPECT_EQ(nullAnswer, 0);
    EXPECT_FALSE(unknownReactionSaved) << "an unknown id saves nothing";
    EXPECT_FALSE(foreignReactionSaved) << "a reaction not sent by our monitor changes nothing";
    EXPECT_EQ(foreignQuery, 0) << "a query not sent by our monitor is not answered";
    TFreezeList saved;
    saved.LoadFromFile(FreezeListFile());
    ASSERT_EQ(saved.Count(), 3);
    EXPECT_EQ(saved.GetItem(1)->Reaction, grAsk) << "the low byte of lParam";
    EXPECT_EQ(saved.GetItem(1)->State, gsNotActive) << "the state stays";
    EXPECT_EQ(saved.GetItem(0)->Reaction, grRevoke);

    EXPECT_EQ(LogLines().size(), linesBefore + 1) << "no line for a null text, none for a foreign one";
    EXPECT_EQ(LogLines().back(), (std::pair<int, String>{llWarning, "From the monitor"}));
}

TEST_F(MainFormTest, TheTrayIconBlinksOnlyWhileTheWindowIsHidden)
{
    StoreSettings(false, true);
    TfmMain& main = Open();
    ASSERT_FALSE(main.Visible()) << "later starts stay in the tray";
    EXPECT_EQ(main.TrayImage(), main.NormalTrayImage());

    SendMessageA(main.Handle(), WM_START_BLINK, 0, 0);
    ASSERT_TRUE(main.tmBlinkTimer.Enabled());
    std::vector<int> shown;
    for (int tick = 0; tick < 8; ++tick) {
        main.tmBlinkTimer.OnTimer(main.tmBlinkTimer);
        shown.push_back(main.TrayImage());
    }
    const int odd = main.OddTickTrayImage(), even = main.EvenTickTrayImage();
    EXPECT_EQ(shown, (std::vector<int>{odd, even, odd, even, odd, even, odd, main.NormalTrayImage()}));
    EXPECT_FALSE(main.tmBlinkTimer.Enabled());
    EXPECT_EQ(main.tmBlinkTimer.Tag(), 0);

    // A second blink request mid-blink goes on counting; a shown window halts it.
    SendMessageA(main.Handle(), WM_START_BLINK, 0, 0);
    main.tmBlinkTimer.OnTimer(main.tmBlinkTimer);
    main.tmBlinkTimer.OnTimer(main.tmBlinkTimer);
    SendMessageA(main.Handle(), WM_START_BLINK, 0, 0);
    EXPECT_EQ(main.tmBlinkTimer.Tag(), 2);
    main.SetVisible(true);
    ShowWindow(main.Handle(), SW_SHOWNA);
    SendMessageA(main.Handle(), WM_START_BLINK, 0, 0);
    EXPECT_FALSE(main.tmBlinkTimer.Enabled());
    EXPECT_EQ(main.TrayImage(), even) << "halted on its current picture";
    EXPECT_EQ(main.tmBlinkTimer.Tag(), 2);
}

TEST_F(MainFormTest, TheRealMonitorIsAnsweredAndHeard)
{
    // The form and the monitor together: the monitor's queries are answered
    // as ours and its lines reach the events log.
    StoreSettings(false, true);
    TfmMain& main = Open();
    main.AddGuard(KeyGuard("Revoked"));
    main.btnBeginMonitoringClick();
    ASSERT_TRUE(PumpUntil([&] { return main.btnCancelMonitoring.Enabled(); })) << "WM_MONITORING_STARTED";

    test_support::SetValue(kGuardedKey, "Planted", test_support::Sz("spy"));
    const String key = String("HKCU\\") + kGuardedKey;
    const auto heard = [&] {
        for (const auto& [level, text] : LogLines())
            if (level == llSuccess && text == "The 'Planted' value in '" + key + "' key removed.")
                return true;
        return false;
    };
    EXPECT_TRUE(PumpUntil(heard)) << "the monitor's line never reached the log";
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kGuardedKey, 0, KEY_READ, &opened), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(opened, "Planted", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND)
        << "the planted value is still there";
    RegCloseKey(opened);
}

TEST_F(MainFormTest, LogLinesCarryTheDateAndTime)
{
    StoreSettings(false, true);
    TfmMain& main = Open();
    main.FrameLog()->btnClearLogClick();

    // The system's own short date and time, around the line: one of them is
    // what the line starts with.
    const auto stamp = [] {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        char date[64] = {}, clock[64] = {};
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date);
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, clock, sizeof clock);
        return String(date) + " " + clock;
    };
    const String before = stamp();
    main.AddLogLine("Something happened", llSuccess);
    const String after = stamp();

    TframeLog& log = *main.FrameLog();
    ASSERT_FALSE(log.IsLogEmpty());
    const String cell = log.sgLog.Cells(0, log.sgLog.RowCount() - 1);
    EXPECT_TRUE(cell == before + ". Something happened" || cell == after + ". Something happened") << cell;
    EXPECT_EQ(log.Level(log.sgLog.RowCount() - 1), llSuccess);
}

TEST_F(MainFormTest, AGuardListThatCouldNotBeReadIsNeverWrittenOver)
{
    // A list held open by another program while we start: it can't be read.
    TFreezeList stored;
    StoreGuards(stored, {gsNotActive});
    const std::vector<unsigned char> original = test_support::ReadAll(FreezeListFile());
    HANDLE held = CreateFileA(FreezeListFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    StoreSettings(false, true);
    TfmMain& main = Open();
    CloseHandle(held);  // released: from now on a save would succeed
    EXPECT_EQ(main.GuardList()->Count(), 0);
    const auto lines = LogLines();
    int told = 0;
    for (const auto& [level, text] : lines)
        if (level == llWarning && text.find("is not written in this run") != String::npos)
            ++told;
    EXPECT_EQ(told, 1) << "said once at the start";

    // Every way the form saves the list leaves it as it was.
    main.AddGuard(KeyGuard("New"));
    ASSERT_EQ(main.GuardList()->Count(), 1);
    EXPECT_FALSE(main.SaveFreezeList());
    const std::uint32_t id = main.GuardList()->GetItem(0)->Id;
    std::thread monitor([&] { SendOwnMessage(main.Handle(), WM_SET_GUARD_REACTION, id, grAsk); });
    EXPECT_TRUE(PumpUntil([&] { return main.GuardList()->GetItem(0)->Reaction == grAsk; }));
    monitor.join();
    main.RemoveGuard(main.GuardList()->GetItem(0));
    EXPECT_EQ(SendMessageA(main.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageA(main.Handle(), WM_ENDSESSION, TRUE, 0);
    form.reset();
    EXPECT_EQ(test_support::ReadAll(FreezeListFile()), original) << "freeze.list was written over";
}

TEST_F(MainFormTest, TheSessionsEndSavesAsClosingDoes)
{
    StoreSettings(false, true);
    TfmMain& main = Open();
    main.AddGuard(KeyGuard("Watched"));
    main.btnBeginMonitoringClick();
    ASSERT_TRUE(main.MonitorRunning());
    test_support::DeleteTree(kSettingsKey);
    DeleteFileA(FreezeListFile().c_str());

    // Asking already saves: the system may end us soon after.
    EXPECT_EQ(SendMessageA(main.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(FileExists(FreezeListFile()));
    TSettings saved;
    LoadSettings(saved);
    EXPECT_FALSE(saved.FirstStart) << "the settings were not written";

    // A session end called off changes nothing more; the real one runs the
    // close path: the monitor ends, the list and the settings are saved.
    SendMessageA(main.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(main.MonitorRunning());
    test_support::DeleteTree(kSettingsKey);
    DeleteFileA(FreezeListFile().c_str());
    // It may reach the hidden application window only.
    SendMessageA(TApplication::Instance().Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(main.MonitorRunning());
    EXPECT_EQ(LogLines().back(), (std::pair<int, String>{llPlain, "Guard is unloaded."}));
    TFreezeList list;
    EXPECT_EQ(LoadFreezeListKeepingDamage(list, FreezeListFile()), TFreezeListLoad::Loaded);
    EXPECT_EQ(list.Count(), 1);
    TSettings again;
    LoadSettings(again);
    EXPECT_FALSE(again.FirstStart);
    EXPECT_TRUE(main.IsMonitoring()) << "the user's choice is kept for the next start";
}

TEST_F(MainFormTest, ProtectionWithNothingToWatchCanBeSwitchedOff)
{
    // Guards, but none active: the monitor watches nothing.
    TFreezeList stored;
    StoreGuards(stored, {gsNotActive});
    StoreSettings(false, true);
    TfmMain& main = Open();

    main.btnBeginMonitoringClick();
    EXPECT_TRUE(main.btnCancelMonitoring.Visible());
    EXPECT_TRUE(PumpUntil([&] { return main.btnCancelMonitoring.Enabled() && !main.MonitorRunning(); }))
        << "\"Stop protection\" stays disabled";
    EXPECT_TRUE(main.miCancelMonitoring->Enabled());
    EXPECT_EQ(LogLines().back(),
              (std::pair<int, String>{llWarning,
                                      "No guard is watched: none is active, or none of their keys could be opened."}));
    main.btnCancelMonitoringClick();
    EXPECT_FALSE(main.IsMonitoring());
    EXPECT_TRUE(main.btnBeginMonitoring.Visible());
}

TEST_F(MainFormTest, AGuardListThatCantBeSavedIsAWarningNeverAnError)
{
    // The data folder's name is taken by a file: nothing can be written there.
    test_support::WriteAll(DataFolder(), "a file, not a folder", 20);
    StoreSettings(false, true);
    TfmMain& main = Open();
    main.AddGuard(KeyGuard("Unsaved"));
    EXPECT_EQ(main.GuardList()->Count(), 1);
    EXPECT_FALSE(main.SaveFreezeList());
    bool warned = false;
    for (const auto& [level, text] : LogLines())
        warned |= level == llWarning && text.find("The guard list " + FreezeListFile() + " can't be saved") == 0;
    EXPECT_TRUE(warned);
    form.reset();  // the last save fails too, and nothing escapes the destructor
    EXPECT_EQ(test_support::ReadAll(DataFolder()).size(), 20u);
}

TEST_F(MainFormTest, TrayMenuItemsAreDrawnOnAWhiteGroundUnlessSelectedAndEnabled)
{
    StoreSettings(false, true);
    TfmMain& main = Open();
    TMenuItem& item = *main.miCancelMonitoring;
    constexpr int kWidth = 200, kHeight = 24;
    const COLORREF unpainted = RGB(255, 0, 255);
    // The right end of the item, past any text: the ground alone.
    const auto groundOf = [&](bool enabled, TOwnerDrawState state) {
        item.SetEnabled(enabled);
        TBitmap shot(kWidth, kHeight);
        {
            TBitmapDC dc(shot);
            TCanvas canvas(dc.Get());
            canvas.SetBrush(unpainted);
            canvas.FillRect({0, 0, kWidth, kHeight});
            item.OnAdvancedDrawItem(item, canvas, RECT{0, 0, kWidth, kHeight}, state);
        }
        return shot.Pixel(kWidth - 4, kHeight / 2);
    };
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ(groundOf(true, 0), white);
    EXPECT_EQ(groundOf(false, 0), white);
    EXPECT_EQ(groundOf(false, odSelected), white) << "a selected, disabled item";
    const COLORREF highlighted = groundOf(true, odSelected);
    EXPECT_NE(highlighted, white) << "the selected item's gradient";
    EXPECT_NE(highlighted, unpainted);
    item.SetEnabled(true);
}

TEST(EventsLog, PlaceholderLinesCutAndClear)
{
    TframeLog log(nullptr, GetModuleHandleA(nullptr));
    log.SetBounds(0, 0, 523, 317);
    EXPECT_TRUE(log.IsLogEmpty());
    EXPECT_EQ(log.sgLog.RowCount(), 1);

    log.AddLine("line 0", 1, 16);
    EXPECT_EQ(log.sgLog.RowCount(), 1) << "the first line replaces the placeholder";
    EXPECT_FALSE(log.IsLogEmpty());
    EXPECT_EQ(log.Level(0), 1);

    for (int i = 1; i < 999; ++i)
        log.AddLine("line " + IntToStr(i), i % 3, 16);
    EXPECT_EQ(log.sgLog.RowCount(), 999);
    EXPECT_EQ(log.logScroll.Max(), 999);
    EXPECT_EQ(log.logScroll.Position(), 998) << "the bar follows the newest line";

    log.AddLine("line 999", 999 % 3, 16);
    ASSERT_EQ(log.sgLog.RowCount(), 500) << "the newest 500 lines stay";
    for (int row : {0, 1, 250, 499}) {
        EXPECT_EQ(log.sgLog.Cells(0, row), "line " + IntToStr(500 + row));
        EXPECT_EQ(log.Level(row), (500 + row) % 3) << "each with its own level";
    }
    EXPECT_EQ(log.logScroll.Max(), 500);

    // A long line wraps and its row grows; an empty message still makes a row.
    log.AddLine(String(300, 'x') + " " + String(300, 'y'), 0, 16);
    log.AddLine("", 0, 16);
    EXPECT_GT(log.sgLog.RowHeights(500), log.sgLog.RowHeights(501));

    log.btnClearLogClick();
    EXPECT_TRUE(log.IsLogEmpty());
    EXPECT_EQ(log.sgLog.RowCount(), 1);
    EXPECT_EQ(log.logScroll.Max(), 1);

    // Moving the bar selects its row; choosing a row moves the bar.
    for (int i = 0; i < 5; ++i)
        log.AddLine("again " + IntToStr(i), 0, 16);
    log.logScroll.setPosition(2);
    EXPECT_EQ(log.sgLog.Row(), 2);
    log.sgLog.SetRow(4);
    EXPECT_EQ(log.logScroll.Position(), 4);
}

TEST_F(MainFormTest, ThePredefinedFileProtectionsRunWithTheFormAndAreSaved)
{
    StoreSettings(false, true);
    // No list yet: the predefined protections are made, run and saved.
    {
        TfmMain& main = Open();
        ASSERT_NE(main.ProtectionList(), nullptr);
        EXPECT_GE(main.ProtectionList()->Count(), 12);
        EXPECT_TRUE(main.ProtectionList()->GetItem(0)->Running());
        form.reset();
        test_support::ProtectionRecords saved;
        ReadComponentResFile(programFolder.File("data\\protection.list"), saved);
        EXPECT_GE(saved.records.size(), 12u);
    }
}

TEST_F(MainFormTest, AQuestionAboutAFileEndsWithTheForm)
{
    StoreSettings(false, true);
    // A protection of the user's own, asked about when the form closes.
    const std::string guarded = programFolder.File("guarded");
    std::filesystem::create_directories(guarded);
    std::filesystem::create_directories(DataFolder());
    test_support::ProtectionRecords stored;
    TProtectionRecord own;
    own.Kind = pkFolder;
    own.Path = guarded;
    own.ListFile = programFolder.File("data\\protection\\own.protection");
    own.DisplayName = "Own folder";
    stored.records = {own};
    WriteComponentResFile(programFolder.File("data\\protection.list"), stored);

    test_support::ScriptedFakeAlert alert("wait 20000");
    alertProgram = test_support::FakeAlertProgram();
    TfmMain& main = Open();
    ASSERT_EQ(main.ProtectionList()->Count(), 1);
    TFileProtection& protection = *main.ProtectionList()->GetItem(0);
    ASSERT_TRUE(PumpUntil([&] { return protection.WaitUntilWatching(0); }));
    const std::string dropped = guarded + "\\dropped.txt";
    test_support::WriteAll(dropped, "x");
    ASSERT_TRUE(PumpUntil([&] { return FileExists(alert.folder.File("asked.log")); }));
    const DWORD before = GetTickCount();
    main.Close();
    form.reset();
    EXPECT_LT(GetTickCount() - before, 5000u) << "the question was closed, not waited for";
    EXPECT_TRUE(FileExists(dropped)) << "no answer changes nothing";
    test_support::ProtectionRecords saved;
    ReadComponentResFile(programFolder.File("data\\protection.list"), saved);
    ASSERT_EQ(saved.records.size(), 1u);
    EXPECT_EQ(saved.records[0].Path, guarded);
}

#include "support/bitmap_fixture.h"
#include "ui/page_scroll.h"

TEST(PageScrollBar, ArrowsAtRestArePicturesZeroAndTwoAndPressedOneAndThree)
{
    // Five pictures of their own colour; the bottom-left pixel is the key left out.
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(200, 200, 0), RGB(0, 200, 200)};
    TImageList pictures(16, 17);
    for (COLORREF colour : colours) {
        TBitmap picture = test_support::SolidBitmap(16, 17, colour);
        picture.SetPixel(0, 16, RGB(1, 2, 3));
        pictures.Add(picture);
    }
    TWOwnrScrllBar bar(nullptr);
    PaintFromScrollPictures(bar, pictures);
    struct Case {
        const char* part;
        const TWOwnrScrllBar::TOSBEvent& draw;
        bool atRest;
        int picture;
        int dy;  // where the picture's top lands, from the part's top
    };
    const Case cases[] = {
        {"up at rest", bar.OnTopDraw, true, 0, 0},      {"up pressed", bar.OnTopDraw, false, 1, 0},
        {"down at rest", bar.OnBottomDraw, true, 2, -1}, {"down pressed", bar.OnBottomDraw, false, 3, -1},
        {"thumb", bar.OnTrackDraw, true, 4, 0},
    };
    for (const Case& c : cases) {
        TBitmap canvas = test_support::SolidBitmap(40, 60, RGB(255, 255, 255));
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, canvas.Handle());
        const RECT part{10, 20, 27, 37};
        c.draw(bar, dc, part, c.atRest);
        EXPECT_EQ(GetPixel(dc, 15, 20 + c.dy + 5), colours[c.picture]) << c.part;
        EXPECT_EQ(GetPixel(dc, 15, 20 + c.dy - 1), RGB(255, 255, 255)) << c.part << ": drawn too high";
        SelectObject(dc, old);
        DeleteDC(dc);
    }
}
