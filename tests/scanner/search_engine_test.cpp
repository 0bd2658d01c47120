// The scan engine with scripted scanners: the steps in tag order with their
// status lines, cancelling, the duplicate screen, the removal run with its
// refusals and delayed removals, and the engine's translated texts.
#include <gtest/gtest.h>

#include "guard/interface_translator.h"
#include "support/definitions_builder.h"
#include "support/test_support.h"
#include "test_scanners.h"

using test_support::TFixOutcome;
using test_support::TScriptedEngine;
using test_support::TScriptedItem;
using test_support::TScriptedScanner;

TEST(SearchEngine, RunsTheScannersInTagOrderWithTheirStepLines)
{
    TScriptedEngine scripted;
    std::vector<std::string> lines;
    int done = 0;
    scripted.engine.OnStatus = [&](const String& text, const String&) { lines.push_back(text); };
    scripted.engine.OnDone = [&] { ++done; };
    scripted.engine.Search();
    EXPECT_EQ(lines, (std::vector<std::string>{"Step 1 of 7. scanning 0BH", "Step 2 of 7. scanning APR",
                                               "Step 3 of 7. scanning BHO", "Step 4 of 7. scanning FIL",
                                               "Step 5 of 7. scanning KEY", "Step 6 of 7. scanning KLF",
                                               "Step 7 of 7. scanning RUN"}));
    EXPECT_EQ(done, 1);

    // Without a status handler the steps still count.
    scripted.engine.OnStatus = nullptr;
    scripted.engine.Search();
    EXPECT_EQ(scripted.engine.Step(), 7u);
}

TEST(SearchEngine, CancellingStopsBetweenScannersAndStillEnds)
{
    for (int allowed : {0, 3}) {
        SCOPED_TRACE(allowed);
        TScriptedEngine scripted;
        scripted["0BH"].items = {{ikFile, kNoRootKey, "C:\\spy.exe", "spy.exe"}};
        int asked = 0, done = 0, found = 0;
        scripted.engine.OnQueryCancel = [&](bool& cancel) { cancel = asked++ >= allowed; };
        scripted.engine.OnDone = [&] { ++done; };
        scripted.engine.OnFound = [&](TSearchResultInterface&) { ++found; };
        scripted.engine.Search();
        int searched = 0;
        for (auto& [tag, scanner] : scripted.scanners)
            searched += scanner->searches;
        EXPECT_EQ(searched, allowed);
        EXPECT_EQ(scripted.engine.Step(), static_cast<unsigned>(allowed));
        EXPECT_EQ(done, 1);
        EXPECT_EQ(found, allowed > 0 ? 1 : 0);
    }
}

