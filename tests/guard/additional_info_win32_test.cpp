#include "guard/additional_info_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>

#include "classlib/string_list.h"
#include "classlib/win_handle.h"
#include "guard/autostart_helper.h"
#include "support/test_support.h"

namespace {

std::wstring Wide(const String& text)
{
    return std::wstring(text.begin(), text.end());  // the test's paths are ASCII
}

// Writes a shell link through the shell's own objects: to `target`, or with
// no target at all when there is none.
void SaveLink(const String& linkFile, const std::optional<String>& target)
{
    const TComScope com;
    TComPtr<IShellLinkA> link;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid())));
    if (target)
        ASSERT_TRUE(SUCCEEDED(link->SetPath(target->c_str())));
    else
        ASSERT_TRUE(SUCCEEDED(link->SetDescription("no target")));
    TComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.OutVoid())));
    ASSERT_TRUE(SUCCEEDED(file->Save(Wide(linkFile).c_str(), TRUE)));
}

// The file opened without sharing, so that nobody else can read it while
// the result lives.
TUniqueHandle LockFile(const String& path)
{
    return TUniqueHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(InternetShortcutInformation, ShowsTheFavouriteNameAndItsAddress)
{
    test_support::TempFolder folder;
    struct Case {
        const char* file;
        std::optional<std::string> content;  // nullopt: the favourite is gone
        bool expected;
        String expectedText;
    } const cases[] = {
        {"Example Site.url", "[InternetShortcut]\r\nURL=http://example.invalid/start\r\n", true,
         "\r\n\r\nFavorite name: Example Site\r\nURL: http://example.invalid/start"},
        {"No.Address.URL", "[InternetShortcut]\r\nIconIndex=0\r\n", true, "\r\n\r\nFavorite name: No.Address"},
        {"Gone.url", std::nullopt, true, "\r\n\r\nFavorite name: Gone"},
        {"notes.txt", "[InternetShortcut]\r\nURL=http://example.invalid/\r\n", false, ""},
    };
    for (const Case& c : cases) {
        const String path = folder.File(c.file);
        if (c.content)
            test_support::WriteAll(path, *c.content);
        String text = "left over";
        EXPECT_EQ(TInternetShortcutInformation().Describe(path, path, text), c.expected) << c.file;
        EXPECT_EQ(text, c.expectedText) << c.file;
    }
}

TEST(ShellLinkInformation, ShowsTheShortcutAndLetsTheProgramsOwnPass)
{
    test_support::TempFolder folder;
    const String ownProgram = folder.File("talmoris.exe");
    const String otherProgram = folder.File("updater.exe");
    test_support::WriteAll(ownProgram, std::string("MZ"));
    test_support::WriteAll(otherProgram, std::string("MZ"));

    enum class Made { Link, File };
    struct Case {
        const char* file;
        Made made;
        std::optional<String> target;  // for a link: nullopt saves one without a target
        bool expected;
        String expectedName;  // the text up to the target; "" for no text at all
        bool showsTarget;
    } const cases[] = {
        {"Updater.lnk", Made::Link, otherProgram, true, "\r\n\r\nDisplay name: Updater", true},
        {"Security guard.lnk", Made::Link, ownProgram, false, "\r\n\r\nDisplay name: Security guard", false},
        {"Talmoris.lnk", Made::Link, otherProgram, false, "\r\n\r\nDisplay name: Talmoris", true},
        // The shell answers success without an item list: only the name shows.
        {"Empty.lnk", Made::Link, std::nullopt, true, "\r\n\r\nDisplay name: Empty", false},
        {"Broken.lnk", Made::File, "not a shell link", true, "\r\n\r\nDisplay name: Broken", false},
        {"dropped.exe", Made::File, "MZ", true, "", false},
        {"start.bat", Made::File, "@echo off\r\nupdater.exe\r\n", true, "", false},
    };
    TShellLinkInformation info;
    for (const Case& c : cases) {
        const String path = folder.File(c.file);
        if (c.made == Made::Link)
            SaveLink(path, c.target);
        else
            test_support::WriteAll(path, *c.target);
        String text = "left over";
        EXPECT_EQ(info.Describe(path, path, text), c.expected) << c.file;
        if (!c.showsTarget) {
            EXPECT_EQ(text, c.expectedName) << c.file;
            continue;
        }
        const String prefix = c.expectedName + "\r\nPath to file: ";
        ASSERT_EQ(text.substr(0, prefix.size()), prefix) << c.file << ": " << text;
        // The shell hands back the target in its own spelling of the folder.
        EXPECT_EQ(CompareText(text.substr(prefix.size()), *c.target), 0) << c.file << ": " << text;
    }
}

TEST(ShellLinkInformation, AShortcutThatCantBeReadShowsItsNameOnly)
{
    test_support::TempFolder folder;
    const String program = folder.File("updater.exe");
    test_support::WriteAll(program, std::string("MZ"));
    const String link = folder.File("Locked.lnk");
    SaveLink(link, program);
    const TUniqueHandle lock = LockFile(link);
    ASSERT_TRUE(lock.Valid());
    String text = "left over";
    EXPECT_TRUE(TShellLinkInformation().Describe(link, link, text));
    EXPECT_EQ(text, "\r\n\r\nDisplay name: Locked");
}

// A guarded file that exists but can't be read (another program holds it
// without sharing) is asked without detail; a copy that can't be read counts
// as empty.
TEST(FileProviders, AFileThatCantBeReadIsAskedWithoutDetail)
{
    test_support::TempFolder folder;
    const String path = folder.File("win.ini");
    const String copy = folder.File("win.ini.protection");
    test_support::WriteAll(path, std::string("[windows]\r\nload=a.exe\r\n"));
    test_support::WriteAll(copy, std::string("[windows]\r\nload=a.exe\r\n"));
    TIniFileInformation ini;
    ini.AddWatch("windows", "load");
    TTextFilesInformation lines;
    IFileAction* const providers[] = {&ini, &lines};
    {
        const TUniqueHandle lock = LockFile(path);
        ASSERT_TRUE(lock.Valid());
        for (IFileAction* provider : providers) {
            String text = "left over";
            EXPECT_TRUE(provider->Describe(path, copy, text));
            EXPECT_EQ(text, "");
        }
    }
    const TUniqueHandle lock = LockFile(copy);
    ASSERT_TRUE(lock.Valid());
    String text;
    EXPECT_TRUE(ini.Describe(path, copy, text));
    EXPECT_EQ(text, "\r\n\r\nValue 'load' in section [windows] added.\r\nAdded value: a.exe\r\n");
    EXPECT_TRUE(lines.Describe(path, copy, text));
    EXPECT_EQ(text, "\r\n\r\nAdded strings:\r\n\r\n1. '[windows]'\r\n2. 'load=a.exe'\r\n");
}

// The blanks of an ini file are read as the system reads them: its own
// GetPrivateProfileStringA is the peer for every layout of a single section.
TEST(GetIniValue, TrimsAsTheSystemsOwnIniReading)
{
    test_support::TempFolder folder;
    const String path = folder.File("layout.ini");
    const char* const files[] = {
        "[windows]\r\nload=a.exe\r\n",
        "  [windows]\t\r\nload=a.exe\r\n",
        "  [ Windows ]  \r\nload=a.exe\r\n",
        "[windows]\r\n load = x\r\n",
        "[windows]\r\n\tLOAD\t=\ta.exe  b.exe \r\n",
        "[windows]\r\nload = first\r\nload=second\r\n",
        "[windows]\r\n=load=x\r\nload=y\r\n",
        "[windows]\r\n[other]\r\nload=a\r\n",
        "[boot]\r\nload=a.exe\r\n",
        "[windows]\r\nrun=b.exe\r\n",
        "[windows] ; desktop\r\nload=a.exe\r\n",
        "[windows\r\nload=a.exe\r\n",
        "[windows]\r\nload=a\r\n[windows\r\nload=b\r\n",
    };
    for (const char* content : files) {
        test_support::WriteAll(path, std::string(content));
        char system[256] = {};
        GetPrivateProfileStringA("windows", "load", "", system, sizeof system, path.c_str());
        TStringList lines;
        lines.LoadFromFile(path);
        EXPECT_EQ(GetIniValue(lines, "windows", "load"), String(system)) << content;
    }
}

}  // namespace
