// Driving the registry editor, against a stand-in editor
// (tests/tools/fake_regedit.cpp) that logs every key its windows get: what
// is typed into the tree and the list for a key path and a value, that
// Wine's deeper window layout is found, and that a missing list or a hung
// editor ends the typing within a bound with nothing typed elsewhere. The
// shell is never asked for the real editor: its open is recorded, or starts
// the stand-in.
#include "ui/registry_editor_opener.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_editor.h"
#include "support/test_support.h"
#include "support/window_driving.h"
#include "ui/shell_open.h"

namespace {

using test_support::FakeEditor;
using test_support::kEditorClass;
using test_support::Typed;

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TBoundedOpen {
    bool returned = false;
    bool result = false;
};

// The opener on a thread of its own, given `ms` to return; past that,
// `release` (ending the editor) lets it come back so the test can fail.
TBoundedOpen OpenWithin(DWORD ms, HKEY root, const std::string& keyPath, const std::string& valueName,
                        const std::function<void()>& release)
{
    std::promise<bool> done;
    std::future<bool> answer = done.get_future();
    std::thread worker([&] { done.set_value(OpenInRegistryEditor(root, keyPath, valueName)); });
    TBoundedOpen outcome;
    outcome.returned = answer.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
    if (!outcome.returned)
        release();
    worker.join();
    outcome.result = answer.get();
    return outcome;
}

struct TypingCase {
    const char* name;
    const char* layout;
    HKEY root;
    const char* keyPath;
    const char* valueName;
    bool result;
    const char* tree;  // as Typed() reads it
    const char* list;
};

const TypingCase kTypingCases[] = {
    {"KeyPath", "windows", HKEY_LOCAL_MACHINE, "SOFTWARE\\Talmoris", "", true, "^HKEY_L>SOFTWARE>TALMORIS", ""},
    // The leading "\" is the Right that opens the root node: no second one.
    {"LeadingBackslash", "windows", HKEY_CURRENT_USER, "\\Software\\Run", "", true, "^HKEY_CU>SOFTWARE>RUN", ""},
    {"NoLeadingBackslash", "windows", HKEY_CURRENT_USER, "Software\\Run", "", true, "^HKEY_CU>SOFTWARE>RUN", ""},
    {"ValueName", "windows", HKEY_CLASSES_ROOT, "CLSID\\{ab-1}", "Run me", true, "^HKEY_CL>CLSID>{AB-1}",
     "^RUN ME"},
    // Wine's layout: tree and list one level deeper.
    {"NestedValueName", "nested", HKEY_USERS, ".Default", "x_y", true, "^HKEY_U>.DEFAULT", "^X_Y"},
    {"RootAlone", "nested", HKEY_CURRENT_CONFIG, "", "", true, "^HKEY_CURRENT_C>", ""},
    // No list: the key is shown, the value name goes nowhere.
    {"NoListWindow", "nolist", HKEY_LOCAL_MACHINE, "SOFTWARE", "Value", false, "^HKEY_L>SOFTWARE", ""},
    // A tree that stops answering at its first key gets no more.
    {"HungEditor", "hang", HKEY_LOCAL_MACHINE, "SOFTWARE", "Value", false, "^", ""},
};

void PrintTo(const TypingCase& c, std::ostream* out) { *out << c.name; }

class RegistryEditorTyping : public ::testing::TestWithParam<TypingCase> {};

}  // namespace

