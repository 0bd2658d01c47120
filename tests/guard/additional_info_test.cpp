#include "guard/additional_info_interface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <optional>
#include <vector>

#include "support/test_support.h"

namespace {

TStringList Lines(const std::vector<String>& lines)
{
    TStringList list;
    for (const String& line : lines)
        list.Add(line);
    return list;
}

struct IniValueCase {
    const char* name;
    std::vector<String> lines;
    String section;
    String valueName;
    String expected;
};

TEST(GetIniValue, FindsTheValueByTheRulesOfTheIniFile)
{
    const IniValueCase cases[] = {
        {"header in any letter case", {"[Windows]", "load=a.exe"}, "windows", "load", "a.exe"},
        {"value name in any letter case, value as it stands", {"[windows]", "LOAD=Prog.EXE"}, "windows", "load",
         "Prog.EXE"},
        {"header line is trimmed", {"  [windows]\t", "load=a.exe"}, "windows", "load", "a.exe"},
        {"name inside the brackets is trimmed", {"  [ Windows ]  ", "load=a.exe"}, "windows", "load", "a.exe"},
        {"text after the closing bracket is no part of the name", {"[windows] ; desktop", "load=a.exe"}, "windows",
         "load", "a.exe"},
        {"value lines are trimmed", {"[windows]", "\t  load=a.exe  "}, "windows", "load", "a.exe"},
        {"blanks around the = belong to neither side", {"[windows]", " load = x"}, "windows", "load", "x"},
        {"blanks inside the value stay", {"[windows]", "load =  a.exe  b.exe "}, "windows", "load", "a.exe  b.exe"},
        {"a name of blanks only names nothing", {"[windows]", "  =x", " \t =y"}, "windows", "", ""},
        {"everything after the first = is the value", {"[windows]", "load=a=b"}, "windows", "load", "a=b"},
        {"first occurrence in a section counts", {"[windows]", "load=a", "load=b"}, "windows", "load", "a"},
        {"later section of the same name wins",
         {"[windows]", "load=a", "[boot]", "load=b", "[WINDOWS]", "load=c"}, "windows", "load", "c"},
        {"later section without the value keeps the earlier one", {"[windows]", "load=a", "[windows]", "run=x"},
         "windows", "load", "a"},
        {"a trimmed [ line closes the section", {"[windows]", "  [other]", "load=a"}, "windows", "load", ""},
        {"a [ line without ] closes the section too", {"[windows]", "[broken", "load=a"}, "windows", "load", ""},
        {"the first occurrence counts even when a later one differs only in blanks",
         {"[windows]", "load = a", "load=b"}, "windows", "load", "a"},
        {"= at position 0 names nothing", {"[windows]", "=a.exe"}, "windows", "", ""},
        {"= at position 0 is skipped, the scan goes on", {"[windows]", "=load=x", "load=y"}, "windows", "load", "y"},
        {"value in another section only", {"[boot]", "load=a.exe"}, "windows", "load", ""},
        {"value before any section", {"load=a.exe", "[windows]"}, "windows", "load", ""},
        {"no lines", {}, "windows", "load", ""},
    };
    for (const IniValueCase& c : cases)
        EXPECT_EQ(GetIniValue(Lines(c.lines), c.section, c.valueName), c.expected) << c.name;
}

TEST(DummyInfo, AsksEveryChangeWithoutDetail)
{
    TDummyInfo info;
    String text = "left over";
    EXPECT_TRUE(info.Describe("no such file", "no such copy", text));
    EXPECT_EQ(text, "");
}

struct ProviderCase {
    const char* name;
    std::optional<String> current;  // nullopt: the guarded file is missing
    std::optional<String> stored;   // nullopt: no stored copy
    bool expected;
    String expectedText;
};

void RunCases(IFileAction& provider, const ProviderCase* begin, const ProviderCase* end)
{
    test_support::TempFolder folder;
    const String path = folder.File("guarded.txt");
    const String copy = folder.File("guarded.copy");
    for (const ProviderCase* c = begin; c != end; ++c) {
        std::remove(path.c_str());
        std::remove(copy.c_str());
        if (c->current)
            test_support::WriteAll(path, *c->current);
        if (c->stored)
            test_support::WriteAll(copy, *c->stored);
        String text = "left over";
        EXPECT_EQ(provider.Describe(path, copy, text), c->expected) << c->name;
        EXPECT_EQ(text, c->expectedText) << c->name;
    }
}

TEST(IniFileInformation, ReportsOnlyTheWatchedValues)
{
    TIniFileInformation winIni;
    winIni.AddWatch("windows", "load");
    winIni.AddWatch("windows", "run");
    const String before = "[windows]\r\nload=\r\nrun=\r\ndevice=HP\r\n";
    const ProviderCase cases[] = {
        {"change outside the watched values", "[windows]\r\nload=\r\nrun=\r\ndevice=Canon\r\n", before, false, ""},
        {"load set from nothing", "[windows]\r\nload=evil.exe\r\nrun=\r\ndevice=HP\r\n", before, true,
         "\r\n\r\nValue 'load' in section [windows] added.\r\nAdded value: evil.exe\r\n"},
        {"run deleted", "[windows]\r\nload=\r\ndevice=HP\r\n", "[windows]\r\nrun=tool.exe\r\n", true,
         "\r\n\r\nValue 'run' in section [windows] deleted.\r\nDeleted value: tool.exe\r\n"},
        {"both changed, in watch order", "[windows]\r\nrun=new.exe\r\nload=b.exe\r\n",
         "[windows]\r\nload=a.exe\r\nrun=old.exe\r\n", true,
         "\r\n\r\nValue 'load' in section [windows] changed.\r\nOld value: a.exe\r\nNew value: b.exe\r\n"
         "\r\nValue 'run' in section [windows] changed.\r\nOld value: old.exe\r\nNew value: new.exe\r\n"},
        {"letter case of a value only", "[windows]\r\nload=A.EXE\r\n", "[windows]\r\nload=a.exe\r\n", false, ""},
        {"watched value moved to another section", "[boot]\r\nload=a.exe\r\n", "[windows]\r\nload=a.exe\r\n", true,
         "\r\n\r\nValue 'load' in section [windows] deleted.\r\nDeleted value: a.exe\r\n"},
        {"a later section of the same name wins", "[windows]\r\nload=a.exe\r\n[boot]\r\n[Windows]\r\nload=b.exe\r\n",
         "[windows]\r\nload=a.exe\r\n", true,
         "\r\n\r\nValue 'load' in section [windows] changed.\r\nOld value: a.exe\r\nNew value: b.exe\r\n"},
        {"blanks around the = only", "[windows]\r\n load = a.exe \r\n", "[windows]\r\nload=a.exe\r\n", false, ""},
        {"value written with blanks around the =", "[windows]\r\n load = x\r\n", before, true,
         "\r\n\r\nValue 'load' in section [windows] added.\r\nAdded value: x\r\n"},
        {"header written with blanks", "  [ Windows ]  \r\nrun=x.exe\r\n", before, true,
         "\r\n\r\nValue 'run' in section [windows] added.\r\nAdded value: x.exe\r\n"},
        {"header re-spaced only", "  [ Windows ]  \r\nload=a.exe\r\n", "[windows]\r\nload=a.exe\r\n", false, ""},
        {"no stored copy", "[windows]\r\nrun=x.exe\r\n", std::nullopt, true,
         "\r\n\r\nValue 'run' in section [windows] added.\r\nAdded value: x.exe\r\n"},
        {"guarded file missing", std::nullopt, before, false, ""},
    };
    RunCases(winIni, std::begin(cases), std::end(cases));
}

TEST(IniFileInformation, EachInstanceHasItsOwnWatchList)
{
    TIniFileInformation systemIni;
    systemIni.AddWatch("boot", "shell");
    systemIni.AddWatch("boot", "scrnsave.exe");
    const ProviderCase cases[] = {
        {"win.ini values are not watched here", "[windows]\r\nload=evil.exe\r\n", "[windows]\r\n", false, ""},
        {"shell replaced", "[boot]\r\nshell=explorer.exe evil.exe\r\n", "[boot]\r\nshell=explorer.exe\r\n", true,
         "\r\n\r\nValue 'shell' in section [boot] changed.\r\nOld value: explorer.exe\r\n"
         "New value: explorer.exe evil.exe\r\n"},
    };
    RunCases(systemIni, std::begin(cases), std::end(cases));
}

TEST(TextFilesInformation, ReportsAddedDeletedAndCaseChangedLines)
{
    TTextFilesInformation text;
    const String hosts = "127.0.0.1 localhost\r\n10.0.0.1 bank.example\r\n";
    const ProviderCase cases[] = {
        {"address changed on one line", "127.0.0.1 localhost\r\n10.0.0.2 bank.example\r\n", hosts, true,
         "\r\n\r\nAdded strings:\r\n\r\n1. '10.0.0.2 bank.example'\r\n"
         "\r\nDeleted strings:\r\n\r\n1. '10.0.0.1 bank.example'\r\n"},
        {"no stored copy: every non-empty line added", "first\r\n\r\n   \r\n  second  \r\n", std::nullopt, true,
         "\r\n\r\nAdded strings:\r\n\r\n1. 'first'\r\n2. 'second'\r\n"},
        {"reordered, blanks and empty lines changed", "\r\n  10.0.0.1 bank.example\t\r\n\r\n127.0.0.1 localhost",
         hosts, false, ""},
        {"letter case changed only", "127.0.0.1 LOCALHOST\r\n10.0.0.1 bank.example\r\n", hosts, true,
         "\r\n\r\nChanged strings:\r\n\r\n1. from '127.0.0.1 localhost' to '127.0.0.1 LOCALHOST'\r\n"},
        {"all three blocks, each numbered from 1", "ECHO OFF\r\nset a=1\r\nset b=2\r\n", "echo off\r\nrem old\r\n",
         true,
         "\r\n\r\nAdded strings:\r\n\r\n1. 'set a=1'\r\n2. 'set b=2'\r\n"
         "\r\nDeleted strings:\r\n\r\n1. 'rem old'\r\n"
         "\r\nChanged strings:\r\n\r\n1. from 'echo off' to 'ECHO OFF'\r\n"},
        {"one line added", "127.0.0.1 localhost\r\n10.0.0.1 bank.example\r\n10.6.6.6 update.example\r\n", hosts,
         true, "\r\n\r\nAdded strings:\r\n\r\n1. '10.6.6.6 update.example'\r\n"},
        {"one line deleted", "10.0.0.1 bank.example\r\n", hosts, true,
         "\r\n\r\nDeleted strings:\r\n\r\n1. '127.0.0.1 localhost'\r\n"},
        {"unchanged", hosts, hosts, false, ""},
        {"a line repeated in other letter case matches the first stored spelling",
         "Set a=1\r\n", "set a=1\r\nSET A=1\r\n", true,
         "\r\n\r\nChanged strings:\r\n\r\n1. from 'set a=1' to 'Set a=1'\r\n"},
        {"a line added twice is numbered twice", "x\r\nnew\r\nnew\r\n", "x\r\n", true,
         "\r\n\r\nAdded strings:\r\n\r\n1. 'new'\r\n2. 'new'\r\n"},
        {"every line removed", "", hosts, true,
         "\r\n\r\nDeleted strings:\r\n\r\n1. '127.0.0.1 localhost'\r\n2. '10.0.0.1 bank.example'\r\n"},
        {"guarded file missing", std::nullopt, hosts, false, ""},
    };
    RunCases(text, std::begin(cases), std::end(cases));
}

// A hosts file of a blocking list is large: the comparison must not grow with
// the square of its lines (this test would then run for hours).
TEST(TextFilesInformation, ComparesALargeHostsFileLineByLine)
{
    constexpr int kLines = 100000;
    String stored, current;
    for (int i = 0; i < kLines; ++i) {
        const String line = "0.0.0.0 ads" + IntToStr(i) + ".example\r\n";
        stored += line;
        if (i == 500)
            current += "0.0.0.0 ADS500.example\r\n";  // letter case only
        else if (i != 70000)
            current += line;
    }
    current += "10.0.0.9 bank.example\r\n";
    TTextFilesInformation text;
    const ProviderCase cases[] = {
        {"one added, one deleted, one case-changed among 100000", current, stored, true,
         "\r\n\r\nAdded strings:\r\n\r\n1. '10.0.0.9 bank.example'\r\n"
         "\r\nDeleted strings:\r\n\r\n1. '0.0.0.0 ads70000.example'\r\n"
         "\r\nChanged strings:\r\n\r\n1. from '0.0.0.0 ads500.example' to '0.0.0.0 ADS500.example'\r\n"},
    };
    RunCases(text, std::begin(cases), std::end(cases));

    // Without a copy every line is added, numbered in file order.
    test_support::TempFolder folder;
    const String path = folder.File("hosts");
    test_support::WriteAll(path, current);
    String description;
    ASSERT_TRUE(text.Describe(path, folder.File("hosts.protection"), description));
    const String first = "\r\n\r\nAdded strings:\r\n\r\n1. '0.0.0.0 ads0.example'\r\n2. '0.0.0.0 ads1.example'";
    const String last = "\r\n99999. '0.0.0.0 ads99999.example'\r\n100000. '10.0.0.9 bank.example'\r\n";
    ASSERT_GE(description.size(), first.size() + last.size());
    EXPECT_EQ(description.substr(0, first.size()), first);
    EXPECT_EQ(description.substr(description.size() - last.size()), last);
}

}  // namespace
