#include "guard/registry_monitor_thread.h"

#include <gtest/gtest.h>

#include "support/monitor_harness.h"

#include <functional>
#include <mutex>
#include <set>

#include "classlib/file_system.h"
#include "classlib/thread_stop.h"
#include "guard/alert_block.h"
#include "guard/confirmation_thread.h"
#include "guard/registry_utils.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

using test_support::Bin;
using test_support::Dword;
using test_support::RegTree;
using test_support::Sz;
using test_support::AddGuard;
using test_support::LogLine;
using test_support::MonitorHarness;

namespace {

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
        bool oneWrite = true;  // the change is one registry call, so one signal
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
          {1, "The key with a '%k\\sub\\new' name removed from registry."}},
         false},
        {"subkey deleted", [](const std::string& k) { test_support::DeleteTree(k + "\\sub"); },
         {{2, "'@\\sub\\' key does not exist. Creating it..."},
          {1, "'@\\sub\\' key is created."},
          {2, "The 'inner' value in '%k\\sub' key does not exist. Creating it..."},
          {1, "The 'inner' value in '%k\\sub' key are created and his data is restored from snapshot."}},
         false},
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
        const int queries = harness.queries;
        c.change(key.Path());
        const std::vector<LogLine>& lines = harness.lines;
        EXPECT_TRUE(harness.PumpUntil([&] {
            return lines.size() >= armed + c.expected.size() && test_support::Dump(key.Path()) == before;
        })) << "the registry did not return to its snapshot";
        harness.PumpFor(150);  // nothing more arrives
        // Asked once before the rollback; the check of its own writes asks nothing.
        if (c.oneWrite) {
            EXPECT_EQ(harness.queries, queries + 1);
        }
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
    // Other values of the key are not guarded, and the main form is not
    // asked about them.
    harness.PumpFor(100);
    const int queries = harness.queries;
    test_support::SetValue(key.Path(), "neighbour", Sz("changed"));
    harness.PumpFor(300);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["neighbour"], Sz("changed"));
    EXPECT_EQ(harness.queries, queries);
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

TEST(RegistryMonitor, WithNothingToWatchTheMonitorSaysSoAndEnds)
{
    test_support::TestKey key;
    const struct {
        const char* what;
        std::function<void(TFreezeList&)> make;
        size_t lines;  // only a key that can't be opened is reported
    } cases[] = {
        {"no active guard",
         [&](TFreezeList& guards) {
             AddGuard(guards, key.Path(), gkKey, grRevoke)->State = gsNotActive;
             AddGuard(guards, key.Path(), gkKey, grRevoke)->State = gsDisabled;
         },
         0},
        // A key name over the registry's limit can be neither opened nor created.
        {"no key can be opened",
         [&](TFreezeList& guards) { AddGuard(guards, key.Sub(std::string(300, 'n')), gkKey, grRevoke); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MonitorHarness harness;
        TFreezeList guards;
        c.make(guards);
        harness.Start(guards);
        ASSERT_TRUE(harness.PumpUntil([&] { return !harness.worker.Running(); }));
        harness.PumpFor(50);
        EXPECT_EQ(harness.nothingToMonitor, 1);
        EXPECT_FALSE(harness.started);
        EXPECT_EQ(harness.lines.size(), c.lines);
    }
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

TEST(RegistryMonitor, MoreThanSixtyFourGuardsAreAllWatchedWithoutPolling)
{
    // More guards than two waits can take: the last ones are watched the
    // same way as the first, and nothing wakes the monitor while nothing
    // changes.
    constexpr int kGuards = 130;
    test_support::TestKey key;
    MonitorHarness harness;
    TFreezeList guards;
    const auto path = [&](int i) { return key.Sub(std::string("k").append(std::to_string(i))); };
    for (int i = 0; i < kGuards; ++i) {
        test_support::SetValue(path(i), "v", Dword(static_cast<DWORD>(i)));
        AddGuard(guards, path(i), gkValue, grRevoke, "v");
    }
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted()) << "arming " << kGuards << " guards";
    const auto quiet = [&] {
        harness.PumpFor(300);  // the checks of our own writes are over
        const unsigned wakes = harness.counters->Wakes;
        harness.PumpFor(1500);
        return harness.counters->Wakes - wakes;
    };
    EXPECT_EQ(quiet(), 0u) << "the monitor woke while nothing changed";
    for (int i : {kGuards - 1, kGuards - 2, 64, 63, 62, 0}) {
        test_support::SetValue(path(i), "v", Dword(1000));
        EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(path(i))[""]["v"] == Dword(static_cast<DWORD>(i)); }))
            << "guard " << i;
    }
    // A key of the last ones deleted outright: seen through its parent.
    test_support::DeleteTree(path(kGuards - 1));
    EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(path(kGuards - 1))[""]["v"] == Dword(kGuards - 1); }));
    EXPECT_EQ(quiet(), 0u) << "the monitor woke while nothing changed";
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

