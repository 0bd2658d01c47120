#include "classlib/string_list.h"

#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "support/test_support.h"

namespace {

std::vector<String> Lines(const TStringList& list)
{
    std::vector<String> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

TStringList SortedIgnoringDuplicates()
{
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(TDuplicates::dupIgnore);
    return list;
}

}  // namespace

TEST(StringList, SortedListIgnoresDuplicatesCaseInsensitively)
{
    TStringList list = SortedIgnoringDuplicates();
    EXPECT_EQ(list.Add("b=2"), 0);
    EXPECT_EQ(list.Add("A=1"), 0);
    EXPECT_EQ(list.Add("a=1"), 0);  // equal as a whole, ignoring case: dropped
    list.Add("c");
    EXPECT_EQ(Lines(list), (std::vector<String>{"A=1", "b=2", "c"}));
    EXPECT_EQ(list.IndexOf("B=2"), 1);
    EXPECT_EQ(list.IndexOf("d"), -1);

    list.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(list.Add("C"), EStringListError);
    list.SetDuplicates(TDuplicates::dupAccept);
    list.Add("C");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
}

TEST(StringList, UnsortedListKeepsOrderAndAcceptsDuplicates)
{
    TStringList list;
    list.Add("z");
    list.Add("a");
    list.Add("z");
    list.Insert(1, "m");
    EXPECT_EQ(Lines(list), (std::vector<String>{"z", "m", "a", "z"}));
    EXPECT_EQ(list.IndexOf("Z"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("Z"), -1);
    list.Delete(0);
    EXPECT_EQ(list[0], "m");
    EXPECT_THROW(list.Delete(3), EStringListError);
    EXPECT_THROW(list.Strings(-1), EStringListError);
}

TEST(StringList, NamesAndValuesSplitAtTheFirstEquals)
{
    TStringList list;
    list.SetText("Caption=a=b\r\nnovalue\r\n=empty name\r\nkey=\r\nKEY=second\r\n");
    EXPECT_EQ(list.Names(0), "Caption");
    EXPECT_EQ(list.ValueFromIndex(0), "a=b");
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.ValueFromIndex(1), "");
    EXPECT_EQ(list.Values("caption"), "a=b");
    EXPECT_EQ(list.Values("novalue"), "");  // a line without "=" has no name
    EXPECT_EQ(list.IndexOfName("Key"), 3);  // the first line with that name answers
    EXPECT_EQ(list.Values("key"), "");

    list.SetValue("Key", "new");
    EXPECT_EQ(list[3], "Key=new");
    list.SetValue("Key", "");
    EXPECT_EQ(list.Values("key"), "second");
    list.SetValue("added", "1");
    EXPECT_EQ(list[list.Count() - 1], "added=1");
}

TEST(StringList, SortedAndUnsortedListsFindTheSameNames)
{
    const char* lines[] = {"3000=c", "300=b", "30=a", "300=a", "3=x", "300x=y", "a=1", "A=0", "a_b=2", "ab=3", "=e"};
    TStringList unsorted;
    TStringList sorted = SortedIgnoringDuplicates();
    for (const char* line : lines)
        sorted.Add(line);
    for (int i = 0; i < sorted.Count(); ++i)
        unsorted.Add(sorted[i]);  // the same order, searched from the top
    for (const char* name : {"3000", "300", "30", "3", "300x", "a", "A", "a_b", "ab", "", "b", "30=a", "300="}) {
        EXPECT_EQ(sorted.IndexOfName(name), unsorted.IndexOfName(name)) << name;
        EXPECT_EQ(sorted.Values(name), unsorted.Values(name)) << name;
    }
    EXPECT_EQ(sorted.Values("300"), "a");
    EXPECT_EQ(sorted.Values("30=a"), "");
}

TEST(StringList, ObjectsTravelWithTheirLines)
{
    TStringList list = SortedIgnoringDuplicates();
    list.AddObject("b", 2);
    list.AddObject("a", 1);
    EXPECT_EQ(list.Objects(0), 1);
    EXPECT_EQ(list.Objects(1), 2);
    list.SetObject(1, 20);
    EXPECT_EQ(list.Objects(1), 20);
}

TEST(StringList, TextSplitsAtAnyLineEndAndStopsAtNul)
{
    struct Case {
        String text;
        std::vector<String> lines;
    } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\n", {""}},
        {"", {}},
        {String("a\nb\0c\nd", 7), {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(Lines(list), c.lines);
    }
}

TEST(StringList, FilesLoadAnyLineEndAndSaveWithCrLf)
{
    test_support::TempFolder folder;
    const String file = folder.File("list.txt");
    test_support::WriteAll(file, "one\ntwo\r\nthree");
    TStringList list;
    list.LoadFromFile(file);
    EXPECT_EQ(Lines(list), (std::vector<String>{"one", "two", "three"}));
    list.Add("four");
    list.SaveToFile(file);
    const auto bytes = test_support::ReadAll(file);
    EXPECT_EQ(String(bytes.begin(), bytes.end()), "one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_THROW(list.LoadFromFile(folder.File("missing.txt")), EFOpenError);
}
