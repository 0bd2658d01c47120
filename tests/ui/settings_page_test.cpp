// The settings page in the real main window: what Save stores for the typed
// numbers (read back with Wine's reg) and what the edits show afterwards,
// the refused proxy port, the two check boxes that enable their edits, every
// box stored with the Startup shortcut and the hints following Save, the
// page reached from the toolbar and the tray menu; a screenshot.
#include "ui/frame_settings.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "classlib/menus.h"
#include "controls/three_state_button.h"
#include "support/main_form_fixture.h"
#include "support/registry_fixture.h"
#include "support/program_pictures.h"
#include "support/window_driving.h"
#include "ui/frame_freeze_list.h"
#include "ui/frame_log.h"
#include "ui/message_box_form.h"

namespace {

using test_support::PumpUntil;

constexpr char kPortRefused[] = "Please specify a proxy port from 1 to 65535, or leave it empty.";

std::string StartupShortcut()
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, 0, folder)))
        return std::string();
    return test_support::Join(folder, "Talmoris.lnk");
}

bool FileThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// `reg query` of the settings key: value name -> type and data as reg prints them.
std::map<std::string, std::pair<std::string, std::string>> QuerySettingsWithReg()
{
    return test_support::QueryWithReg(kSettingsKey);
}

// A number as reg prints a REG_DWORD.
std::string RegDword(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string Reg(const std::map<std::string, std::pair<std::string, std::string>>& values, const char* name)
{
    const auto found = values.find(name);
    return found == values.end() ? std::string("(missing)") : found->second.second;
}

// Answers every message box with OK while it lives, and keeps what was asked.
class TBoxAnswers {
public:
    TBoxAnswers()
    {
        SetMessageBoxAnswerer([this](const TMessageBoxRequest& request) {
            asked.push_back(request.Text);
            return IDOK;
        });
    }
    ~TBoxAnswers() { SetMessageBoxAnswerer(nullptr); }
    std::vector<String> asked;
};

bool Digits(TFlatEdit& edit) { return (GetWindowLongA(edit.Handle(), GWL_STYLE) & ES_NUMBER) != 0; }

// The colour the screen shows inside an edit, right of any text.
COLORREF PaintedColour(TFlatEdit& edit)
{
    const RECT inside{edit.Width() - 6, edit.Height() / 2, edit.Width() - 5, edit.Height() / 2 + 1};
    return test_support::ScreenShot(edit.Handle(), inside).Pixel(0, 0);
}

// The program's Startup shortcut is its fixed place: gone at the start,
// and put back as it was at the end.
class SettingsPageTest : public test_support::MainFormFixture {
protected:
    SettingsPageTest()
        : shortcut_(StartupShortcut()),
          savedShortcut_(FileThere(shortcut_) ? std::optional(test_support::ReadAll(shortcut_)) : std::nullopt)
    {
        RemoveFile(shortcut_);
    }
    ~SettingsPageTest() override
    {
        form.reset();  // it saves the settings, and with them the shortcut
        RemoveFile(shortcut_);
        if (savedShortcut_)
            test_support::WriteAll(shortcut_, savedShortcut_->data(), savedShortcut_->size());
    }

    // The settings the form starts with; never a first start.
    static TSettings Stored()
    {
        TSettings settings;
        settings.AutoActivateFreezeWhenStart = false;
        settings.AutoStartWithOS = false;
        return settings;
    }

    // The window on screen with the page shown by its toolbar button.
    TframeSettings& OpenPage(const TSettings& stored = Stored())
    {
        SaveSettings(stored);
        TfmMain& main = Open();
        SetForegroundWindow(main.Handle());
        test_support::Pump();
        test_support::ClickAt(main.Handle(), 311 + 36, 25 + 28);  // btnSettings
        EXPECT_TRUE(PumpUntil([&] { return main.frameSettings->Visible(); })) << "the toolbar button shows the page";
        return *main.frameSettings;
    }

    // A check box is clicked on its glyph, a button in its middle. A second
    // click on the same control waits out the double-click time: it is a
    // click of its own, as a user's would be.
    void Click(TWinControl& control)
    {
        if (&control == lastClicked_)
            while (GetTickCount() - lastClickTick_ <= GetDoubleClickTime())
                test_support::Pump(1);
        const int x = dynamic_cast<TBitCheckBox*>(&control) ? 6 : control.Width() / 2;
        test_support::ClickAt(control.Handle(), x, control.Height() / 2);
        lastClicked_ = &control;
        lastClickTick_ = GetTickCount();
        test_support::Pump();
    }

    std::string shortcut_;
    std::optional<std::vector<unsigned char>> savedShortcut_;
    const TWinControl* lastClicked_ = nullptr;
    DWORD lastClickTick_ = 0;
};

TEST_F(SettingsPageTest, SaveStoresTheTypedNumbersAndRefusesAPortAbove65535)
{
    TframeSettings& page = OpenPage();
    EXPECT_TRUE(Digits(page.edProxyPort)) << "digits only once the page is filled";
    EXPECT_TRUE(Digits(page.edPollInterval));
    EXPECT_EQ(page.edProxyPort.Text(), "0") << "the stored port, in decimal";
    EXPECT_EQ(page.edPollInterval.Text(), "3");

    const struct {
        const char* name;
        const char* poll;
        const char* port;
        bool useProxy;
        bool refused;
        int storedInterval;
        int storedPort;
        const char* pollShown;  // the port edit always keeps what was typed
    } rows[] = {
        {"an interval of 0 is one day", "0", "8080", true, false, 1, 8080, "1"},
        {"an empty interval is three days, an empty port none", "", "", true, false, 3, 0, "3"},
        {"a typed interval and the highest port", "14", "65535", false, false, 14, 65535, "14"},
        {"a port that is no number is none", "5", "80a", true, false, 5, 0, "5"},
        {"a port above 65535 is refused", "0", "99999", true, true, 0, 0, "0"},
        {"also with the proxy switched off", "", "65536", false, true, 0, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (page.cbUseProxy.Checked() != row.useProxy)
            Click(page.cbUseProxy);
        ASSERT_EQ(page.cbUseProxy.Checked(), row.useProxy);
        page.edPollInterval.SetText(row.poll);
        page.edProxyPort.SetText(row.port);
        page.edProxyAddress.SetText(String("proxy.") + row.name);
        // A box the refusal must not let reach the Startup folder either.
        page.cbAutoStartWithOS.SetChecked(row.refused);

        const TSettings before = *form->GetSettings();
        const test_support::RegTree storedBefore = test_support::Dump(kSettingsKey);
        TBoxAnswers boxes;
        Click(page.btnSaveSettings);
        const TSettings& after = *form->GetSettings();

        EXPECT_EQ(page.edPollInterval.Text(), row.pollShown);
        EXPECT_EQ(page.edProxyPort.Text(), row.port);
        if (row.refused) {
            EXPECT_EQ(boxes.asked, std::vector<String>{kPortRefused});
            EXPECT_EQ(test_support::Dump(kSettingsKey), storedBefore) << "nothing stored";
            EXPECT_EQ(after.ProxyPort, before.ProxyPort) << "nothing taken";
            EXPECT_EQ(after.CheckUpdatesInterval, before.CheckUpdatesInterval);
            EXPECT_EQ(after.ProxyAddress, before.ProxyAddress);
            EXPECT_FALSE(after.AutoStartWithOS);
            EXPECT_FALSE(FileThere(shortcut_));
            continue;
        }
        EXPECT_TRUE(boxes.asked.empty());
        EXPECT_EQ(after.CheckUpdatesInterval, row.storedInterval);
        EXPECT_EQ(after.ProxyPort, row.storedPort);
        const auto stored = QuerySettingsWithReg();
        EXPECT_EQ(Reg(stored, "Value_CheckUpdatesInterval"), RegDword(row.storedInterval));
        EXPECT_EQ(Reg(stored, "Value_ProxyPort"), RegDword(row.storedPort));
        EXPECT_EQ(Reg(stored, "Value_UseProxy"), RegDword(row.useProxy));
        EXPECT_EQ(Reg(stored, "Value_ProxyAddress"), std::string("proxy.") + row.name)
            << "the address is stored also while its edit is disabled";
    }

    // The user types no letter and no sixth digit.
    page.edProxyPort.SetText("");
    for (char c : std::string("8x08a01"))
        SendMessageA(page.edProxyPort.Handle(), WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(page.edProxyPort.Text(), "80801");
    page.edPollInterval.SetText("");
    for (char c : std::string("1-23"))
        SendMessageA(page.edPollInterval.Handle(), WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(page.edPollInterval.Text(), "12");
}

TEST_F(SettingsPageTest, EachCheckBoxEnablesItsEditsWhiteOrGreysThem)
{
    TSettings stored = Stored();
    stored.UseProxy = false;
    stored.AutomaticallyCheckUpdates = false;
    TframeSettings& page = OpenPage(stored);

    struct TEditAndLabel {
        const char* name;
        TFlatEdit& edit;
        TLabel& label;
        bool byProxy;  // else by the update box
    };
    const TEditAndLabel dependents[] = {{"proxy address", page.edProxyAddress, page.lblProxyAddress, true},
                                        {"proxy port", page.edProxyPort, page.lblProxyPort, true},
                                        {"poll interval", page.edPollInterval, page.lblPollInterval, false}};
    const struct {
        const char* step;
        TBitCheckBox* clicked;  // null: as filled from the stored settings
        bool proxy, updates;
    } steps[] = {
        {"filled from settings with both off", nullptr, false, false},
        {"proxy box checked", &page.cbUseProxy, true, false},
        {"update box checked", &page.cbEnableAutoUpdates, true, true},
        {"proxy box unchecked", &page.cbUseProxy, false, true},
        {"update box unchecked", &page.cbEnableAutoUpdates, false, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        if (step.clicked)
            Click(*step.clicked);
        ASSERT_EQ(page.cbUseProxy.Checked(), step.proxy);
        ASSERT_EQ(page.cbEnableAutoUpdates.Checked(), step.updates);
        for (const auto& dependent : dependents) {
            SCOPED_TRACE(dependent.name);
            const bool enabled = dependent.byProxy ? step.proxy : step.updates;
            EXPECT_EQ(dependent.edit.Enabled(), enabled);
            EXPECT_EQ(IsWindowEnabled(dependent.edit.Handle()) != FALSE, enabled);
            EXPECT_EQ(dependent.label.Enabled(), enabled);
            const TColor colour = enabled ? TframeSettings::kEnabledEdit : TframeSettings::kDisabledEdit;
            EXPECT_EQ(dependent.edit.Color(), colour);
            EXPECT_EQ(PaintedColour(dependent.edit), static_cast<COLORREF>(colour)) << "as painted";
        }
    }
}

TEST_F(SettingsPageTest, SaveStoresEveryBoxKeepsTheShortcutAndSwitchesTheHints)
{
    TframeSettings& page = OpenPage();
    TfmMain& main = *form;
    TBitCheckBox* const boxes[] = {&page.cbAutoStartFreeze, &page.cbMinimizeToTray, &page.cbAutoStartWithOS,
                                   &page.cbAskConfirmation, &page.cbShowHints, &page.cbUseProxy,
                                   &page.cbEnableAutoUpdates};
    const char* const names[] = {"Value_AutoActivateFreezeWhenStart", "Value_MinimizeToTrayWhenStart",
                                 "Value_AutoStartWithOS", "Value_AskConfirmation", "Value_ShowHints",
                                 "Value_UseProxy", "Value_AutomaticallyCheckUpdates"};
    const std::vector<TControl*> hinted = {
        &main.btnFreezeList, &main.btnViewLog, &main.btnSettings, &main.btnBeginMonitoring,
        &main.btnCancelMonitoring, &main.btnHelp, &main.btnScan,
        &main.frameFreezeList->btnNewFreeze, &main.frameFreezeList->btnDeleteFreeze,
        &main.frameFreezeList->btnEditGuard, &main.frameFreezeList->sgFreezes, &main.FrameLog()->btnClearLog,
        &page.cbAutoStartFreeze, &page.cbMinimizeToTray, &page.cbAutoStartWithOS, &page.cbAskConfirmation,
        &page.cbShowHints, &page.cbUseProxy, &page.edProxyAddress, &page.edProxyPort,
        &page.cbEnableAutoUpdates, &page.edPollInterval, &page.btnSaveSettings};
    for (TControl* control : hinted)
        EXPECT_TRUE(control->ShowHint()) << control->Name() << ": hints are on at the start";

    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "every box checked" : "every box unchecked");
        for (TBitCheckBox* box : boxes)
            if (box->Checked() != on)
                Click(*box);
        Click(page.btnSaveSettings);

        const auto stored = QuerySettingsWithReg();
        for (const char* name : names)
            EXPECT_EQ(Reg(stored, name), RegDword(on)) << name;
        EXPECT_EQ(FileThere(shortcut_), on) << "the Startup shortcut follows \"Automatically start with OS\"";
        for (TControl* control : hinted)
            EXPECT_EQ(control->ShowHint(), on) << control->Name();
    }
}

TEST_F(SettingsPageTest, TheToolbarAndTheTrayMenuShowThePage)
{
    TSettings stored = Stored();
    stored.UseProxy = true;
    stored.ProxyAddress = "proxy.example.org";
    stored.ProxyPort = 3128;
    stored.AutomaticallyCheckUpdates = false;
    stored.CheckUpdatesInterval = 7;
    TframeSettings& page = OpenPage(stored);  // through the toolbar
    TfmMain& main = *form;
    EXPECT_EQ(page.edProxyAddress.Text(), "proxy.example.org");
    EXPECT_EQ(page.edProxyPort.Text(), "3128");
    EXPECT_EQ(page.edPollInterval.Text(), "7");
    test_support::Pump();
    const RECT whole{0, 0, main.Width(), main.Height()};
    test_support::KeepArtefact(test_support::ScreenShot(main.Handle(), whole), "settings-page.bmp");

    main.ShowPage(main.frameLog);
    ASSERT_FALSE(page.Visible());
    TMenuItem* settingsItem = nullptr;
    for (int i = 0; i < main.pmTrayPopup->Count(); ++i)
        if (main.pmTrayPopup->Items(i)->Name() == "miSettings")
            settingsItem = main.pmTrayPopup->Items(i);
    ASSERT_NE(settingsItem, nullptr);
    settingsItem->Click();
    EXPECT_TRUE(PumpUntil([&] { return page.Visible(); })) << "\"Program settings\" shows the page";
    EXPECT_FALSE(main.frameLog->Visible());
}

}  // namespace