TEST(RegistryMonitor, ASnapshotFileLockedForAMomentIsReadAgainAtTheNextCheck)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(TakeGuardSnapshot(snapshot, *guard, harness.dataFolder));
    const RegTree before = test_support::Dump(key.Path());
    // Another program holds the file open, sharing nothing, while the
    // monitor starts: its first check can't read it.
    const String file = GetSnapshotFileName(guard, harness.dataFolder);
    TUniqueHandle locked(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked.Valid());
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const LogLine unread{2, "The snapshot of 'HKCU\\" + key.Path() +
                                "' key could not be read whole: what it holds is restored, and nothing is deleted."};
    ASSERT_NE(std::find(harness.lines.begin(), harness.lines.end(), unread), harness.lines.end())
        << "the file was read in spite of the lock";

    // Released: the next change is rolled back in full, an added value deleted too.
    locked.Reset();
    const size_t from = harness.lines.size();
    test_support::SetValue(key.Path(), "s", Sz("changed"));
    test_support::SetValue(key.Path(), "added", Sz("planted"));
    EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path()) == before; }));
    harness.PumpFor(150);
    EXPECT_EQ(std::find(harness.lines.begin() + static_cast<long>(from), harness.lines.end(), unread),
              harness.lines.end());
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
    // Waiting for it costs nothing: the parent's watch sees the key come
    // back, so nothing wakes the monitor meanwhile.
    const unsigned wakes = harness.counters->Wakes;
    harness.PumpFor(1500);
    EXPECT_EQ(harness.counters->Wakes - wakes, 0u) << "the monitor woke while nothing changed";

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
    // A folder in the snapshot file's place: none can be written or read.
    const String file = GetSnapshotFileName(guard, harness.dataFolder);
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const size_t from = harness.lines.size();
    test_support::SetValue(key.Path(), "added", Sz("stays"));
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.lines.size() > from; }));
    harness.PumpFor(200);
    EXPECT_EQ(harness.lines[from].level, 2);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["added"], Sz("stays"));
    HKEY other = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_CONFIG, key.Path().c_str(), 0, KEY_READ, &other), ERROR_SUCCESS)
        << "a key was made under another root";
    EXPECT_TRUE(harness.Stop());
    RemoveDirectoryA(file.c_str());
}

