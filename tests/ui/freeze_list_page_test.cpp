// The security list page in the real main window: guards added, edited,
// switched, marked and deleted through the page, with the grid, freeze.list
// and the snapshot files checked against each other after each step and the
// monitor's restarts counted from the events log; the real monitor behind a
// guard added through the dialog; the file protections switched from their
// tab; screenshots of both tabs.
#include "ui/frame_freeze_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "classlib/file_system.h"
#include "guard/file_protector.h"
#include "guard/postponed_log.h"
#include "guard/registry_utils.h"
#include "support/fake_editor.h"
#include "support/main_form_fixture.h"
#include "support/program_pictures.h"
#include "support/protection_records.h"
#include "support/window_driving.h"
#include "ui/add_guard_form.h"
#include "ui/message_box_form.h"

namespace {

using test_support::kGuardedKey;
using test_support::PumpUntil;

const String kOtherKey = String(kGuardedKey) + "\\Other";

// What the user types into the dialog.
struct TDialogInput {
    explicit TDialogInput(const String& displayName) : name(displayName) {}
    TDialogInput& Key(const String& path) { key = path; return *this; }
    TDialogInput& Value(const String& valueName) { value = valueName; return *this; }
    TDialogInput& Comment(const String& text) { comment = text; return *this; }
    TDialogInput& Ask() { ask = true; return *this; }

    String root = "HKEY_CURRENT_USER";
    String key = kGuardedKey;
    String value;  // "" for a whole-key guard
    String name;
    String comment;
    bool ask = false;
};

void Fill(TfmAddFreeze& dialog, const TDialogInput& input)
{
    dialog.SelectRootKey(input.root);
    dialog.edKeyToMonitor.SetText(input.key);
    TBitCheckBox& kind = input.value.empty() ? dialog.rbAllValuesAndSubKeys : dialog.rbOnlyValueWithName;
    kind.SetChecked(true);
    dialog.ToggleState(kind);
    dialog.edValueToMonitor.SetText(input.value);
    TBitCheckBox& reaction = input.ask ? dialog.rbAskMe : dialog.rbRevokeModifications;
    reaction.SetChecked(true);
    dialog.ToggleState2(reaction);
    dialog.edDisplayName.SetText(input.name);
    dialog.edComment.SetText(input.comment);
}

// Answers every message box with `answer` while it lives, and keeps what was asked.
class TBoxAnswers {
public:
    explicit TBoxAnswers(int answer)
    {
        SetMessageBoxAnswerer([this, answer](const TMessageBoxRequest& request) {
            asked.push_back(request.Text);
            return answer;
        });
    }
    ~TBoxAnswers() { SetMessageBoxAnswerer(nullptr); }
    std::vector<String> asked;
};

class FreezeListPageTest : public test_support::MainFormFixture {
protected:
    FreezeListPageTest()
    {
        test_support::CreateKey(kOtherKey.c_str());
        test_support::SetValue(kOtherKey.c_str(), "OtherValue", test_support::Sz("other"));
    }

    // The window on screen with the page shown by its toolbar button.
    TframeFreezeList& OpenPage()
    {
        StoreSettings(true, false);
        TfmMain& main = Open();
        SetForegroundWindow(main.Handle());
        test_support::Pump();
        test_support::ClickAt(main.Handle(), 159 + 36, 25 + 28);  // btnFreezeList
        EXPECT_TRUE(PumpUntil([&] { return main.frameFreezeList->Visible(); })) << "the toolbar button shows the page";
        return *main.frameFreezeList;
    }

    // New or Edit with the dialog filled in as a user would, ended with OK.
    void RunDialogWith(TframeFreezeList& page, const TDialogInput& input)
    {
        page.RunDialog = [input](TfmAddFreeze& dialog) {
            Fill(dialog, input);
            dialog.btnOkClick();
            return dialog.ModalResult();
        };
    }

