// The registry key scanner on the real registry: keys planted under each
// root are found as their definitions name them, definitions a stored
// database may hold but that must never be searched find nothing, the
// search creates nothing, and the fix removes each deep tree whole, leaves a
// key gone since the scan without a word and never deletes a key that must
// stay. Wine's reg.exe is the peer that tells what is left.
#include "scanner/registry_key_search.h"

#include <windows.h>

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "scanner/record_io.h"
#include "scanner/search.h"
#include "scanner/search_services.h"
#include "support/registry_fixture.h"

namespace {

// A key below HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT as
// Wine's reg.exe sees it (HKCR is HKLM\Software\Classes here).
bool RegSeesKey(TRootKey root, const String& path)
{
    const String prefix = root == kClassesRoot ? "HKLM\\Software\\Classes\\" : RootKeyPrefix(root);
    return test_support::QueryKeyWithReg(prefix + path).exists;
}

// A record as a stored database holds it: appended before the rules of
// today, or damaged.
void LoadStoredRecord(TSearchInterface& scanner, std::uint32_t rootIndex, const String& text)
{
    TMemoryStream record;
    ASSERT_TRUE(WriteUInt32(record, rootIndex) && WriteRecordString(record, text));
    record.SetPosition(0);
    ASSERT_TRUE(scanner.LoadRecord(record));
}

}  // namespace