TEST(RegistryMonitor, ASnapshotIsHeldWhileTheMonitorRunsAndReadAgainByTheNext)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    TFreezeList guards;
    const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const auto s = [&] { return test_support::Dump(key.Path())[""]["s"]; };
    const auto revoked = [&](const char* change, const char* expected) {
        test_support::SetValue(key.Path(), "s", Sz(change));
        return harness.PumpUntil([&] { return s() == Sz(expected); });
    };
    EXPECT_TRUE(revoked("evil", "text"));  // the snapshot is read

    // Another snapshot written to the file behind the running monitor's back
    // (the guard left alone meanwhile): it goes on with the one it holds.
    harness.inactive.insert(guard->Id);
    const int queried = harness.queries;
    test_support::SetValue(key.Path(), "s", Sz("other"));
    {
        TRegistryShapshoot other;
        ASSERT_TRUE(TakeGuardSnapshot(other, *guard, harness.dataFolder));
    }
    // The monitor has seen the change and been told the guard is left alone.
    ASSERT_TRUE(harness.PumpUntil([&] { return harness.queries > queried; }));
    harness.PumpFor(100);
    harness.inactive.clear();
    EXPECT_TRUE(revoked("evil", "text")) << "the held snapshot";

    // The next monitor reads the file.
    ASSERT_TRUE(harness.Stop());
    harness.started = false;
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    EXPECT_TRUE(harness.PumpUntil([&] { return s() == Sz("other"); })) << "the file's snapshot";
    EXPECT_TRUE(revoked("evil", "other"));
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

TEST(RegistryMonitor, AnUnansweredQuestionNeitherAcceptsNorRollsBack)
{
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    test_support::SetValue(key.Path(), "v", Sz("good"));
    MonitorHarness harness;
    TFreezeList guards;
    TSingleFreeze* keyGuard = AddGuard(guards, key.Sub("sub"), gkKey, grAsk);
    keyGuard->DisplayName = "Key guard";
    TSingleFreeze* valueGuard = AddGuard(guards, key.Path(), gkValue, grAsk, "v");
    valueGuard->DisplayName = "Value guard";
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const auto unanswered = [](const std::string& name) {
        return LogLine{2, "The question about the '" + name +
                              "' guard got no answer: the changes are neither accepted nor rolled back. "
                              "It is asked again at the next change."};
    };

    // Key guard: the alert program gave no answer (with a stray always-forbid flag).
    harness.answers->Answer(acNoAnswer, true);
    test_support::SetValue(key.Sub("sub"), "inner", Sz("changed"));
    ASSERT_TRUE(harness.PumpUntil([&] {
        return std::find(harness.lines.begin(), harness.lines.end(), unanswered("Key guard")) != harness.lines.end();
    }));
    harness.PumpFor(300);
    EXPECT_EQ(test_support::Dump(key.Sub("sub"))[""]["inner"], Sz("changed")) << "not rolled back";
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *keyGuard, harness.dataFolder));
    EXPECT_EQ(snapshot.FindValue("inner")->AsText(), "deep") << "not accepted";
    EXPECT_TRUE(harness.reactions.empty()) << "no answer switches nothing";
    EXPECT_EQ(harness.answers->Asked().size(), 1u) << "not asked again at once";

    // Watched again: the next change asks again, and this answer is carried out.
    harness.answers->Answer(acRestore);
    test_support::SetValue(key.Sub("sub"), "other", Sz("x"));
    // The rollback writes the snapshot's values, then deletes what it lacks:
    // wait for the whole of it.
    ASSERT_TRUE(harness.PumpUntil([&] {
        auto values = test_support::Dump(key.Sub("sub"))[""];
        return values.count("inner") && values["inner"] == Sz("deep") && !values.count("other");
    }));
    EXPECT_EQ(harness.answers->Asked().size(), 2u);

    // Value guard: the same.
    harness.answers->Answer(acNoAnswer);
    test_support::SetValue(key.Path(), "v", Sz("bad"));
    ASSERT_TRUE(harness.PumpUntil([&] {
        return std::find(harness.lines.begin(), harness.lines.end(), unanswered("Value guard")) != harness.lines.end();
    }));
    harness.PumpFor(300);
    EXPECT_EQ(test_support::Dump(key.Path())[""]["v"], Sz("bad"));
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *valueGuard, harness.dataFolder));
    EXPECT_EQ(snapshot.FindValue("v")->AsText(), "good");
    EXPECT_EQ(harness.answers->Asked().size(), 3u);
}

