// The add-guard dialog in real windows under Xvfb: its checks against the
// real registry with every box answered from a script (Wine's reg.exe reads
// back what was created), the check-box pairs clicked with the mouse, the
// keys and buttons that end it, its list of root keys, its translation, and
// a picture kept for review in test-artefacts/.
#include "ui/add_guard_form.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "classlib/application.h"
#include "support/program_pictures.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"
#include "support/window_driving.h"
#include "ui/message_box_form.h"

namespace {

using test_support::ClickAt;

const char* const kCaption = "Add/Edit Guard";
const String kNoKey = "Please specify a key for protection!";
const String kRefused = "Unable to protect this key!";
const String kConfirmation = "Confirmation";
const String kMissingKey = "The key specified by you does not exist!\r\nCreate a key with such name now?";
const String kNoValueName = "Please specify value name for protection!";
const String kMissingValue = "Value with the specified name does not exist!\r\nPlease specify other value.";
const String kNoName = "Please specify a name of protection.";
const String kNotCreated = "Unable to create the key specified by you!\r\nPlease specify other key.";

void Settle()
{
    for (int i = 0; i < 10; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
    GdiFlush();
}

// Stands in for the user at every box: the creation question gets `answer`,
// the others OK. What was asked is kept, in order.
class ScriptedBoxes {
public:
    explicit ScriptedBoxes(int answer = IDNO)
        : before_(SetMessageBoxAnswerer([this, answer](const TMessageBoxRequest& request) {
              asked.push_back(request);
              return (request.Flags & MB_TYPEMASK) == MB_YESNOCANCEL ? answer : IDOK;
          }))
    {
    }
    ~ScriptedBoxes() { SetMessageBoxAnswerer(before_); }
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    std::vector<String> Texts() const
    {
        std::vector<String> texts;
        for (const TMessageBoxRequest& request : asked)
            texts.push_back(request.Text);
        return texts;
    }

    std::vector<TMessageBoxRequest> asked;

private:
    TMessageBoxAnswerer before_;
};

// Whether Wine's reg.exe finds the key ("HKCU\...").
bool RegFinds(const std::string& key)
{
    DWORD code = 99;
    test_support::RunAndCapture("reg query \"" + key + "\"", &code);
    EXPECT_TRUE(code == 0 || code == 1) << key << ": reg.exe answered " << code;
    return code == 0;
}

// A key of HKCU that anyone may test for and read values of, but not open
// for reading as a whole (KEY_READ also asks to list its subkeys).
void LockKey(const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPLICIT_ACCESSA access{};
    access.grfAccessPermissions = KEY_QUERY_VALUE | WRITE_DAC | DELETE;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPSTR>(everyone);
    PACL acl = nullptr;
    EXPECT_EQ(SetEntriesInAclA(1, &access, nullptr, &acl), ERROR_SUCCESS);
    EXPECT_EQ(SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr),
              ERROR_SUCCESS);
    LocalFree(acl);
    FreeSid(everyone);
    RegCloseKey(key);
}

// Opens a locked key to everyone again, so that it can be removed.
void UnlockKey(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                    nullptr, nullptr, nullptr);
    RegCloseKey(key);
}

// The base key of a test, with a key locked inside it unlocked before the
// tree is removed (at the start too: a failed run may have left it).
class LockedTestKey {
public:
    LockedTestKey() : unlockFirst_(BasePath() + "\\Locked") {}
    const std::string& Path() const { return key_.Path(); }
    std::string Sub(const std::string& relative) const { return key_.Sub(relative); }
    ~LockedTestKey() { UnlockKey(Sub("Locked")); }

private:
    static std::string BasePath()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string("Software\\TalmorisTests\\") + info->test_suite_name() + "." + info->name();
    }
    struct Unlocked {
        explicit Unlocked(const std::string& path) { UnlockKey(path); }
    } unlockFirst_;
    test_support::TestKey key_;
};

// Runs `act` on another thread once the dialog shows, while this thread
// sits in its modal loop; a dialog the action left open is closed.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> act)
        : thread_([act = std::move(act)] {
              if (HWND dialog = test_support::WaitForWindow(nullptr, kCaption)) {
                  Sleep(200);
                  act(dialog);
                  for (int i = 0; i < 250 && IsWindowVisible(dialog); ++i)
                      Sleep(20);
                  if (IsWindowVisible(dialog))
                      PostMessageA(dialog, WM_CLOSE, 0, 0);
              } else {
                  ADD_FAILURE() << "the dialog never showed";
              }
          })
    {
    }
    ~DialogDriver() { thread_.join(); }