TEST(RegKeySearch, FindsEachPlantedKeyAndRemovesItsTree)
{
    const test_support::TestKey testKey;
    const String base = testKey.Path();
    const String machine = "Software\\TalmorisTest_RegKeySearch";
    const String classKey = "TalmorisTest_RegKeySearch.Spy";
    // Keys of the test's own under the other roots, removed before and after.
    struct TCleanUp {
        std::vector<std::pair<HKEY, String>> keys;
        void Run()
        {
            for (const auto& [root, path] : keys)
                test_support::DeleteTreeIn(root, path);
        }
        ~TCleanUp() { Run(); }
    } cleanUp{{{HKEY_LOCAL_MACHINE, machine}, {HKEY_CLASSES_ROOT, classKey}, {HKEY_LOCAL_MACHINE, base}}};
    cleanUp.Run();

    // A deep tree with values on the way down.
    test_support::RegTree deepTree;
    String level = "";
    for (const char* name : {"Settings", "Modules", "Update", "Channels", "Beta", "Cache", "Parts", "Last"}) {
        level = level.empty() ? String(name) : level + "\\" + name;
        deepTree[level] = {{"Level", test_support::Sz(level)}, {"Count", test_support::Dword(7)}};
    }
    deepTree["Settings\\Side"] = {{"", test_support::Sz("default value")}};
    test_support::Plant(testKey.Sub("Spy"), deepTree);

    enum class TOutcome { Removed, Vanished, NotFound };
    const struct {
        TRootKey root;
        String definition;  // the root's long name, "=", the key path, "=", the description key
        String planted;     // the key made before the search; "" makes none
        String path;        // the path looked at, and the item's
        String description;
        TOutcome outcome;
    } cases[] = {
        {kCurrentUser, "HKEY_CURRENT_USER=" + base + "\\Spy=TalmorisTest spy", base + "\\Spy", base + "\\Spy",
         "TalmorisTest spy", TOutcome::Removed},
        // The root name in any letter case; the key path as the definition gives it.
        {kLocalMachine, "hkey_local_machine=" + LowerCase(machine) + "\\SPY=Machine spy", machine + "\\Spy",
         LowerCase(machine) + "\\SPY", "Machine spy", TOutcome::Removed},
        {kClassesRoot, "HKEY_CLASSES_ROOT=" + classKey + "=Class spy", classKey, classKey, "Class spy",
         TOutcome::Removed},
        // The same path under a second root takes the description of the first.
        {kLocalMachine, "HKEY_LOCAL_MACHINE=" + base + "\\Twice=First twice", base + "\\Twice", base + "\\Twice",
         "First twice", TOutcome::Removed},
        {kCurrentUser, "HKEY_CURRENT_USER=" + base + "\\Twice=Second twice", base + "\\Twice", base + "\\Twice",
         "First twice", TOutcome::Removed},
        // Removed by someone else between the scan and the fix.
        {kCurrentUser, "HKEY_CURRENT_USER=" + base + "\\Vanishing=Vanishing spy", base + "\\Vanishing",
         base + "\\Vanishing", "Vanishing spy", TOutcome::Vanished},
        {kCurrentUser, "HKEY_CURRENT_USER=" + base + "\\Absent=Absent spy", "", base + "\\Absent", "",
         TOutcome::NotFound},
    };
    for (const auto& c : cases)
        if (!c.planted.empty() && c.planted != base + "\\Spy")
            test_support::SetValueIn(RootKeyHandleOf(c.root), c.planted, "Planted", test_support::Sz("spyware"));

    TSearch search{TSearchTexts()};
    TRegKeySearch& scanner = search.AddScanner<TRegKeySearch>();
    for (const auto& c : cases)
        ASSERT_TRUE(search.AddDefinition("KEY:" + c.definition)) << c.definition;
    // What a stored database may hold that is never searched: a key the
    // system needs (it exists, so a search would find it) and a root
    // outside the table.
    LoadStoredRecord(scanner, 1, "Software\\Microsoft\\Windows\\CurrentVersion\\Run=Run key");
    LoadStoredRecord(scanner, 1, "Software=Everything");
    LoadStoredRecord(scanner, 9, base + "\\Spy=Unknown root");
    ASSERT_EQ(scanner.Count(), static_cast<int>(std::size(cases)) + 3);

    std::vector<String> fixing, errors;
    std::vector<String> statusPaths;
    int scanned = 0;
    search.OnFixing = [&](TSearchResultInterface&, const String& text) {
        fixing.push_back(text);
        return true;
    };
    search.OnError = [&](TSearchResultInterface&, const String& text) { errors.push_back(text); };
    search.OnStatus = [&](const String&, const String& path) { statusPaths.push_back(path); };
    search.OnObjectScanned = [&] { ++scanned; };
    search.Search();

    std::vector<String> expectedStatus{""}, expectedFixing;
    std::vector<const TSearchResultInterface*> found;
    for (int i = 0; i < scanner.ResultCount(); ++i)
        found.push_back(scanner.Result(i));
    size_t next = 0;
    for (const auto& c : cases) {
        expectedStatus.push_back(RootKeyPrefix(c.root) + c.path);
        if (c.outcome == TOutcome::NotFound)
            continue;
        ASSERT_LT(next, found.size()) << c.definition;
        const TSearchResultInterface& item = *found[next++];
        EXPECT_EQ(item.Path, c.path);
        EXPECT_EQ(item.RootKey, c.root);
        EXPECT_EQ(item.Description, c.description);
        EXPECT_EQ(item.Name, c.description);
        EXPECT_EQ(item.Kind, ikRegistryKey);
        EXPECT_EQ(item.Category, icRegistryKey);
        if (c.outcome == TOutcome::Removed)
            expectedFixing.push_back(RootKeyPrefix(c.root) + c.path);
    }
    // Stop here rather than fix a key the system needs.
    ASSERT_EQ(next, found.size()) << "nothing else is found";
    EXPECT_EQ(statusPaths, expectedStatus);
    EXPECT_EQ(scanned, static_cast<int>(std::size(cases)));
    EXPECT_FALSE(KeyExists(kCurrentUser, base + "\\Absent")) << "a search creates nothing";

    test_support::DeleteTree(base + "\\Vanishing");
    for (int i = 0; i < scanner.ResultCount(); ++i)
        scanner.Result(i)->Checked = true;
    search.RemoveChecked();

    EXPECT_EQ(fixing, expectedFixing);
    EXPECT_EQ(errors, std::vector<String>());
    ASSERT_EQ(scanner.ResultCount(), 1);
    EXPECT_EQ(scanner.Result(0)->Path, base + "\\Vanishing") << "stays, without a message";
    for (const auto& c : cases) {
        if (c.outcome == TOutcome::Removed) {
            EXPECT_FALSE(RegSeesKey(c.root, c.planted)) << c.definition;
        }
    }
    EXPECT_EQ(test_support::Dump(base), (test_support::RegTree{{"", {}}})) << "the deep tree went whole";
    EXPECT_TRUE(RegSeesKey(kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
}

// The fix asks again whether a key may go: an item that names one that must
// stay (here an empty component, which the system might read as the planted
// key) is not touched, and nothing is said about it.
TEST(RegKeySearch, FixNeverDeletesAKeyThatMustStay)
{
    const test_support::TestKey testKey;
    test_support::CreateKey(testKey.Sub("Spy"));
    TSearch search{TSearchTexts()};
    TRegKeySearch& scanner = search.AddScanner<TRegKeySearch>();
    ASSERT_TRUE(search.AddDefinition("KEY:HKEY_CURRENT_USER=" + testKey.Sub("Spy") + "=spy"));
    search.Search();
    ASSERT_EQ(scanner.ResultCount(), 1);
    scanner.Result(0)->Path = testKey.Path() + "\\\\Spy";
    scanner.Result(0)->Checked = true;
    int events = 0;
    search.OnFixing = [&](TSearchResultInterface&, const String&) { return ++events, true; };
    search.OnError = [&](TSearchResultInterface&, const String&) { ++events; };
    search.RemoveChecked();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(scanner.ResultCount(), 1);
    EXPECT_TRUE(RegSeesKey(kCurrentUser, testKey.Sub("Spy")));
}