namespace {

// Answers "accept" to every question; first, when told to, it takes the
// place of the guard's snapshot file with a folder, so the snapshot of the
// accepted state can't be written.
class AcceptWithSnapshotBlocked : public TQuestionSink {
public:
    AcceptWithSnapshotBlocked(const String& snapshotFile, bool block) : file_(snapshotFile), block_(block) {}
    TUniqueHandle Ask(const TGuardQuestion& question) override
    {
        if (block_) {
            DeleteFileA(file_.c_str());
            CreateDirectoryA(file_.c_str(), nullptr);
        }
        PostThreadMessageA(question.MonitorThreadId, WM_GUARD_ANSWER, acAccept, static_cast<LPARAM>(question.GuardId));
        return TUniqueHandle();
    }

private:
    String file_;
    bool block_;
};

// The real hand-over to the alert program, keeping a handle of each thread
// that asks.
class RecordingAlertSink : public TQuestionSink {
public:
    explicit RecordingAlertSink(const std::string& program) : inner_(program) {}
    TUniqueHandle Ask(const TGuardQuestion& question) override
    {
        TUniqueHandle asking = inner_.Ask(question);
        HANDLE copy = nullptr;
        DuplicateHandle(GetCurrentProcess(), asking.Get(), GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
        const std::lock_guard<std::mutex> hold(lock_);
        threads_.emplace_back(copy);
        return asking;
    }
    size_t Count()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return threads_.size();
    }
    bool Ended(size_t question)
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return WaitForSingleObject(threads_.at(question).Get(), 0) == WAIT_OBJECT_0;
    }

private:
    TAlertQuestionSink inner_;
    std::mutex lock_;
    std::vector<TUniqueHandle> threads_;
};

}  // namespace

