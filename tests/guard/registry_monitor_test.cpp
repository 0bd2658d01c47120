#include "guard/registry_monitor_thread.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <set>

#include "classlib/file_system.h"
#include "classlib/thread_stop.h"
#include "guard/registry_utils.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

using test_support::Bin;
using test_support::Dword;
using test_support::RegTree;
using test_support::Sz;

namespace {

struct LogLine {
    int level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};

std::ostream& operator<<(std::ostream& os, const LogLine& l) { return os << l.level << ":" << l.text; }

// Answers questions from a script, on the monitor's thread, as the alert
// program's hand-over will.
class ScriptedAnswers : public TQuestionSink {
public:
    void Answer(std::uint16_t code, bool alwaysForbid = false)
    {
        std::lock_guard<std::mutex> hold(lock_);
        script_.push_back((alwaysForbid ? 0x10000u : 0u) | code);
    }
    void Ask(const TGuardQuestion& question) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        asked_.push_back(question);
        if (script_.empty())
            return;
        PostThreadMessageA(question.MonitorThreadId, WM_GUARD_ANSWER, script_.front(), static_cast<LPARAM>(question.GuardId));
        script_.erase(script_.begin());
    }
    std::vector<TGuardQuestion> Asked()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return asked_;
    }

private:
    std::mutex lock_;
    std::vector<WPARAM> script_;
    std::vector<TGuardQuestion> asked_;
};

// The main form's side of the monitor: a window on the test's thread that
// answers WM_QUERY_GUARD and collects what the monitor sends.
class MonitorHarness {
public:
    MonitorHarness() : answers(std::make_shared<ScriptedAnswers>())
    {
        static ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &MonitorHarness::WindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TalmorisMonitorHarness";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        window = CreateWindowExA(0, "TalmorisMonitorHarness", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        dataFolder = IncludeTrailingPathDelimiter(folder.Path());
        ForceDirectories(dataFolder + "snapshoots");
    }
    ~MonitorHarness()
    {
        Stop();
        DestroyWindow(window);
    }

    void Start(const TFreezeList& guards)
    {
        worker = StartWorker(std::make_unique<TRegMonitorThread>(guards, window, dataFolder, answers));
    }
    bool Stop() { return StopWorker(worker, 20000); }

    // Handles the monitor's messages until `done` holds or the time runs out.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000)
    {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > timeoutMs)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        return true;
    }
    void PumpFor(DWORD ms)
    {
        const DWORD start = GetTickCount();
        PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
    }
    bool WaitStarted() { return PumpUntil([this] { return started; }); }

    // The log lines from index `from` on.
    std::vector<LogLine> LinesFrom(size_t from) const
    {
        return std::vector<LogLine>(lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end());
    }

    test_support::TempFolder folder;
    String dataFolder;
    HWND window = nullptr;
    std::shared_ptr<ScriptedAnswers> answers;
    TWorkerHandle worker;
    std::vector<LogLine> lines;
    bool started = false;
    int blinks = 0;
    int queries = 0;
    std::set<std::uint32_t> inactive;  // guard ids WM_QUERY_GUARD answers 0 for
    std::vector<std::pair<WPARAM, LPARAM>> reactions;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<MonitorHarness*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        switch (message) {
        case WM_ADD_LOG_LINE:
            self->lines.push_back(LogLine{static_cast<int>(wParam), reinterpret_cast<const char*>(lParam)});
            return 0;
        case WM_QUERY_GUARD: {
            ++self->queries;
            const auto* guard = reinterpret_cast<const TSingleFreeze*>(wParam);
            return self->inactive.count(guard->Id) ? 0 : 1;
        }
        case WM_MONITORING_STARTED: self->started = true; return 0;
        case WM_START_BLINK: ++self->blinks; return 0;
        case WM_SET_GUARD_REACTION: self->reactions.emplace_back(wParam, lParam); return 0;
        default: return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    }
};

TSingleFreeze* AddGuard(TFreezeList& list, const std::string& path, std::uint8_t kind, std::uint8_t reaction,
                        const std::string& value = "", std::uint32_t id = 0)
{
    auto g = std::make_unique<TSingleFreeze>();
    g->State = gsActive;
    g->RootKeyName = "HKEY_CURRENT_USER";
    g->KeyPath = path;
    g->ValueName = value;
    g->DisplayName = "Guard of " + path.substr(path.rfind('\\') + 1);
    g->Kind = kind;
    g->Reaction = reaction;
    g->GuidText = "{" + path + value + IntToStr(list.Count()) + "}";
    g->Id = id ? id : GuardIdFromGuid(g->GuidText);
    return list.Add(std::move(g));
}

