#include "classlib/sysutils.h"

#include <gtest/gtest.h>

TEST(SysUtils, TrimStripsEveryControlCharacterAndBlank)
{
    EXPECT_EQ(Trim(String("\t\r\n \x01x y\x1f \x7f")), "x y\x1f \x7f");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim(String("\xa0" "a")), "\xa0" "a");  // bytes above 127 are text, not blanks
}

TEST(SysUtils, CaseRulesAreAsciiOnly)
{
    EXPECT_EQ(UpperCase("abc-XYZ_\xe4"), "ABC-XYZ_\xe4");
    EXPECT_EQ(LowerCase("ABC-xyz_\xc4"), "abc-xyz_\xc4");
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "abd"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    // Compared upper-cased: '_' (0x5F) sorts after every letter.
    EXPECT_GT(CompareText("a_", "aZ"), 0);
    EXPECT_TRUE(SameText("HKEY_Local_Machine", "hkey_local_machine"));
}

TEST(SysUtils, NumbersAsText)
{
    EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
    EXPECT_EQ(IntToHex(255, 8), "000000FF");
    EXPECT_EQ(IntToHex(0xDEADBEEF, 2), "DEADBEEF");
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(-1, 8), "FFFFFFFF");  // a 32-bit value stays 32 bits wide
    EXPECT_EQ(IntToHex(std::int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");

    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"42", 42}, {" -7 ", -7}, {"+3", 3}, {"$ff", 255}, {"0x10", 16}, {"2147483647", 2147483647},
        {"2147483648", -1}, {"", -1}, {"12a", -1}, {"-", -1}, {"0x", -1}, {"99999999999999999999999", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << c.text;
}

TEST(SysUtils, PositionsAreOneBased)
{
    EXPECT_EQ(Pos("b", "abc"), 2);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Copy("abc", 3, 100), "c");
    EXPECT_EQ(Copy("abc", 4, 1), "");
    EXPECT_EQ(Copy("abc", 0, 2), "ab");
    EXPECT_EQ(Copy("abc", 2, -1), "");
}

TEST(SysUtils, StringReplaceFlags)
{
    EXPECT_EQ(StringReplace("a{CRLF}b{crlf}c", "{CRLF}", "\r\n", rfReplaceAll), "a\r\nb{crlf}c");
    EXPECT_EQ(StringReplace("a{CRLF}b{crlf}c", "{CRLF}", "|", rfReplaceAll | rfIgnoreCase), "a|b|c");
    EXPECT_EQ(StringReplace("aaa", "a", "b", rfNone), "baa");
    EXPECT_EQ(StringReplace("aaa", "", "b", rfReplaceAll), "aaa");
    EXPECT_EQ(StringReplace("aaaa", "aa", "a", rfReplaceAll), "aa");  // no re-scan of replaced text
}

TEST(SysUtils, FileNameParts)
{
    struct Case {
        const char* name;
        const char* path;
        const char* file;
        const char* ext;
    } cases[] = {
        {"C:\\data\\freeze.list", "C:\\data\\", "freeze.list", ".list"},
        {"C:freeze", "C:", "freeze", ""},
        {"/tmp/a.b/c", "/tmp/a.b/", "c", ""},
        {"snap.tar.bz2", "", "snap.tar.bz2", ".bz2"},
        {"dir\\", "dir\\", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
    }
    EXPECT_EQ(ChangeFileExt("C:\\a\\freeze.list", ".bad"), "C:\\a\\freeze.bad");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\freeze", ".bad"), "C:\\a.b\\freeze.bad");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a"), String("C:\\a") + PathDelim);
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\a\\\\"), "C:\\a");
}

TEST(SysUtils, AcceleratorsOfCaptions)
{
    const struct {
        const char* caption;
        char accelerator;
    } cases[] = {
        {"&Always forbid", 'A'}, {"Always &forbid", 'f'}, {"Save && &quit", 'q'}, {"Save && quit", 0},
        {"No accelerator", 0},   {"Trailing &", 0},        {"&&&x", 'x'},          {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AcceleratorOf(c.caption), c.accelerator) << c.caption;
    EXPECT_TRUE(IsAccel('a', "&Always forbid"));
    EXPECT_TRUE(IsAccel('F', "Always &forbid"));
    EXPECT_FALSE(IsAccel('l', "&Always forbid"));
    EXPECT_FALSE(IsAccel('&', "Save && quit"));
    EXPECT_FALSE(IsAccel(0, ""));
}

TEST(SysUtils, StripHotkeyShowsTheCaptionAsDrawn)
{
    struct Case {
        const char* caption;
        const char* shown;
    } cases[] = {
        {"E&xit", "Exit"}, {"&Open && close", "Open & close"}, {"Save &&& quit", "Save & quit"},
        {"Plain", "Plain"}, {"Trailing &", "Trailing "}, {"", ""}, {"&&&&", "&&"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripHotkey(c.caption), c.shown) << c.caption;
}

TEST(SysUtils, HintsSplitAtTheirBar)
{
    EXPECT_EQ(GetShortHint("Scan|Scans the whole system"), "Scan");
    EXPECT_EQ(GetLongHint("Scan|Scans the whole system"), "Scans the whole system");
    EXPECT_EQ(GetShortHint("Start protection"), "Start protection");
    EXPECT_EQ(GetLongHint("Start protection"), "Start protection");
    EXPECT_EQ(GetLongHint("a|b|c"), "b|c");
}