TEST(RegistryMonitor, ASnapshotIsCalledVerifiedOrUpdatedOnlyWhenWritten)
{
    // Arming: a missing snapshot that can't be written is not verified.
    {
        test_support::TestKey key;
        test_support::Plant(key.Path(), kTree);
        MonitorHarness harness;
        TFreezeList guards;
        const TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grRevoke);
        ASSERT_TRUE(CreateDirectoryA(GetSnapshotFileName(guard, harness.dataFolder).c_str(), nullptr));
        harness.Start(guards);
        ASSERT_TRUE(harness.WaitStarted());
        const std::string keyText = "HKCU\\" + key.Path();
        EXPECT_EQ(harness.lines,
                  (std::vector<LogLine>{
                      {0, "Checking snapshot for key '" + keyText + "'..."},
                      {2, "The snapshot for key '" + keyText + "' does not exist. Creating it..."},
                      {2, "The snapshot for key '" + keyText + "' could not be written: changes can't be put back until it is."},
                      // The first check's revoke has nothing to restore from.
                      {2, "The snapshot of '" + keyText + "' key could not be read whole: what it holds is restored, and nothing is deleted."},
                  }));
        EXPECT_EQ(test_support::Dump(key.Path())[""]["s"], Sz("text")) << "nothing was touched";
    }
    // An accepted change, with the snapshot's place free or taken when the answer comes.
    const struct {
        const char* what;
        std::uint8_t kind;
        bool blocked;
        std::vector<LogLine> expected;  // "%k" stands for the key's text
    } cases[] = {
        {"key guard", gkKey, false,
         {{2, "Changes in '%k' key are found..."},
          {0, "Updating snapshot for '%k' key..."},
          {1, "Snapshot for '%k' key is updated."}}},
        {"key guard, snapshot not written", gkKey, true,
         {{2, "Changes in '%k' key are found..."},
          {0, "Updating snapshot for '%k' key..."},
          {2, "The snapshot for '%k' key could not be updated: the old one stays."}}},
        {"value guard", gkValue, false,
         {{2, "Changes for '%k' key in 's' value are found."},
          {0, "Updating snapshot for '%k' key and his value 's'..."},
          {1, "Snapshot for value 's' in '%k' key is updated."}}},
        {"value guard, snapshot not written", gkValue, true,
         {{2, "Changes for '%k' key in 's' value are found."},
          {0, "Updating snapshot for '%k' key and his value 's'..."},
          {2, "The snapshot for value 's' in '%k' key could not be updated: the old one stays."}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TestKey key;
        test_support::Plant(key.Path(), kTree);
        MonitorHarness harness;
        TFreezeList guards;
        TSingleFreeze* guard = AddGuard(guards, key.Path(), c.kind, grAsk, c.kind == gkValue ? "s" : "");
        guard->AutoUpdate = true;
        const String file = GetSnapshotFileName(guard, harness.dataFolder);
        harness.sink = std::make_shared<AcceptWithSnapshotBlocked>(file, c.blocked);
        harness.Start(guards);
        ASSERT_TRUE(harness.WaitStarted());
        const size_t armed = harness.lines.size();
        test_support::SetValue(key.Path(), "s", Sz("accepted"));
        ASSERT_TRUE(harness.PumpUntil([&] { return harness.lines.size() >= armed + c.expected.size(); }));
        harness.PumpFor(200);  // nothing more arrives
        std::vector<LogLine> expected = c.expected;
        for (LogLine& l : expected)
            l.text = StringReplace(l.text, "%k", "HKCU\\" + key.Path(), rfReplaceAll);
        EXPECT_EQ(harness.LinesFrom(armed), expected);
        TRegistryShapshoot snapshot;
        EXPECT_EQ(LoadGuardSnapshot(snapshot, *guard, harness.dataFolder), !c.blocked);
        if (!c.blocked) {
            EXPECT_EQ(snapshot.FindValue("s")->AsText(), "accepted");
        }
        EXPECT_TRUE(harness.Stop());
        RemoveDirectoryA(file.c_str());
    }
}

TEST(RegistryMonitor, AQuestionOpenWhenTheMonitorStopsIsAskedAgainByTheNext)
{
    // The alert would accept much later; the stop closes it unanswered, and
    // the next monitor asks again and carries out that answer.
    test_support::ScriptedFakeAlert alert("late 20000 6 0");
    test_support::TestKey key;
    test_support::Plant(key.Path(), kTree);
    MonitorHarness harness;
    auto questions = std::make_shared<RecordingAlertSink>(test_support::FakeAlertProgram());
    harness.sink = questions;
    TFreezeList guards;
    TSingleFreeze* guard = AddGuard(guards, key.Path(), gkKey, grAsk);
    const std::string requestId = GuardRequestId(guard->Id);
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    const RegTree before = test_support::Dump(key.Path());
    test_support::SetValue(key.Path(), "s", Sz("changed"));
    ASSERT_TRUE(harness.PumpUntil([&] { return !alert.Dump(requestId).empty(); }, 20000)) << "no alert came up";
    ASSERT_EQ(questions->Count(), 1u);

    ASSERT_TRUE(harness.Stop());
    EXPECT_TRUE(questions->Ended(0)) << "the question's thread outlived its monitor";
    EXPECT_EQ(test_support::Dump(key.Path())[""]["s"], Sz("changed")) << "neither rolled back";
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *guard, harness.dataFolder));
    EXPECT_EQ(snapshot.FindValue("s")->AsText(), "text") << "nor accepted";

    alert.Answer("7 0");  // the next alert says No: roll back
    harness.started = false;
    harness.Start(guards);
    ASSERT_TRUE(harness.WaitStarted());
    EXPECT_TRUE(harness.PumpUntil([&] { return test_support::Dump(key.Path()) == before; }, 20000));
    EXPECT_EQ(questions->Count(), 2u);
    ASSERT_TRUE(LoadGuardSnapshot(snapshot, *guard, harness.dataFolder));
    EXPECT_EQ(snapshot.FindValue("s")->AsText(), "text");
}