const RegTree kTree = {
    {"", {{"s", Sz("text")}, {"e", Sz("%TEMP%\\x", REG_EXPAND_SZ)}, {"d", Dword(7)}, {"b", Bin({1, 2, 3})}}},
    {"sub", {{"inner", Sz("deep")}}},
};

}  // namespace

TEST(RegistryMonitor, RevokesEveryKindOfChangeToAKeyGuard)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& key)> change;
        // Expected log lines after arming; "%k" stands for the key's text.
        std::vector<LogLine> expected;
    };
    const std::vector<Case> cases = {
        {"changed string", [](const std::string& k) { test_support::SetValue(k, "s", Sz("evil")); }, {}},
        {"changed expand string", [](const std::string& k) { test_support::SetValue(k, "e", Sz("C:\\evil", REG_EXPAND_SZ)); }, {}},
        {"changed dword", [](const std::string& k) { test_support::SetValue(k, "d", Dword(8)); }, {}},
        {"changed binary", [](const std::string& k) { test_support::SetValue(k, "b", Bin({9})); }, {}},
        {"retyped value", [](const std::string& k) { test_support::SetValue(k, "s", Sz("text", REG_EXPAND_SZ)); }, {}},
        {"changed value in a subkey", [](const std::string& k) { test_support::SetValue(k + "\\sub", "inner", Sz("evil")); }, {}},
        {"value deleted", [](const std::string& k) { test_support::DeleteValue(k, "d"); },
         {{2, "The 'd' value in '%k' key does not exist. Creating it..."},
          {1, "The 'd' value in '%k' key are created and his data is restored from snapshot."}}},
        {"value added", [](const std::string& k) { test_support::SetValue(k, "added", Sz("x")); },
         {{2, "The new 'added' value in '%k' key are found. Deleting it..."},
          {1, "The 'added' value in '%k' key removed."}}},
        {"nested subkey added", [](const std::string& k) { test_support::SetValue(k + "\\sub\\new\\deeper", "v", Dword(1)); },
         {{0, "New key with '%k\\sub\\new' name are found. Deleting it..."},
          {1, "The key with a '%k\\sub\\new' name removed from registry."}}},
        {"subkey deleted", [](const std::string& k) { test_support::DeleteTree(k + "\\sub"); },
         {{2, "'@\\sub\\' key does not exist. Creating it..."},
          {1, "'@\\sub\\' key is created."},
          {2, "The 'inner' value in '%k\\sub' key does not exist. Creating it..."},
          {1, "The 'inner' value in '%k\\sub' key are created and his data is restored from snapshot."}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TestKey key;
        test_support::Plant(key.Path(), kTree);
        MonitorHarness harness;
        TFreezeList guards;
        AddGuard(guards, key.Path(), gkKey, grRevoke);
        harness.Start(guards);
        ASSERT_TRUE(harness.WaitStarted());
        const RegTree before = test_support::Dump(key.Path());
        const size_t armed = harness.lines.size();
        c.change(key.Path());
        const std::vector<LogLine>& lines = harness.lines;
        EXPECT_TRUE(harness.PumpUntil([&] {
            return lines.size() >= armed + c.expected.size() && test_support::Dump(key.Path()) == before;
        })) << "the registry did not return to its snapshot";
        harness.PumpFor(150);  // nothing more arrives
        std::vector<LogLine> expected = c.expected;
        for (LogLine& l : expected) {
            l.text = StringReplace(l.text, "%k", "HKCU\\" + key.Path(), rfReplaceAll);
            l.text = StringReplace(l.text, "@", key.Path(), rfReplaceAll);
        }
        EXPECT_EQ(harness.LinesFrom(armed), expected);
        EXPECT_TRUE(harness.Stop());
    }
}

TEST(RegistryMonitor, RevokesAValueGuardByTheSnapshotsType)
{
    test_support::TestKey key;
    test_support::SetValue(key.Path(), "Start Page", Sz("about:blank"));
    test_support::SetValue(key.Path(), "neighbour", Sz("free"));
    MonitorHarness harness;
    TFreezeList guards;
    AddGuard(guards, key.Path(), gkValue, grRevoke, "Start Page");
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const std::string keyText = "HKCU\\" + key.Path();
    const auto current = [&] { return test_support::Dump(key.Path())[""]["Start Page"]; };

    struct Case {
        const char* what;
        std::function<void()> change;
        std::vector<LogLine> expected;
    } cases[] = {
        {"changed text", [&] { test_support::SetValue(key.Path(), "Start Page", Sz("http://evil")); },
         {{2, "Changes for '" + keyText + "' key in 'Start Page' value are found."}, {1, "Changes are forbidden."}}},
        {"changed type", [&] { test_support::SetValue(key.Path(), "Start Page", Dword(5)); },
         {{2, "Changes for '" + keyText + "' key in 'Start Page' value are found."}, {1, "Changes are forbidden."}}},
        {"retyped to a multi-string", [&] { test_support::SetValue(key.Path(), "Start Page", {REG_MULTI_SZ, {'x', 0, 0}}); },
         {{2, "Changes for '" + keyText + "' key in 'Start Page' value are found."}, {1, "Changes are forbidden."}}},
        {"deleted", [&] { test_support::DeleteValue(key.Path(), "Start Page"); },
         {{2, "The 'Start Page' value in '" + keyText + "' key does not exist. Creating it..."},
          {1, "The 'Start Page' value is created and his data is restored from snapshot."}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t from = harness.lines.size();
        c.change();
        EXPECT_TRUE(harness.PumpUntil([&] { return harness.lines.size() >= from + c.expected.size() && current() == Sz("about:blank"); }));
        EXPECT_EQ(harness.LinesFrom(from), c.expected);
    }
    // Other values of the key are not guarded.
    test_support::SetValue(key.Path(), "neighbour", Sz("changed"));
    harness.PumpFor(300);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["neighbour"], Sz("changed"));
}

TEST(RegistryMonitor, AChangeMadeWhileOffIsFoundWhenArming)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(TakeGuardSnapshot(snapshot, *guard, harness.dataFolder));
    const RegTree before = test_support::Dump(key.Path());
    test_support::SetValue(key.Path(), "planted", Sz("while off"));
    test_support::SetValue(key.Path(), "s", Sz("changed while off"));
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    // Restored before monitoring was reported as started.
    EXPECT_EQ(test_support::Dump(key.Path()), before);
    const std::string keyText = "HKCU\\" + key.Path();
    EXPECT_EQ(harness.lines, (std::vector<LogLine>{
                                 {0, "Checking snapshot for key '" + keyText + "'..."},
                                 {1, "The snapshot for key '" + keyText + "' is verified."},
                                 {2, "The new 'planted' value in '" + keyText + "' key are found. Deleting it..."},
                                 {1, "The 'planted' value in '" + keyText + "' key removed."},
                             }));
}

TEST(RegistryMonitor, ArmingTakesMissingSnapshotsAndLogsUnopenableKeys)
{
    test_support::TestKey key;
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* value = AddGuard(guards, key.Sub("v"), gkValue, grRevoke, "x");
    // A key name over the registry's limit can be neither opened nor created.
    AddGuard(guards, key.Sub(std::string(300, 'n')), gkKey, grRevoke);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const std::string keyText = "HKCU\\" + key.Sub("v");
    ASSERT_GE(harness.lines.size(), 5u);
    EXPECT_EQ(harness.lines[0], (LogLine{0, "Checking snapshot for value 'x' in key '" + keyText + "'..."}));
    EXPECT_EQ(harness.lines[1], (LogLine{2, "The snapshot for value 'x' in key '" + keyText + "' does not exist. Creating it..."}));
    EXPECT_EQ(harness.lines[2], (LogLine{1, "The snapshot  for value 'x' in key '" + keyText + "' is created."}));
    EXPECT_EQ(harness.lines[3], (LogLine{1, "The snapshot for value 'x' in key '" + keyText + "' is verified."}));
    EXPECT_EQ(harness.lines[4].level, 2);
    EXPECT_NE(harness.lines[4].text.find("can't be opened"), std::string::npos) << harness.lines[4].text;
    EXPECT_TRUE(SnapshotExists(*value, harness.dataFolder));
}

TEST(RegistryMonitor, AGuardTheMainFormCallsInactiveIsNotTouched)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
    harness.inactive.insert(guard->Id);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const size_t armed = harness.lines.size();
    const int queries = harness.queries;
    test_support::SetValue(key.Path(), "s", Sz("allowed"));
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.queries > queries; }));
    harness.PumpFor(200);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["s"], Sz("allowed"));
    EXPECT_EQ(harness.LinesFrom(armed), std::vector<LogLine>{});
    // Still watched: the next change is asked about again.
    test_support::SetValue(key.Path(), "s", Sz("again"));
    EXPECT_TRUE(harness.PumpUntil([&] { return harness.queries > queries + 1; }));
}