private:
    std::thread thread_;
};

void ShowWithoutActivating(TForm& form)
{
    // Wine is slow to give the activation back: shown as a picture is.
    form.SetVisible(true);
    ShowWindow(form.Handle(), SW_SHOWNA);
    UpdateWindow(form.Handle());
    Settle();
}

class AddGuardDialog : public ::testing::Test {
protected:
    // The messages come from the shared lookup: its English texts here.
    void SetUp() override { RegisterTextTranslator(nullptr); }
};

}  // namespace

TEST_F(AddGuardDialog, ChecksAgainstTheRegistryInTheirOrder)
{
    const LockedTestKey base;
    test_support::SetValue(base.Sub("Existing"), "Present", test_support::Sz("1"));
    test_support::CreateKey(base.Sub("Padded"));
    HKEY volatileKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base.Sub("Volatile").c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatileKey);
    LockKey(base.Sub("Locked"));
    {
        // The locked key is there for a test of existence, but doesn't open to be read.
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base.Sub("Locked").c_str(), 0, KEY_QUERY_VALUE, &key),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, base.Sub("Locked").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    }
    const std::string hkcu = "HKCU\\" + base.Path() + "\\";

    const struct {
        const char* name;
        const char* root;
        std::string key;
        const char* value;  // null: a guard of the whole key
        const char* displayName;
        int answer;  // to the creation question
        std::vector<String> boxes;
        int result;
        std::string readBack;  // a key reg.exe looks for afterwards ("" none)
        bool found;
    } rows[] = {
        {"no key", "HKEY_CURRENT_USER", "", nullptr, "Guard", IDYES, {kNoKey}, 0, "", false},
        {"blanks only", "HKEY_CURRENT_USER", " \t  ", nullptr, "Guard", IDYES, {kNoKey}, 0, "", false},
        // The program's own settings live there: that key is never guarded.
        {"the maker's key", "HKEY_CURRENT_USER", "Software\\QUENDARIL", nullptr, "Guard", IDYES, {kRefused}, 0, "",
         false},
        {"the maker's key in any case", "HKEY_CURRENT_USER", base.Sub("qUenDaril\\Settings"), nullptr, "Guard", IDYES,
         {kRefused}, 0, hkcu + "qUenDaril", false},
        {"an existing key", "HKEY_CURRENT_USER", base.Sub("Existing"), nullptr, "Guard", IDYES, {}, 1, "", false},
        {"a missing key created", "HKEY_CURRENT_USER", base.Sub("Created\\Below"), nullptr, "Guard", IDYES,
         {kMissingKey}, 1, hkcu + "Created\\Below", true},
        {"a missing key not created (No)", "HKEY_CURRENT_USER", base.Sub("RefusedNo"), nullptr, "Guard", IDNO,
         {kMissingKey}, 0, hkcu + "RefusedNo", false},
        {"a missing key not created (Cancel)", "HKEY_CURRENT_USER", base.Sub("RefusedCancel"), nullptr, "Guard",
         IDCANCEL, {kMissingKey}, 0, hkcu + "RefusedCancel", false},
        // No lasting key may be made below a volatile one.
        {"a key that can't be created", "HKEY_CURRENT_USER", base.Sub("Volatile\\Child"), nullptr, "Guard", IDYES,
         {kMissingKey, kNotCreated}, 0, hkcu + "Volatile\\Child", false},
        {"the chosen root is asked", "HKEY_LOCAL_MACHINE", base.Sub("Existing"), nullptr, "Guard", IDNO,
         {kMissingKey}, 0, "HKLM\\" + base.Sub("Existing"), false},
        {"a value guard without a name", "HKEY_CURRENT_USER", base.Sub("Existing"), "   ", "Guard", IDYES,
         {kNoValueName}, 0, "", false},
        {"a value guard of a missing value", "HKEY_CURRENT_USER", base.Sub("Existing"), "Absent", "Guard", IDYES,
         {kMissingValue}, 0, "", false},
        {"the value name as typed", "HKEY_CURRENT_USER", base.Sub("Existing"), "Present ", "Guard", IDYES,
         {kMissingValue}, 0, "", false},
        {"a value guard of a present value", "HKEY_CURRENT_USER", base.Sub("Existing"), "Present", "Guard", IDYES, {},
         1, "", false},
        {"a value guard of a key just created", "HKEY_CURRENT_USER", base.Sub("ForValue"), "Absent", "Guard", IDYES,
         {kMissingKey, kMissingValue}, 0, hkcu + "ForValue", true},
        {"a value guard of a key that can't be read", "HKEY_CURRENT_USER", base.Sub("Locked"), "Absent", "Guard",
         IDYES, {}, 1, "", false},
        {"no display name", "HKEY_CURRENT_USER", base.Sub("Existing"), nullptr, "  ", IDYES, {kNoName}, 0, "", false},
        // Not trimmed: with blanks in front the path names another key.
        {"surrounding blanks", "HKEY_CURRENT_USER", "  " + base.Sub("Padded  "), nullptr, "Guard", IDNO,
         {kMissingKey}, 0, "HKCU\\  Software", false},
        {"a trailing blank", "HKEY_CURRENT_USER", base.Sub("Trailing "), nullptr, "Guard", IDYES, {kMissingKey}, 1,
         hkcu + "Trailing ", true},
    };
    for (const auto& row : rows) {
        TfmAddFreeze dialog(nullptr, nullptr);
        dialog.SelectRootKey(row.root);
        ASSERT_EQ(dialog.RootKeyName(), row.root) << row.name;
        dialog.edKeyToMonitor.SetText(row.key);
        if (row.value) {
            dialog.rbOnlyValueWithName.Click();
            dialog.edValueToMonitor.SetText(row.value);
        }
        dialog.edDisplayName.SetText(row.displayName);
        const ScriptedBoxes boxes(row.answer);
        dialog.btnOkClick();

        EXPECT_EQ(boxes.Texts(), row.boxes) << row.name;
        for (const TMessageBoxRequest& asked : boxes.asked) {
            const bool question = asked.Text == kMissingKey;
            EXPECT_EQ(asked.Caption, question ? kConfirmation : String()) << row.name;
            EXPECT_EQ(asked.Flags, static_cast<unsigned>(question ? MB_YESNOCANCEL | MB_ICONQUESTION
                                                                  : MB_OK | MB_ICONINFORMATION))
                << row.name;
        }
        EXPECT_EQ(dialog.ModalResult(), row.result) << row.name;
        // What the page reads back is left as typed.
        EXPECT_EQ(dialog.edKeyToMonitor.Text(), row.key) << row.name;
        if (!row.readBack.empty()) {
            EXPECT_EQ(RegFinds(row.readBack), row.found) << row.name << ": " << row.readBack;
        }
    }
    EXPECT_FALSE(RegFinds(hkcu + "Trailing")) << "the blank is part of the name";
    EXPECT_TRUE(RegFinds(hkcu + "Padded"));
}

