#include "guard/additional_info_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "guard/autostart_helper.h"
#include "support/test_support.h"

namespace {

std::wstring Wide(const String& text)
{
    return std::wstring(text.begin(), text.end());  // the test's paths are ASCII
}

// Writes a shell link to `target` through the shell's own objects.
void SaveLink(const String& linkFile, const String& target)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        TComPtr<IShellLinkA> link;
        ASSERT_TRUE(SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid())));
        ASSERT_TRUE(SUCCEEDED(link->SetPath(target.c_str())));
        TComPtr<IPersistFile> file;
        ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.OutVoid())));
        ASSERT_TRUE(SUCCEEDED(file->Save(Wide(linkFile).c_str(), TRUE)));
    }
    CoUninitialize();
}

TEST(InternetShortcutInformation, ShowsTheFavouriteNameAndItsAddress)
{
    test_support::TempFolder folder;
    struct Case {
        const char* file;
        const char* content;
        bool expected;
        String expectedText;
    } const cases[] = {
        {"Example Site.url", "[InternetShortcut]\r\nURL=http://example.invalid/start\r\n", true,
         "\r\n\r\nFavorite name: Example Site\r\nURL: http://example.invalid/start"},
        {"No.Address.URL", "[InternetShortcut]\r\nIconIndex=0\r\n", true, "\r\n\r\nFavorite name: No.Address"},
        {"notes.txt", "[InternetShortcut]\r\nURL=http://example.invalid/\r\n", false, ""},
    };
    for (const Case& c : cases) {
        const String path = folder.File(c.file);
        test_support::WriteAll(path, std::string(c.content));
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
    const String ownLink = folder.File("Security guard.lnk");
    const String otherLink = folder.File("Updater.lnk");
    const String namedLikeOurs = folder.File("Talmoris.lnk");
    SaveLink(ownLink, ownProgram);
    SaveLink(otherLink, otherProgram);
    SaveLink(namedLikeOurs, otherProgram);

    TShellLinkInformation info;
    String text = "left over";
    EXPECT_FALSE(info.Describe(ownLink, ownLink, text)) << "a shortcut to talmoris.exe is never questioned";

    text = "left over";
    EXPECT_TRUE(info.Describe(otherLink, otherLink, text));
    const String prefix = "\r\n\r\nDisplay name: Updater\r\nPath to file: ";
    ASSERT_EQ(text.substr(0, prefix.size()), prefix) << text;
    // The shell hands back the target in its own spelling of the folder.
    EXPECT_EQ(CompareText(text.substr(prefix.size()), otherProgram), 0) << text;

    text = "left over";
    EXPECT_FALSE(info.Describe(namedLikeOurs, namedLikeOurs, text)) << "the shortcut named like the program's own";

    const String plainProgram = folder.File("dropped.exe");
    test_support::WriteAll(plainProgram, std::string("MZ"));
    text = "left over";
    EXPECT_TRUE(info.Describe(plainProgram, plainProgram, text)) << "a program placed directly is asked";
    EXPECT_EQ(text, "");
}

TEST(ShellLinkInformation, AnUnreadableShortcutShowsItsNameOnly)
{
    test_support::TempFolder folder;
    const String broken = folder.File("Broken.lnk");
    test_support::WriteAll(broken, std::string("not a shell link"));
    String text;
    EXPECT_TRUE(TShellLinkInformation().Describe(broken, broken, text));
    EXPECT_EQ(text, "\r\n\r\nDisplay name: Broken");
}

}  // namespace