TEST(RegistryMonitor, WithoutActiveGuardsTheMonitorEndsAtOnce)
{
    test_support::TestKey key;
    MonitorHarness harness;
    TFreezeList guards;
    AddGuard(guards, key.Path(), gkKey, grRevoke)->State = gsNotActive;
    AddGuard(guards, key.Path(), gkKey, grRevoke)->State = gsDisabled;
    harness.Start(guards);
    ASSERT_TRUE(harness.PumpUntil([&] { return !harness.worker.Running(); }));
    harness.PumpFor(50);
    EXPECT_FALSE(harness.started);
    EXPECT_TRUE(harness.lines.empty());
}

TEST(RegistryMonitor, AsksAboutKeyChangesAndCarriesOutTheAnswer)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grAsk);
    guard->DisplayName = "Browser settings";
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(TakeGuardSnapshot(snapshot, *guard, harness.dataFolder));
    const RegTree before = test_support::Dump(key.Path());
    // Every kind of finding at once, made before arming so one question holds them all.
    test_support::SetValue(key.Sub("added\\below"), "v", Sz("x"));
    test_support::DeleteTree(key.Sub("sub"));
    test_support::SetValue(key.Path(), "new", Sz("x"));
    test_support::DeleteValue(key.Path(), "e");
    test_support::SetValue(key.Path(), "s", Sz("changed"));
    test_support::SetValue(key.Path(), "d", Dword(8));
    test_support::SetValue(key.Path(), "b", Bin({1, 2, 3, 4, 5}));
    harness.answers->Answer(acRestore, true);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    ASSERT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path()) == before; }));

    const auto asked = harness.answers->Asked();
    ASSERT_EQ(asked.size(), 1u);
    const std::string k = "HKCU\\" + key.Path() + "\\";
    EXPECT_EQ(asked[0].Kind, ckChanges);
    EXPECT_EQ(asked[0].GuardId, guard->Id);
    EXPECT_EQ(asked[0].Question, "Accept changes?");
    EXPECT_EQ(asked[0].Message,
              "Signalled guard: Browser settings\r\n\r\nKey 'HKCU\\" + key.Path() + "' has changes! "
              "\r\n\r\nAdded keys: \r\n1. " + k + "added\\"
              "\r\n\r\nDeleted keys: \r\n1. " + k + "sub\\"
              "\r\n\r\nAdded values: \r\n1. " + k + ", value 'new'"
              "\r\n\r\nDeleted values: \r\n1. " + k + ", value 'e'"
              "\r\n\r\nChanged values: "
              "\r\n1. " + k + ", value 'b': old value - '197121...'; new value - '67305985...'"
              "\r\n2. " + k + ", value 'd': old value - '7'; new value - '8'"
              "\r\n3. " + k + ", value 's': old value - 'text'; new value - 'changed'");
    EXPECT_GE(harness.blinks, 1);
    // The always-forbid box: the main form is told to switch the guard to revoke.
    ASSERT_EQ(harness.reactions.size(), 1u);
    EXPECT_EQ(harness.reactions[0], (std::pair<WPARAM, LPARAM>{guard->Id, 0}));
    EXPECT_EQ(harness.lines.front().text.find("Checking snapshot"), 0u);
    EXPECT_NE(std::find(harness.lines.begin(), harness.lines.end(),
                        LogLine{2, "Changes in 'HKCU\\" + key.Path() + "' key are found..."}),
              harness.lines.end());

    // Now set to revoke, the next change is put back without a question.
    test_support::SetValue(key.Path(), "s", Sz("again"));
    EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path()) == before; }));
    EXPECT_EQ(harness.answers->Asked().size(), 1u);
}