TEST_F(AddGuardDialog, EachPairKeepsOneBoxCheckedAndTheKindSwitchesTheValueEdit)
{
    SetCursorPos(1023, 767);
    TfmAddFreeze dialog(nullptr, nullptr);
    ShowWithoutActivating(dialog);
    const HWND window = dialog.Handle();
    const auto click = [&](TBitCheckBox& box) {
        ClickAt(window, box.Left() + 7, box.Top() + box.Height() / 2);
        Settle();
    };
    // What the value edit shows inside its frame.
    const auto valueBackground = [&] {
        TFlatEdit& edit = dialog.edValueToMonitor;
        return test_support::ScreenShot(edit.Handle(), RECT{0, 0, edit.Width(), edit.Height()})
            .Pixel(edit.Width() - 5, edit.Height() / 2);
    };
    TBitCheckBox* const none = nullptr;
    const struct {
        const char* step;
        TBitCheckBox* clicked;
        bool all, one, forbid, ask;
    } steps[] = {
        {"as made", none, true, false, true, false},
        {"the checked whole key again", &dialog.rbAllValuesAndSubKeys, true, false, true, false},
        {"one value", &dialog.rbOnlyValueWithName, false, true, true, false},
        {"one value again", &dialog.rbOnlyValueWithName, false, true, true, false},
        {"the whole key", &dialog.rbAllValuesAndSubKeys, true, false, true, false},
        {"forbid again", &dialog.rbRevokeModifications, true, false, true, false},
        {"ask", &dialog.rbAskMe, true, false, false, true},
        {"ask again", &dialog.rbAskMe, true, false, false, true},
        {"forbid", &dialog.rbRevokeModifications, true, false, true, false},
        {"one value, then ask", &dialog.rbOnlyValueWithName, false, true, true, false},
        {"ask with one value", &dialog.rbAskMe, false, true, false, true},
    };
    for (const auto& s : steps) {
        if (s.clicked)
            click(*s.clicked);
        EXPECT_EQ(dialog.rbAllValuesAndSubKeys.Checked(), s.all) << s.step;
        EXPECT_EQ(dialog.rbOnlyValueWithName.Checked(), s.one) << s.step;
        EXPECT_EQ(dialog.rbRevokeModifications.Checked(), s.forbid) << s.step;
        EXPECT_EQ(dialog.rbAskMe.Checked(), s.ask) << s.step;
        EXPECT_EQ(dialog.edValueToMonitor.Enabled(), s.one) << s.step;
        EXPECT_EQ(IsWindowEnabled(dialog.edValueToMonitor.Handle()) != FALSE, s.one) << s.step;
        EXPECT_EQ(valueBackground(), s.one ? RGB(255, 255, 255) : RGB(239, 239, 239)) << s.step;
    }
    EXPECT_FALSE(dialog.cbAutoUpdateSnapshoot.Checked());
    click(dialog.cbAutoUpdateSnapshoot);
    EXPECT_TRUE(dialog.cbAutoUpdateSnapshoot.Checked()) << "a box of its own";
    EXPECT_FALSE(dialog.rbAskMe.Checked() && dialog.rbRevokeModifications.Checked());
}