    void ClickStatus(TframeFreezeList& page, TStringGrid& grid, int row)
    {
        const RECT picture = page.StatusPictureRect(grid, row);
        test_support::ClickAt(grid.Handle(), (picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2);
        test_support::Pump();
    }

    int MonitorStarts() const
    {
        const auto lines = LogLines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const auto& line) {
            return line.second == "Guard is made active.";
        }));
    }

    // The grid's rows, the list read back from freeze.list and the snapshot
    // files all tell of the same guards.
    void ExpectAllAgree(TframeFreezeList& page, const char* step)
    {
        SCOPED_TRACE(step);
        const TFreezeList& guards = *form->GuardList();
        TFreezeList saved;
        ASSERT_EQ(LoadFreezeListKeepingDamage(saved, FreezeListFile()), TFreezeListLoad::Loaded);
        ASSERT_EQ(saved.Count(), guards.Count());
        if (guards.Count() == 0) {
            EXPECT_EQ(page.sgFreezes.RowCount(), 1);
            EXPECT_EQ(page.GuardOfRow(0), nullptr) << "one blank row";
        } else {
            EXPECT_EQ(page.sgFreezes.RowCount(), guards.Count());
        }
        std::set<std::string> expectedSnapshots;
        for (int i = 0; i < guards.Count(); ++i) {
            EXPECT_EQ(page.GuardOfRow(i), guards.GetItem(i)) << "row " << i;
            EXPECT_EQ(*saved.GetItem(i), *guards.GetItem(i)) << "guard " << i;
            expectedSnapshots.insert(UpperCase(GetSnapshotFileName(guards.GetItem(i), form->DataFolder())));
        }
        std::set<std::string> snapshots;
        const std::filesystem::path folder = std::string(form->DataFolder() + "snapshoots");
        if (std::filesystem::exists(folder))
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                snapshots.insert(UpperCase(form->DataFolder() + "snapshoots\\" + entry.path().filename().string()));
        EXPECT_EQ(snapshots, expectedSnapshots);
    }
};

bool ValueExists(const String& key, const char* name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueExA(opened, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return found;
}

}  // namespace

TEST_F(FreezeListPageTest, GuardsAreAddedEditedSwitchedMarkedAndDeleted)
{
    TframeFreezeList& page = OpenPage();
    TfmMain& main = *form;
    EXPECT_FALSE(page.btnEditGuard.Enabled()) << "no guard selected";
    EXPECT_FALSE(page.btnDeleteFreeze.Enabled());

    RunDialogWith(page, TDialogInput("Whole key").Comment("first"));
    page.btnNewFreezeClick();
    EXPECT_FALSE(main.IsMonitoring()) << "the first guard doesn't switch protection on";
    main.btnBeginMonitoringClick();
    RunDialogWith(page, TDialogInput("One value").Value("Value").Ask());
    page.btnNewFreezeClick();
    ASSERT_EQ(main.GuardList()->Count(), 2);
    ExpectAllAgree(page, "added");
    const TSingleFreeze& second = *main.GuardList()->GetItem(1);
    EXPECT_EQ(second.Kind, gkValue);
    EXPECT_EQ(second.Reaction, grAsk);
    EXPECT_EQ(second.ValueName, "Value");
    EXPECT_EQ(second.State, gsActive);
    EXPECT_EQ(main.lblCountFreezes.Caption(), "Guarded items: 2");
    ASSERT_TRUE(main.MonitorRunning());

    // Edited to another key: the snapshot is the new key's.
    page.sgFreezes.SetRow(0);
    EXPECT_TRUE(page.btnEditGuard.Enabled());
    int starts = MonitorStarts();
    RunDialogWith(page, TDialogInput("Other key").Key(kOtherKey).Comment("moved"));
    page.btnEditGuardClick();
    TSingleFreeze* first = main.GuardList()->GetItem(0);
    EXPECT_EQ(first->KeyPath, kOtherKey);
    EXPECT_EQ(first->DisplayName, "Other key");
    EXPECT_EQ(MonitorStarts(), starts + 1) << "an edit restarts the monitor";
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *first, main.DataFolder()));
    EXPECT_NE(snapshot.FindValue("OtherValue"), nullptr) << "the snapshot is of the new key";
    ExpectAllAgree(page, "edited");

    // The status picture, both ways: off is a state change, on restarts.
    starts = MonitorStarts();
    ClickStatus(page, page.sgFreezes, 0);
    EXPECT_EQ(first->State, gsNotActive);
    EXPECT_EQ(MonitorStarts(), starts) << "switched off: the monitor asks before it acts";
    ExpectAllAgree(page, "switched off");
    ClickStatus(page, page.sgFreezes, 0);
    EXPECT_EQ(first->State, gsActive);
    EXPECT_EQ(MonitorStarts(), starts + 1) << "switched on: only a new monitor holds it";
    ExpectAllAgree(page, "switched on");

    // Mark all makes every guard active and restarts once.
    ClickStatus(page, page.sgFreezes, 0);
    ClickStatus(page, page.sgFreezes, 1);
    starts = MonitorStarts();
    page.btnMarkAllClick();
    EXPECT_EQ(first->State, gsActive);
    EXPECT_EQ(main.GuardList()->GetItem(1)->State, gsActive);
    EXPECT_EQ(MonitorStarts(), starts + 1);
    ExpectAllAgree(page, "marked");

    // Delete asks; No keeps the guard, Yes removes it and its row.
    page.sgFreezes.SetRow(1);
    {
        TBoxAnswers no(IDNO);
        page.btnDeleteFreezeClick();
        ASSERT_EQ(no.asked.size(), 1u);
        EXPECT_EQ(no.asked[0], "You really want to remove the 'One value' guard?");
    }
    EXPECT_EQ(main.GuardList()->Count(), 2);
    ExpectAllAgree(page, "kept");
    {
        TBoxAnswers yes(IDYES);
        page.btnDeleteFreezeClick();
    }
    EXPECT_EQ(main.GuardList()->Count(), 1);
    ExpectAllAgree(page, "deleted");
    EXPECT_TRUE(main.MonitorRunning());
    page.sgFreezes.SetRow(0);
    {
        TBoxAnswers yes(IDYES);
        page.btnDeleteFreezeClick();
    }
    ExpectAllAgree(page, "the last deleted");
    EXPECT_FALSE(main.IsMonitoring()) << "protection is off without guards";
    EXPECT_FALSE(page.btnEditGuard.Enabled());
    EXPECT_FALSE(page.btnDeleteFreeze.Enabled());
}

