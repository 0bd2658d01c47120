// The display-name side files: line ends of every kind, the first of two
// lines for one name, lines that name nothing, and a NUL that ends the text.
#include "scanner/names_binding.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

TEST(NamesBinding, BindsNamesAsTheFileSays)
{
    TNamesBinding names;
    names.LoadFromText(String("evil.exe=Evil Dialer\r\nEVIL.EXE=second\rbar.exe=Bar=Toolbar\n"
                              "no separator\n\n=nameless\r\nspy.exe=\r\nafter.exe=Before NUL") +
                       String("\0hidden.exe=Hidden\n", 19));
    const struct {
        const char* name;
        const char* display;
    } cases[] = {
        {"evil.exe", "Evil Dialer"},  // the first line of a name wins, in any case
        {"Evil.Exe", "Evil Dialer"},
        {"bar.exe", "Bar=Toolbar"},   // split at the first "="
        {"no separator", ""},
        {"", "nameless"},
        {"spy.exe", ""},
        {"after.exe", "Before NUL"},
        {"hidden.exe", ""},           // after the NUL
    };
    for (const auto& c : cases)
        EXPECT_EQ(names.DisplayNameOf(c.name), c.display) << c.name;
    EXPECT_EQ(names.DisplayNameOr("spy.exe", "spy.exe"), "spy.exe");
    EXPECT_EQ(names.DisplayNameOr("EVIL.exe", "x"), "Evil Dialer");
}

TEST(NamesBinding, AMissingFileKnowsNoNames)
{
    test_support::TempFolder folder;
    TNamesBinding names;
    names.LoadFromText("a=b");
    EXPECT_FALSE(names.LoadFromFile(folder.File("files.names.binding")));
    EXPECT_EQ(names.Count(), 0);
    test_support::WriteAll(folder.File("files.names.binding"), "a=b\r\n", 5);
    EXPECT_TRUE(names.LoadFromFile(folder.File("files.names.binding")));
    EXPECT_EQ(names.DisplayNameOf("A"), "b");
}
