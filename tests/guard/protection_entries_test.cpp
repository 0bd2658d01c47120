// The baseline lines of a file protection and how a folder's new listing is
// turned into questions.
#include <gtest/gtest.h>

#include "guard/protection_entries.h"

namespace {

String File(const String& path) { return EntryLine(path, false); }
String Folder(const String& path) { return EntryLine(path, true); }

}  // namespace

TEST(ProtectionEntries, LinesAreHeldOnceAndFoundByKey)
{
    EXPECT_EQ(EntryLine("C:\\dir\\file.txt", false), EntryKey("C:\\dir\\file.txt") + "=C:\\dir\\file.txt");
    EXPECT_EQ(EntryKey("abc"), "900150983cd24fb0d6963f7d28e17f72");  // MD5 of the path
    TEntry entry;
    ASSERT_TRUE(SplitEntryLine(Folder("C:\\dir\\sub"), entry));
    EXPECT_TRUE(entry.Folder);
    EXPECT_EQ(entry.Path, "C:\\dir\\sub");
    EXPECT_FALSE(SplitEntryLine("no equals sign", entry));

    TProtectionEntries entries;
    EXPECT_TRUE(entries.Add(File("C:\\a")));
    EXPECT_FALSE(entries.Add(File("C:\\a")));
    entries.Add(Folder("C:\\b"));
    entries.Add("k=");  // an empty path stays whatever is pruned
    EXPECT_EQ(entries.Count(), 3);
    EXPECT_EQ(entries.LineForKey(EntryKey("C:\\b")), Folder("C:\\b"));
    EXPECT_EQ(entries.LineForKey(EntryKey("C:\\none")), "");
    EXPECT_EQ(entries.RemoveIf([](const TEntry&) { return true; }), 2);
    EXPECT_EQ(entries.Lines(), std::vector<String>{"k="});
    EXPECT_FALSE(entries.HasKey(EntryKey("C:\\a")));
    entries.Add(File("C:\\a"));
    entries.RemoveKey(EntryKey("C:\\a"));
    EXPECT_FALSE(entries.HasLine(File("C:\\a")));
}

TEST(ProtectionEntries, NewItemsOfAFolderListing)
{
    struct Case {
        const char* name;
        std::vector<String> known, pending, listing;
        std::vector<TNewFolderItem> expected;
    };
    const String g = "C:\\g\\";
    const std::vector<Case> cases = {
        {"known items ask nothing", {File(g + "a"), Folder(g + "d")}, {}, {File(g + "a"), Folder(g + "d")}, {}},
        {"a new file", {File(g + "a")}, {}, {File(g + "a"), File(g + "b")}, {{File(g + "b"), {}}}},
        {"a pending line is not asked twice", {}, {File(g + "b")}, {File(g + "b")}, {}},
        {"a new folder goes with what it holds, nested folders included",
         {},
         {},
         {Folder(g + "n"), File(g + "n\\1"), Folder(g + "n\\m"), File(g + "n\\m\\2")},
         {{Folder(g + "n"), {File(g + "n\\1"), Folder(g + "n\\m"), File(g + "n\\m\\2")}}}},
        {"the listing's order does not matter", {}, {}, {File(g + "n\\1"), Folder(g + "n")}, {{Folder(g + "n"), {File(g + "n\\1")}}}},
        {"a new item in a known folder is its own question",
         {Folder(g + "d")},
         {},
         {Folder(g + "d"), File(g + "d\\new")},
         {{File(g + "d\\new"), {}}}},
        {"items in a pending folder wait for its answer", {}, {Folder(g + "p")}, {Folder(g + "p"), File(g + "p\\x"), File(g + "P\\y")}, {}},
        {"a folder matches ignoring letter case", {}, {}, {Folder(g + "N"), File(g + "n\\1")}, {{Folder(g + "N"), {File(g + "n\\1")}}}},
    };
    for (const Case& c : cases) {
        TProtectionEntries entries;
        for (const String& line : c.known)
            entries.Add(line);
        const std::vector<TNewFolderItem> items = FindNewFolderItems(c.listing, entries, c.pending);
        ASSERT_EQ(items.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].Line, c.expected[i].Line) << c.name;
            EXPECT_EQ(items[i].Inside, c.expected[i].Inside) << c.name;
        }
    }
}