TEST_F(AddGuardDialog, EnterChecksEscCancelsAndTheButtonsEndIt)
{
    SetCursorPos(1023, 767);
    const auto key = [](HWND target, WORD code) { PostMessageA(target, WM_KEYDOWN, code, 0); };
    const auto clickButton = [](HWND dialog, const TThreeStateButton& button) {
        ClickAt(dialog, button.Left() + button.Width() / 2, button.Top() + button.Height() / 2);
    };
    const struct {
        const char* name;
        bool filled;  // an existing key and a display name: the checks pass
        std::function<void(TfmAddFreeze&, HWND dialog, HWND edit)> act;
        std::vector<String> boxes;
        int result;
    } cases[] = {
        {"Esc", true, [&](TfmAddFreeze&, HWND, HWND edit) { key(edit, VK_ESCAPE); }, {}, mrCancel},
        {"Enter that passes", true, [&](TfmAddFreeze&, HWND, HWND edit) { key(edit, VK_RETURN); }, {}, mrOk},
        {"Enter that fails, then Esc", false,
         [&](TfmAddFreeze&, HWND, HWND edit) {
             key(edit, VK_RETURN);
             Sleep(300);
             key(edit, VK_ESCAPE);
         },
         {kNoKey}, mrCancel},
        {"Enter on the form itself", true, [&](TfmAddFreeze&, HWND dialog, HWND) { key(dialog, VK_RETURN); }, {},
         mrOk},
        {"OK", true, [&](TfmAddFreeze& d, HWND dialog, HWND) { clickButton(dialog, d.btnOk); }, {}, mrOk},
        {"OK that fails, then Cancel", false,
         [&](TfmAddFreeze& d, HWND dialog, HWND) {
             clickButton(dialog, d.btnOk);
             Sleep(300);
             clickButton(dialog, d.btnCancel);
         },
         {kNoKey}, mrCancel},
        {"Cancel", true, [&](TfmAddFreeze& d, HWND dialog, HWND) { clickButton(dialog, d.btnCancel); }, {}, mrCancel},
        {"close button", true, [&](TfmAddFreeze& d, HWND dialog, HWND) { clickButton(dialog, d.btnClose); }, {},
         TfmAddFreeze::kClosed},
    };
    for (const auto& c : cases) {
        TfmAddFreeze dialog(nullptr, nullptr);
        if (c.filled) {
            dialog.edKeyToMonitor.SetText("Software");
            dialog.SelectRootKey("HKEY_CURRENT_USER");
            dialog.edDisplayName.SetText("Software");
        }
        const HWND edit = dialog.edKeyToMonitor.Handle();
        const ScriptedBoxes boxes;
        int result = -1;
        {
            const DialogDriver driver([&](HWND window) { c.act(dialog, window, edit); });
            result = dialog.ShowModal();
        }
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(boxes.Texts(), c.boxes) << c.name;
    }
}