TEST_P(RegistryEditorTyping, TypesTheKeyIntoTheTreeAndTheValueIntoTheList)
{
    const TypingCase& c = GetParam();
    ASSERT_EQ(FindWindowA(kEditorClass, nullptr), nullptr) << "another registry editor runs";
    TRecordingShellOpener shell;
    const TScopedShellOpener useIt(shell);
    FakeEditor editor(c.layout);
    ASSERT_TRUE(editor.Shown());

    const TBoundedOpen outcome = OpenWithin(30000, c.root, c.keyPath, c.valueName, [&] { editor.Kill(); });
    ASSERT_TRUE(outcome.returned);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(editor.Lines(), Concat(Typed("tree", c.tree), Typed("list", c.list)));
    EXPECT_TRUE(shell.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistryEditorTyping, ::testing::ValuesIn(kTypingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryEditorOpener, TypesEachRootNodeByEnoughOfItsName)
{
    ASSERT_EQ(FindWindowA(kEditorClass, nullptr), nullptr) << "another registry editor runs";
    FakeEditor editor("windows");
    ASSERT_TRUE(editor.Shown());
    const struct {
        HKEY root;
        const char* prefix;
    } roots[] = {{HKEY_CLASSES_ROOT, "HKEY_CL"}, {HKEY_CURRENT_USER, "HKEY_CU"},
                 {HKEY_LOCAL_MACHINE, "HKEY_L"}, {HKEY_USERS, "HKEY_U"},
                 {HKEY_PERFORMANCE_DATA, "HKEY_P"}, {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_C"},
                 {HKEY_DYN_DATA, "HKEY_D"}};
    for (const auto& r : roots) {
        editor.ClearLog();
        EXPECT_TRUE(OpenInRegistryEditor(r.root, "A", ""));
        EXPECT_EQ(editor.Lines(), Typed("tree", std::string("^") + r.prefix + ">A")) << r.prefix;
    }
}

TEST(RegistryEditorOpener, WithoutARunningEditorAsksTheShellOnceAndGivesUp)
{
    ASSERT_EQ(FindWindowA(kEditorClass, nullptr), nullptr) << "another registry editor runs";
    TRecordingShellOpener shell;
    const TScopedShellOpener useIt(shell);

    EXPECT_EQ(FindRegistryEditor(), nullptr);
    ASSERT_EQ(shell.Requests().size(), 1u);
    const TShellOpenRequest& request = shell.Requests()[0];
    EXPECT_EQ(request.verb, "open");
    EXPECT_EQ(request.file, "Regedit.exe");
    EXPECT_EQ(request.parameters, "");
    EXPECT_EQ(request.show, SW_SHOWNORMAL);
    EXPECT_TRUE(request.wantProcess);

    EXPECT_FALSE(OpenInRegistryEditor(HKEY_LOCAL_MACHINE, "SOFTWARE", "Value"));
    EXPECT_EQ(shell.Requests().size(), 2u);
    // A root that isn't a predefined key starts nothing.
    EXPECT_FALSE(OpenInRegistryEditor(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000050u)), "SOFTWARE", ""));
    EXPECT_EQ(shell.Requests().size(), 2u);
}

namespace {

// Answers the shell's open by starting the stand-in editor, handing over a
// handle of its process as the shell would.
class StartingShellOpener : public IShellOpener {
public:
    TShellOpenResult Open(const TShellOpenRequest& request) override
    {
        requests.push_back(request);
        editor = std::make_unique<FakeEditor>("nested", ".started");
        TShellOpenResult result;
        result.started = true;
        result.process.Reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, editor->Id()));
        given = result.process.Get();
        return result;
    }

    std::vector<TShellOpenRequest> requests;
    std::unique_ptr<FakeEditor> editor;
    HANDLE given = nullptr;
};

}  // namespace

TEST(RegistryEditorOpener, StartsTheEditorWaitsForItsWindowAndClosesItsProcessHandle)
{
    ASSERT_EQ(FindWindowA(kEditorClass, nullptr), nullptr) << "another registry editor runs";
    StartingShellOpener shell;
    const TScopedShellOpener useIt(shell);

    const TBoundedOpen outcome = OpenWithin(30000, HKEY_LOCAL_MACHINE, "SOFTWARE", "Value", [&] {
        if (shell.editor)
            shell.editor->Kill();
    });
    ASSERT_TRUE(outcome.returned);
    ASSERT_EQ(shell.requests.size(), 1u);
    ASSERT_TRUE(shell.editor);
    ASSERT_NE(shell.given, nullptr);
    EXPECT_TRUE(outcome.result);
    EXPECT_EQ(shell.editor->Lines(), Concat(Typed("tree", "^HKEY_L>SOFTWARE"), Typed("list", "^VALUE")));
    // Wine hands a closed handle's number to the next new handle (a
    // thread's message queue, say): closed is "no longer this process".
    EXPECT_NE(GetProcessId(shell.given), shell.editor->Id()) << "the started process's handle is still open";
}