TEST(RegistryMonitor, AnAcceptedKeyChangeBecomesTheSnapshot)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grAsk);
    guard->AutoUpdate = true;
    harness.answers->Answer(acAccept);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const size_t armed = harness.lines.size();
    test_support::SetValue(key.Path(), "s", Sz("accepted"));
    const std::string keyText = "HKCU\\" + key.Path();
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.lines.size() >= armed + 3; }));
    EXPECT_EQ(harness.LinesFrom(armed), (std::vector<LogLine>{{2, "Changes in '" + keyText + "' key are found..."},
                                                              {0, "Updating snapshot for '" + keyText + "' key..."},
                                                              {1, "Snapshot for '" + keyText + "' key is updated."}}));
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *guard, harness.dataFolder));
    EXPECT_EQ(snapshot.FindValue("s")->AsText(), "accepted");
    EXPECT_EQ(test_support::Dump(key.Path())[""]["s"], Sz("accepted"));
}

TEST(RegistryMonitor, AsksAboutAValueAndRestoresAVanishedOneOnYes)
{
    test_support::TestKey key;
    test_support::SetValue(key.Path(), "Start Page", Dword(42));
    MonitorHarness harness;
    TFreezeList guards;
    TSingleFreeze* guard = AddGuard(guards, key.Path(), gkValue, grAsk, "Start Page");
    guard->DisplayName = "Home page";
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const std::string keyText = "HKCU\\" + key.Path();

    test_support::SetValue(key.Path(), "Start Page", Dword(43));
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.answers->Asked().size() == 1; }));
    auto asked = harness.answers->Asked();
    EXPECT_EQ(asked[0].Message, "Signalled guard: Home page\r\n\r\n'Start Page' value in '" + keyText +
                                    "' key has changes:\r\n\r\nValue from a snapshot: 42\r\nNew value: 43");
    // No answer yet: the change stays, and the value is watched meanwhile.
    harness.PumpFor(100);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["Start Page"], Dword(43));

    // "Yes" to the question about a vanished value brings it back.
    harness.answers->Answer(acAccept);
    test_support::DeleteValue(key.Path(), "Start Page");
    ASSERT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path())[""].count("Start Page") == 1; }));
    asked = harness.answers->Asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].Kind, ckMissingValue);
    EXPECT_EQ(asked[1].Question, "Restore data?");
    EXPECT_EQ(asked[1].Message, "Signalled guard: Home page\r\n\r\nThe 'Start Page' value in '" + keyText + "' key does not exist!");
    EXPECT_EQ(test_support::Dump(key.Path())[""]["Start Page"], Dword(42));
}