TEST(SearchEngine, DuplicateScreenComparesWithEveryItemUnderThePath)
{
    const TRootKey hklm = kLocalMachine, hkcu = kCurrentUser;
    const struct {
        const char* name;
        std::vector<TScriptedItem> items;  // all found by one scanner, in order
        std::vector<bool> accepted;
    } cases[] = {
        {"two values of one key", {{ikRegistryValue, hklm, "Software\\Run", "a"}, {ikRegistryValue, hklm, "Software\\Run", "b"}},
         {true, true}},
        {"the same value again, other case", {{ikRegistryValue, hklm, "Software\\Run", "a"}, {ikAutorunValue, hklm, "SOFTWARE\\RUN", "A"}},
         {true, false}},
        {"the same value under another root", {{ikRegistryValue, hklm, "Software\\Run", "a"}, {ikRegistryValue, hkcu, "Software\\Run", "a"}},
         {true, true}},
        {"a key after a value of it", {{ikRegistryValue, hklm, "Software\\Spy", "a"}, {ikRegistryKey, hklm, "Software\\Spy", "id"}},
         {true, false}},
        {"a key under another root", {{ikRegistryValue, hklm, "Software\\Spy", "a"}, {ikRegistryKey, hkcu, "Software\\Spy", "id"}},
         {true, true}},
        {"a value repeated after another value of its key",
         {{ikRegistryValue, hklm, "Software\\Run", "a"}, {ikRegistryValue, hklm, "Software\\Run", "b"},
          {ikRegistryValue, hklm, "Software\\Run", "a"}},
         {true, true, false}},
        {"a key repeated after a key of another root",
         {{ikRegistryKey, hklm, "CLSID\\{x}", "x"}, {ikRegistryKey, hkcu, "CLSID\\{x}", "x"}, {ikRegistryKey, hklm, "clsid\\{X}", "x"}},
         {true, true, false}},
        {"one file in two letter cases", {{ikFile, kNoRootKey, "C:\\Spy\\a.exe", "a.exe"}, {ikFile, kNoRootKey, "c:\\spy\\A.EXE", "a.exe"}},
         {true, false}},
        {"a process after anything of its path", {{ikFile, kNoRootKey, "spy.exe", "spy.exe"}, {ikProcess, kNoRootKey, "spy.exe", "spy.exe"}},
         {true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedEngine scripted;
        scripted["FIL"].items = c.items;
        std::vector<String> found;
        scripted.engine.OnFound = [&](TSearchResultInterface& item) { found.push_back(item.Path + "|" + item.Name); };
        scripted.engine.Search();

        std::vector<String> expected;
        for (size_t i = 0; i < c.items.size(); ++i)
            if (c.accepted[i])
                expected.push_back(c.items[i].path + "|" + c.items[i].name);
        EXPECT_EQ(found, expected);
        // A refused item is freed at once: only accepted ones are results.
        ASSERT_EQ(scripted["FIL"].ResultCount(), static_cast<int>(expected.size()));
        for (int i = 0; i < scripted["FIL"].ResultCount(); ++i)
            EXPECT_EQ(scripted["FIL"].Result(i)->Owner, &scripted["FIL"]);
    }
}

TEST(SearchEngine, ItemsAreDescribedByTheirDescriptionOrTheirName)
{
    test_support::TempFolder folder;
    test_support::WriteDefinitions(test_support::BuildDefinitions("descr Spy Tool|spy.exe = A spy."), folder.Path());
    TScriptedEngine scripted;
    ASSERT_TRUE(scripted.engine.LoadDatabase(folder.File("spyware.db")));
    scripted["APR"].items = {{ikProcess, kNoRootKey, "a.exe", "a.exe", "spy tool"},
                             {ikProcess, kNoRootKey, "spy.exe", "spy.exe", "Unknown thing"},
                             {ikProcess, kNoRootKey, "c.exe", "c.exe", "c"}};
    scripted.engine.Search();
    ASSERT_EQ(scripted["APR"].ResultCount(), 3);
    EXPECT_TRUE(scripted["APR"].Result(0)->Described);
    EXPECT_TRUE(scripted["APR"].Result(1)->Described);
    EXPECT_FALSE(scripted["APR"].Result(2)->Described);
}

TEST(SearchEngine, RemovalKeepsWhatFailedOrCouldNotBeQuarantined)
{
    TScriptedEngine scripted;
    scripted["KLF"].items = {{ikFile, kNoRootKey, "C:\\a.exe", "a", "", TFixOutcome::Removed},
                             {ikFile, kNoRootKey, "C:\\b.exe", "b", "", TFixOutcome::Failed},
                             {ikFile, kNoRootKey, "C:\\c.exe", "c", "", TFixOutcome::Removed},
                             {ikFile, kNoRootKey, "C:\\d.exe", "d", "", TFixOutcome::Removed},
                             {ikFile, kNoRootKey, "C:\\e.exe", "e", "", TFixOutcome::Delayed},
                             {ikFile, kNoRootKey, "C:\\f.exe", "f", "", TFixOutcome::Removed}};
    scripted.engine.Search();
    TScriptedScanner& klf = scripted["KLF"];
    for (int i = 0; i < klf.ResultCount(); ++i)
        klf.Result(i)->Checked = klf.Result(i)->Name != "f";

    std::vector<std::string> events;
    scripted.engine.OnFixing = [&](TSearchResultInterface& item, const String& text) {
        events.push_back("fixing " + text);
        return item.Name != "c";  // no quarantine copy of c could be made
    };
    scripted.engine.OnError = [&](TSearchResultInterface&, const String& text) { events.push_back("error " + text); };
    scripted.engine.OnRemovalDelayed = [&](TSearchResultInterface&, const String& text) {
        events.push_back("delayed " + text);
    };
    scripted.engine.RemoveChecked();

    EXPECT_EQ(events, (std::vector<std::string>{
                          "fixing C:\\a.exe", "fixing C:\\b.exe", "error failed C:\\b.exe", "fixing C:\\c.exe",
                          "error Unable to keep a quarantine copy of 'C:\\c.exe'! It was not removed.",
                          "fixing C:\\d.exe", "fixing C:\\e.exe", "delayed at restart C:\\e.exe"}));
    std::vector<std::string> left;
    for (int i = 0; i < klf.ResultCount(); ++i)
        left.push_back(klf.Result(i)->Name);
    EXPECT_EQ(left, (std::vector<std::string>{"b", "c", "f"}));
    for (auto& [tag, scanner] : scripted.scanners)
        EXPECT_EQ(scanner->fixes, 1) << tag;
    EXPECT_EQ(scripted.engine.Step(), 7u);  // a removal leaves the step counter alone
}

TEST(SearchEngine, TextsComeFromTheTranslationTable)
{
    const struct {
        const char* table;
        const char* line;
    } cases[] = {
        {"123=Schritt %u von %u: %s\n", "Schritt 1 von 7: scanning 0BH"},
        {"123=%s %s %s %s\n", "Step 1 of 7. scanning 0BH"},  // specifiers that don't fit fall back to English
        {"", "Step 1 of 7. scanning 0BH"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        test_support::TempFolder folder;
        test_support::WriteAll(folder.File("interface.txt"), std::string(c.table));
        TInterfaceTranslator translator;
        translator.LoadFromFile(folder.File("interface.txt"));
        TSearch search{TSearchTexts(translator)};
        search.AddScanner<test_support::TScriptedScanner>("0BH");
        search.AddScanner<test_support::TScriptedScanner>("APR");
        search.AddScanner<test_support::TScriptedScanner>("BHO");
        search.AddScanner<test_support::TScriptedScanner>("FIL");
        search.AddScanner<test_support::TScriptedScanner>("KEY");
        search.AddScanner<test_support::TScriptedScanner>("KLF");
        search.AddScanner<test_support::TScriptedScanner>("RUN");
        std::vector<std::string> lines;
        search.OnStatus = [&](const String& text, const String&) { lines.push_back(text); };
        search.Search();
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[0], c.line);
    }
}
