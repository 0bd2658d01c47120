// The main form in this process, with a program folder and a data folder of
// the test's own and a scripted answerer for the monitor; the helpers the
// main form's tests and its pages' tests share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "classlib/application.h"
#include "classlib/file_system.h"
#include "guard/freeze_list.h"
#include "guard/settings.h"
#include "support/monitor_harness.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"
#include "ui/frame_log.h"
#include "ui/main_form.h"

namespace test_support {

inline constexpr char kGuardedKey[] = "Software\\TalmorisTest\\MainForm";

inline void Pump(int rounds = 5)
{
    for (int i = 0; i < rounds; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(5);
    }
}

// Pumps until `done` holds or `ms` pass.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        Pump(1);
    }
    return true;
}

inline std::unique_ptr<TSingleFreeze> KeyGuard(const String& name, std::uint8_t state = gsActive,
                                              const String& keyPath = kGuardedKey)
{
    auto guard = std::make_unique<TSingleFreeze>();
    guard->State = state;
    guard->RootKeyName = "HKEY_CURRENT_USER";
    guard->KeyPath = keyPath;
    guard->DisplayName = name;
    return guard;
}

class MainFormFixture : public ::testing::Test {
protected:
    MainFormFixture()
    {
        std::filesystem::create_directories(programFolder.File("Quorvin"));
        test_support::WriteAll(programFolder.File("Quorvin\\quorvin.exe"), "MZ", 2);
        test_support::CreateKey(kGuardedKey);
        test_support::SetValue(kGuardedKey, "Value", test_support::Sz("data"));
    }
    ~MainFormFixture() override
    {
        form.reset();
        test_support::DeleteTree(kSettingsKey);
        test_support::DeleteTree("Software\\TalmorisTest");
    }

    // A freeze.list of key guards in these states, with fixed GUIDs.
    void StoreGuards(TFreezeList& stored, std::initializer_list<std::uint8_t> states)
    {
        for (std::uint8_t state : states) {
            auto guard = KeyGuard("Guard " + IntToStr(stored.Count()), state);
            guard->GuidText = "{0000000" + IntToStr(stored.Count()) + "-0000-0000-0000-000000000000}";
            guard->Id = GuardIdFromGuid(guard->GuidText);
            stored.Add(std::move(guard));
        }
        std::filesystem::create_directories(DataFolder());
        stored.SaveToFile(FreezeListFile());
    }

    // The stored settings the form starts with: never a first start, and
    // nothing written to the Startup folder.
    void StoreSettings(bool autoActivate, bool minimizeToTray)
    {
        TSettings settings;
        settings.AutoActivateFreezeWhenStart = autoActivate;
        settings.MinimizeToTrayWhenStart = minimizeToTray;
        settings.AutoStartWithOS = false;
        SaveSettings(settings);
    }

    TfmMain& Open()
    {
        TMainFormPlaces places;
        places.programFolder = IncludeTrailingPathDelimiter(programFolder.Path());
        places.dataFolder = IncludeTrailingPathDelimiter(DataFolder());
        places.pictures = GetModuleHandleA(nullptr);
        places.questions = answers;
        places.alertProgram = alertProgram;
        places.makeGuid = makeGuid;
        places.startMonitor = startMonitor;
        places.updateServer = updateServer;
        places.openPage = openPage;
        form = std::make_unique<TfmMain>(nullptr, places);
        EXPECT_TRUE(form->Created());
        return *form;
    }

    // The events log's lines without their date and time.
    std::vector<std::pair<int, String>> LogLines() const
    {
        std::vector<std::pair<int, String>> lines;
        TframeLog& log = *form->FrameLog();
        if (log.IsLogEmpty())
            return lines;
        for (int row = 0; row < log.sgLog.RowCount(); ++row) {
            const String text = log.sgLog.Cells(0, row);
            const auto dot = text.find(". ");
            lines.emplace_back(log.Level(row), dot == String::npos ? text : text.substr(dot + 2));
        }
        return lines;
    }

    String DataFolder() const { return programFolder.File("data"); }
    String FreezeListFile() const { return programFolder.File("data\\freeze.list"); }

    TempFolder programFolder;
    std::shared_ptr<test_support::ScriptedAnswers> answers = std::make_shared<test_support::ScriptedAnswers>();
    std::unique_ptr<TfmMain> form;
    String alertProgram;  // "" for the stand-in quorvin.exe, which can't be started
    std::function<String()> makeGuid;  // unset: the system's
    std::function<TWorkerHandle(std::unique_ptr<TThread>)> startMonitor;
    String updateServer = kUpdateServerAddress;
    std::function<bool(const String&)> openPage;  // unset: the shell
};


}  // namespace test_support