TEST(RegistryMonitor, MoreThanSixtyFourGuardsAreAllWatched)
{
    test_support::TestKey key;
    MonitorHarness harness;
    TFreezeList guards;
    for (int i = 0; i < 70; ++i) {
        test_support::SetValue(key.Sub("k" + std::to_string(i)), "v", Dword(static_cast<DWORD>(i)));
        AddGuard(guards, key.Sub("k" + std::to_string(i)), gkValue, grRevoke, "v");
    }
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted()) << "arming 70 guards";
    for (int i : {69, 0, 64, 33}) {
        const std::string path = key.Sub("k" + std::to_string(i));
        test_support::SetValue(path, "v", Dword(1000));
        EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(path)[""]["v"] == Dword(static_cast<DWORD>(i)); }))
            << "guard " << i;
    }
}

TEST(RegistryMonitor, StopRightAfterStart)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    TFreezeList guards;
    for (int i = 0; i < 5; ++i)
        AddGuard(guards, key.Path(), gkKey, grRevoke);
    for (int round = 0; round < 20; ++round) {
        MonitorHarness harness;
        harness.Start(guards);
        const HANDLE handle = harness.worker.handle.Get();
        TUniqueHandle mine;
        HANDLE copy = nullptr;
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
        mine.Reset(copy);
        ASSERT_TRUE(harness.Stop()) << "round " << round;
        EXPECT_EQ(WaitForSingleObject(mine.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    }
}

TEST(RegistryMonitor, StopWhileTheMonitorIsInsideSendMessage)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    for (int i = 0; i < 30; ++i)
        AddGuard(guards, key.Path(), gkKey, grRevoke);
    harness.Start(guards);
    // The GUI thread handles nothing meanwhile: wait until the monitor's
    // first log line waits inside SendMessage, then stop.
    const DWORD start = GetTickCount();
    while (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) == 0 && GetTickCount() - start < 10000)
        Sleep(5);
    ASSERT_NE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)), 0) << "the monitor sent nothing";
    EXPECT_TRUE(harness.lines.empty());
    ASSERT_TRUE(harness.Stop());
    EXPECT_FALSE(harness.lines.empty());  // the stop answered the waiting send
    EXPECT_FALSE(harness.started);
}