TEST_F(AddGuardDialog, TheRootKeyListDrawsEachRowWithItsPicture)
{
    SetCursorPos(1023, 767);  // no row under the mouse
    TfmAddFreeze dialog(nullptr, nullptr);
    const struct {
        const char* asked;
        const char* chosen;
    } names[] = {
        {"HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT"}, {"hkey_users", "HKEY_USERS"},
        {"HKEY_CURRENT_CONFIG", "HKEY_CURRENT_CONFIG"}, {"HKEY_DYN_DATA", "HKEY_CLASSES_ROOT"},
        {"", "HKEY_CLASSES_ROOT"}, {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE"},
    };
    EXPECT_EQ(dialog.RootKeyName(), "HKEY_CLASSES_ROOT") << "as made";
    for (const auto& n : names) {
        dialog.SelectRootKey(n.asked);
        EXPECT_EQ(dialog.RootKeyName(), n.chosen) << n.asked;
    }
    ASSERT_EQ(dialog.cbKeys.ItemCount(), 5);

    ShowWithoutActivating(dialog);
    const HWND combo = dialog.cbKeys.Handle();
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Settle();
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    ASSERT_TRUE(IsWindowVisible(info.hwndList));
    const int rowHeight = static_cast<int>(SendMessageA(info.hwndList, LB_GETITEMHEIGHT, 0, 0));
    RECT client{};
    GetClientRect(info.hwndList, &client);
    const TBitmap shot = test_support::ScreenShot(info.hwndList, client);
    test_support::KeepArtefact(shot, "add-guard-root-keys.bmp");
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    Settle();

    const COLORREF folderEdge = RGB(170, 122, 34);  // the picture's outline
    for (int row = 0; row < 5; ++row) {
        const int top = row * rowHeight, middle = top + rowHeight / 2;
        const COLORREF expected = row == 2 ? RGB(229, 229, 229) : row % 2 ? RGB(250, 250, 250) : RGB(255, 255, 255);
        EXPECT_EQ(shot.Pixel(shot.Width() - 6, middle), expected) << "row " << row;
        int picture = 0, navy = 0, black = 0;
        for (int y = top; y < top + rowHeight; ++y)
            for (int x = 0; x < shot.Width(); ++x) {
                const COLORREF pixel = shot.Pixel(x, y);
                if (x < 18)
                    picture += pixel == folderEdge;
                else
                    navy += pixel == RGB(0, 0, 128), black += pixel == RGB(0, 0, 0);
            }
        EXPECT_GT(picture, 10) << "row " << row << ": the picture at x 2";
        if (row == 2)
            EXPECT_TRUE(navy > 10 && black == 0) << "the chosen row's text is navy";
        else
            EXPECT_TRUE(black > 10 && navy == 0) << "row " << row << ": text in the list's font colour";
    }
}

TEST_F(AddGuardDialog, LayoutLimitsCentringAndAPictureForReview)
{
    SetCursorPos(1023, 767);
    TForm owner(nullptr);
    owner.SetBounds(100, 80, 546, 436);
    TfmAddFreeze owned(&owner, nullptr);
    EXPECT_EQ(owned.Left(), 100 + (546 - 463) / 2);
    EXPECT_EQ(owned.Top(), 80 + (436 - 364) / 2);

    TfmAddFreeze dialog(nullptr, nullptr);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(dialog.Left(), work.left + (work.right - work.left - 463) / 2);
    EXPECT_EQ(dialog.Width(), 463);
    EXPECT_EQ(dialog.Height(), 364);

    // Filled as the page fills it for an edit of a value guard.
    dialog.SelectRootKey("HKEY_LOCAL_MACHINE");
    dialog.edKeyToMonitor.SetText("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    dialog.rbOnlyValueWithName.SetChecked(true);
    dialog.ToggleState(dialog.rbOnlyValueWithName);
    dialog.edValueToMonitor.SetText("Shell");
    dialog.rbAskMe.SetChecked(true);
    dialog.ToggleState2(dialog.rbAskMe);
    dialog.cbAutoUpdateSnapshoot.SetChecked(true);
    dialog.edDisplayName.SetText("Programs started with Windows");
    dialog.edComment.SetText("Hklm Run: asks before a program is added");
    ShowWithoutActivating(dialog);
    RECT client{};
    GetClientRect(dialog.Handle(), &client);
    test_support::KeepArtefact(test_support::ScreenShot(dialog.Handle(), client), "add-guard-dialog.bmp");

    // Cut along the picture's black corners, nowhere else.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(dialog.Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 462, 363));
    EXPECT_TRUE(PtInRegion(region, 231, 182));
    DeleteObject(region);

    // Nothing lies on anything else; the title and the close button sit on
    // the caption band, everything else on the body below it.
    std::vector<TControl*> controls;
    for (int i = 0; i < dialog.ControlCount(); ++i)
        if (dialog.Controls(i) != &dialog.imgPattern)
            controls.push_back(dialog.Controls(i));
    EXPECT_EQ(controls.size(), 22u);
    for (size_t i = 0; i < controls.size(); ++i) {
        const TControl& a = *controls[i];
        const RECT ra{a.Left(), a.Top(), a.Left() + a.Width(), a.Top() + a.Height()};
        const bool onBand = &a == &dialog.Label6 || &a == &dialog.btnClose;
        EXPECT_TRUE(onBand ? ra.bottom <= 26 && ra.top > 0 : ra.top >= 32 && ra.bottom <= 364 - 6) << a.Name();
        EXPECT_TRUE(ra.left >= 6 && ra.right <= 463 - 4) << a.Name();
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const TControl& b = *controls[j];
            const RECT rb{b.Left(), b.Top(), b.Left() + b.Width(), b.Top() + b.Height()};
            RECT common{};
            EXPECT_FALSE(IntersectRect(&common, &ra, &rb)) << a.Name() << " and " << b.Name();
        }
    }
    // A check box is wide enough for its glyph and caption.
    for (TBitCheckBox* box : {&dialog.rbAllValuesAndSubKeys, &dialog.rbOnlyValueWithName,
                              &dialog.rbRevokeModifications, &dialog.rbAskMe, &dialog.cbAutoUpdateSnapshoot}) {
        const TFontDC measure(box->Font());
        SIZE size{};
        GetTextExtentPoint32A(measure.Get(), box->Caption().c_str(), static_cast<int>(box->Caption().size()), &size);
        EXPECT_LE(19 + 4 + size.cx, box->Width()) << box->Name();
    }

    // At most 255 characters typed into each edit.
    for (TFlatEdit* edit : {&dialog.edKeyToMonitor, &dialog.edValueToMonitor, &dialog.edDisplayName,
                            &dialog.edComment}) {
        edit->SetEnabled(true);
        edit->SetText("");
        for (int i = 0; i < 300; ++i)
            SendMessageA(edit->Handle(), WM_CHAR, 'k', 1);
        EXPECT_EQ(edit->Text().size(), 255u) << edit->Name();
    }
}

TEST_F(AddGuardDialog, TheFormAndItsMessagesAreTranslated)
{
    test_support::TempFolder folder;
    test_support::WriteAll(folder.File("interface.txt"),
                           "fmAddFreeze.Label6.Caption=Wächter\r\n"
                           "fmAddFreeze.rbAskMe.Caption=Fragen\r\n"
                           "0=Kein Schlüssel{CRLF}angegeben\r\n"
                           "179=Nicht angelegt\r\n");
    TInterfaceTranslator translator;
    translator.LoadFromFile(folder.File("interface.txt"));
    RegisterTextTranslator(&translator);
    TfmAddFreeze dialog(nullptr, &translator);
    RegisterTextTranslator(nullptr);
    EXPECT_EQ(dialog.Label6.Caption(), "Wächter");
    EXPECT_EQ(dialog.rbAskMe.Caption(), "Fragen");
    EXPECT_EQ(dialog.Label8.Caption(), "Display") << "untranslated texts stay English";

    const ScriptedBoxes boxes(IDYES);
    dialog.btnOkClick();
    EXPECT_EQ(boxes.Texts(), std::vector<String>{"Kein Schlüssel\r\nangegeben"});
}