TEST_F(FreezeListPageTest, ARevokeGuardFromTheDialogRollsBackAndFollowsItsEdit)
{
    TframeFreezeList& page = OpenPage();
    TfmMain& main = *form;
    RunDialogWith(page, TDialogInput("Revoked"));
    page.btnNewFreezeClick();
    main.btnBeginMonitoringClick();
    ASSERT_TRUE(PumpUntil([&] { return main.btnCancelMonitoring.Enabled(); })) << "WM_MONITORING_STARTED";

    const auto logged = [&](const String& line) {
        return [this, line] {
            for (const auto& [level, text] : LogLines())
                if (level == llSuccess && text == line)
                    return true;
            return false;
        };
    };
    const String key = String(kGuardedKey);
    test_support::RunAndCapture("reg.exe add \"HKCU\\" + key + "\" /v Planted /d spy /f");
    EXPECT_TRUE(PumpUntil(logged("The 'Planted' value in 'HKCU\\" + key + "' key removed.")));
    EXPECT_FALSE(ValueExists(key, "Planted")) << "rolled back";

    // Moved to another key: the old one is left alone, the new one guarded.
    page.sgFreezes.SetRow(0);
    RunDialogWith(page, TDialogInput("Revoked").Key(kOtherKey));
    page.btnEditGuardClick();
    ASSERT_TRUE(PumpUntil([&] { return main.btnCancelMonitoring.Enabled(); }));
    test_support::RunAndCapture("reg.exe add \"HKCU\\" + key + "\" /v Stays /d yes /f");
    test_support::RunAndCapture("reg.exe add \"HKCU\\" + kOtherKey + "\" /v Planted /d spy /f");
    EXPECT_TRUE(PumpUntil(logged("The 'Planted' value in 'HKCU\\" + kOtherKey + "' key removed.")));
    EXPECT_FALSE(ValueExists(kOtherKey, "Planted"));
    EXPECT_TRUE(ValueExists(key, "Stays")) << "the old key is no longer guarded";
}