TEST(RegistryMonitor, AnIncompleteSnapshotRestoresWhatItHoldsAndDeletesNothing)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(TakeGuardSnapshot(snapshot, *guard, harness.dataFolder));
    // Cut the file inside its last key record (the subkey).
    const String file = GetSnapshotFileName(guard, harness.dataFolder);
    auto bytes = test_support::ReadAll(file);
    bytes.resize(bytes.size() - 3);
    test_support::WriteAll(file, bytes.data(), bytes.size());

    test_support::SetValue(key.Path(), "s", Sz("changed"));
    test_support::SetValue(key.Path(), "added", Sz("kept"));
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const auto tree = test_support::Dump(key.Path());
    EXPECT_EQ(tree.at("").at("s"), Sz("text"));       // restored from what the file holds
    EXPECT_EQ(tree.at("").at("added"), Sz("kept"));   // nothing deleted
    EXPECT_EQ(tree.at("sub").at("inner"), Sz("deep"));
    const LogLine warning{2, "The snapshot of 'HKCU\\" + key.Path() +
                                 "' key could not be read whole: what it holds is restored, and nothing is deleted."};
    EXPECT_NE(std::find(harness.lines.begin(), harness.lines.end(), warning), harness.lines.end());
}

TEST(RegistryMonitor, AnInactiveGuardsDeletedKeyIsLeftAloneAndWatchedWhenItReturns)
{
    test_support::TestKey key;
    const std::string guarded = key.Sub("guarded");
    test_support::Plant(guarded, kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, guarded, gkKey, grRevoke);
    harness.inactive.insert(guard->Id);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const int queries = harness.queries;
    const RegTree original = test_support::Dump(guarded);
    // Removing the subkey signals the guard; its key is gone when it re-arms.
    test_support::DeleteTree(guarded);
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.queries > queries; }));
    harness.PumpFor(300);
    EXPECT_TRUE(test_support::Dump(guarded).empty());  // not created again: the guard is not active

    // The key comes back and the guard is active again: it is watched, and
    // its next change restores the whole tree.
    harness.inactive.clear();
    test_support::SetValue(guarded, "poke", Dword(1));
    EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(guarded) == original; }));
}

TEST(RegistryMonitor, AnActiveGuardsDeletedKeyIsRestored)
{
    test_support::TestKey key;
    const std::string guarded = key.Sub("flat");
    test_support::Plant(guarded, {{"", {{"only", Sz("value")}}}});
    MonitorHarness harness;
    TFreezeList guards;
    AddGuard(guards, guarded, gkKey, grRevoke);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const RegTree original = test_support::Dump(guarded);
    // A key without subkeys: its deletion may come without a notification.
    test_support::DeleteTree(guarded);
    EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(guarded) == original; }));
}

namespace {

// A stand-in for the system's registry editor: a top-level window of its
// class that counts the refresh commands it gets.
class FakeRegistryEditor {
public:
    FakeRegistryEditor()
    {
        static ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &FakeRegistryEditor::WindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "RegEdit_RegEdit";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        window_ = CreateWindowExA(0, "RegEdit_RegEdit", "Registry Editor", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        refreshes = 0;
    }
    ~FakeRegistryEditor() { DestroyWindow(window_); }
    static inline int refreshes = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_COMMAND && wParam == 648 && lParam == 0)
            ++refreshes;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

}  // namespace

TEST(RegistryMonitor, ARestoreRefreshesTheRegistryEditor)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    FakeRegistryEditor editor;
    MonitorHarness harness;
    TFreezeList guards;
    AddGuard(guards, key.Path(), gkKey, grRevoke);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    EXPECT_EQ(FakeRegistryEditor::refreshes, 0);  // nothing was restored while arming
    test_support::DeleteValue(key.Path(), "d");
    EXPECT_TRUE(harness.PumpUntil([&] { return FakeRegistryEditor::refreshes >= 1; }));
}

TEST(RegistryMonitor, MultiStringsAreNeverWrittenBack)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    test_support::SetValue(key.Path(), "m", {REG_MULTI_SZ, {'a', 0, 0}});
    MonitorHarness harness;
    TFreezeList guards;
    AddGuard(guards, key.Path(), gkKey, grRevoke);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const test_support::RegValue changed{REG_MULTI_SZ, {'b', 0, 0}};
    test_support::SetValue(key.Path(), "m", changed);
    test_support::SetValue(key.Path(), "s", Sz("evil"));
    ASSERT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path())[""]["s"] == Sz("text"); }));
    EXPECT_EQ(test_support::Dump(key.Path())[""]["m"], changed);
    test_support::DeleteValue(key.Path(), "m");
    test_support::SetValue(key.Path(), "s", Sz("evil again"));
    ASSERT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path())[""]["s"] == Sz("text"); }));
    EXPECT_EQ(test_support::Dump(key.Path())[""].count("m"), 0u);
}

TEST(RegistryMonitor, WithoutASnapshotFileARevokeTouchesNothing)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    ASSERT_TRUE(RemoveFile(GetSnapshotFileName(guard, harness.dataFolder)));
    const size_t from = harness.lines.size();
    test_support::SetValue(key.Path(), "added", Sz("stays"));
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.lines.size() > from; }));
    harness.PumpFor(200);
    EXPECT_EQ(harness.lines[from].level, 2);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["added"], Sz("stays"));
    HKEY other = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_CONFIG, key.Path().c_str(), 0, KEY_READ, &other), ERROR_SUCCESS)
        << "a key was made under another root";
}

TEST(RegistryMonitor, ValueAnswersRestoreKeepOrAccept)
{
    test_support::TestKey key;
    test_support::SetValue(key.Path(), "text", Sz("good"));
    test_support::SetValue(key.Path(), "blob", Bin({1, 2}));
    MonitorHarness harness;
    TFreezeList guards;
    TSingleFreeze* text = AddGuard(guards, key.Path(), gkValue, grAsk, "text");
    text->DisplayName = "Text";
    TSingleFreeze* blob = AddGuard(guards, key.Path(), gkValue, grAsk, "blob");
    blob->DisplayName = "Blob";
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const std::string keyText = "HKCU\\" + key.Path();
    const auto value = [&](const char* name) { return test_support::Dump(key.Path())[""][name]; };

    // Restore: the snapshot's text comes back.
    harness.answers->Answer(acRestore);
    test_support::SetValue(key.Path(), "text", Sz("bad"));
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.answers->Asked().size() == 1 && value("text") == Sz("good"); }));
    EXPECT_EQ(harness.answers->Asked()[0].Message, "Signalled guard: Text\r\n\r\n'text' value in '" + keyText +
                                                       "' key has changes:\r\n\r\nValue from a snapshot: good\r\nNew value: bad");

    // Keep: the change stays, the snapshot too.
    harness.answers->Answer(acKeep);
    test_support::SetValue(key.Path(), "blob", Bin({3}));
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.answers->Asked().size() == 2; }));
    harness.PumpFor(200);
    EXPECT_EQ(value("blob"), Bin({3}));
    EXPECT_EQ(harness.answers->Asked()[1].Message,
              "Signalled guard: Blob\r\n\r\n'blob' value in '" + keyText +
                  "' key has changes:\r\n\r\nValue from a snapshot: <binary data>\r\nNew value: <binary data>");
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *blob, harness.dataFolder));
    EXPECT_EQ(snapshot.FindValue("blob")->Data, (std::vector<std::uint8_t>{1, 2}));

    // Accept: the change becomes the snapshot.
    harness.answers->Answer(acAccept);
    test_support::SetValue(key.Path(), "blob", Bin({4}));
    ASSERT_TRUE(harness.PumpUntil([&] {
        TRegistryShapshoot s;
        return LoadGuardSnapshot(s, *blob, harness.dataFolder) && s.FindValue("blob")->Data == std::vector<std::uint8_t>{4};
    }));
    EXPECT_EQ(value("blob"), Bin({4}));
}