TEST_F(FreezeListPageTest, AFileProtectionIsSwitchedFromItsTabAndSavedSo)
{
    TframeFreezeList& page = OpenPage();
    TfmMain& main = *form;
    ASSERT_NE(main.ProtectionList(), nullptr);
    ASSERT_GE(page.sgList.RowCount(), 1);
    const TTabRect tab = page.tsTabs.Model().ItemRect(1);
    test_support::ClickAt(page.tsTabs.Handle(), (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    test_support::Pump();
    ASSERT_EQ(page.tsTabs.TabIndex(), 1);

    TFileProtection* protection = page.ProtectionOfRow(0);
    ASSERT_NE(protection, nullptr);
    ASSERT_TRUE(protection->Enabled());
    ASSERT_TRUE(protection->Running());
    ClickStatus(page, page.sgList, 0);
    EXPECT_FALSE(protection->Enabled());
    EXPECT_FALSE(protection->Running()) << "its watcher stopped";
    ClickStatus(page, page.sgList, 0);
    EXPECT_TRUE(protection->Enabled());
    EXPECT_TRUE(protection->Running()) << "its watcher started again";
    ClickStatus(page, page.sgList, 0);
    const std::int32_t protectionId = protection->Id;

    form.reset();
    test_support::ProtectionRecords saved;
    ReadComponentResFile(programFolder.File("data\\protection.list"), saved);
    const auto record = std::find_if(saved.records.begin(), saved.records.end(),
                                     [protectionId](const TProtectionRecord& r) { return r.Id == protectionId; });
    ASSERT_NE(record, saved.records.end());
    EXPECT_FALSE(record->Enabled) << "switched off when the program ended";
}

TEST_F(FreezeListPageTest, ScreenshotsOfBothTabs)
{
    TFreezeList stored;
    StoreGuards(stored, {gsActive, gsNotActive, gsDisabled, gsActive});
    TframeFreezeList& page = OpenPage();
    TfmMain& main = *form;
    EXPECT_EQ(page.sgFreezes.RowCount(), 4);
    page.sgFreezes.SetRow(1);
    test_support::Pump();
    const RECT whole{0, 0, main.Width(), main.Height()};
    test_support::KeepArtefact(test_support::ScreenShot(main.Handle(), whole), "security-list-registry.bmp");

    // A disabled guard shows no picture and its click changes nothing.
    ClickStatus(page, page.sgFreezes, 2);
    EXPECT_EQ(main.GuardList()->GetItem(2)->State, gsDisabled);

    page.tsTabsChange(1);
    page.tsTabs.SetTabIndex(1);
    test_support::Pump();
    test_support::KeepArtefact(test_support::ScreenShot(main.Handle(), whole), "security-list-files.bmp");
}

TEST_F(FreezeListPageTest, TheContextMenuFollowsTheRowUnderTheMouseAndOpensTheEditor)
{
    TFreezeList stored;
    StoreGuards(stored, {gsActive, gsActive});
    TframeFreezeList& page = OpenPage();
    TSingleFreeze& second = *form->GuardList()->GetItem(1);
    second.ValueName = "Value";
    second.Comment = "Planted by the installer";
    page.sgFreezes.SetRow(0);

    // The comment is the hint of the row under the mouse.
    const auto moveTo = [&](int row) {
        const RECT cell = page.sgFreezes.CellRect(0, row);
        SendMessageA(page.sgFreezes.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 40, (cell.top + cell.bottom) / 2));
    };
    moveTo(1);
    EXPECT_EQ(page.sgFreezes.Hint(), "Planted by the installer");
    moveTo(0);
    EXPECT_EQ(page.sgFreezes.Hint(), "") << "the first guard has no comment";

    // A right click on the second row selects it, and every item that needs
    // a guard is usable.
    const auto popUpAt = [&](int row) {
        const RECT cell = page.sgFreezes.CellRect(0, row);
        const test_support::TMenuWatchdog closer(page.pmGuardsPopup.WindowHandle(), 1500);
        test_support::ClickAt(page.sgFreezes.Handle(), cell.left + 40, (cell.top + cell.bottom) / 2, true);
        EXPECT_TRUE(PumpUntil([&] { return closer.Fired() && !page.pmGuardsPopup.Showing(); }, 10000))
            << "the menu never showed";
    };
    popUpAt(1);
    EXPECT_EQ(page.sgFreezes.Row(), 1);
    for (TMenuItem* item : {&page.miNewGuard, &page.miEditGuard, &page.miDeleteGuard, &page.miOpenRegedit})
        EXPECT_TRUE(item->Enabled()) << item->Caption();

    // "Open in Regedit" types the guard's root, key and value into the editor.
    {
        const test_support::FakeEditor editor("windows");
        ASSERT_TRUE(editor.Shown());
        editor.ClearLog();
        page.miOpenRegedit.Click();
        const String upper = UpperCase(String(kGuardedKey));
        String tree = "^HKEY_CU>";
        for (char c : upper)
            tree += c == '\\' ? '>' : c;
        std::vector<std::string> expected = test_support::Typed("tree", tree);
        const auto list = test_support::Typed("list", "^VALUE");
        expected.insert(expected.end(), list.begin(), list.end());
        EXPECT_EQ(editor.Lines(), expected);
    }
    SetForegroundWindow(form->Handle());  // the editor was brought over it
    test_support::Pump();

    // Without guards the menu offers only "New Guard".
    {
        TBoxAnswers yes(IDYES);
        page.btnDeleteFreezeClick();
        page.sgFreezes.SetRow(0);
        page.btnDeleteFreezeClick();
    }
    ASSERT_EQ(form->GuardList()->Count(), 0);
    popUpAt(0);
    EXPECT_TRUE(page.miNewGuard.Enabled());
    for (TMenuItem* item : {&page.miEditGuard, &page.miDeleteGuard, &page.miOpenRegedit})
        EXPECT_FALSE(item->Enabled()) << item->Caption();
}
