// Removing found files on the real file system: a file goes, a missing one
// is reported, one without a quarantine copy stays, one in use goes at the
// next start and is reported as such, and the program's own files are never
// touched.
#include "scanner/file_removal.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "classlib/file_system.h"
#include "guard/common.h"
#include "scanner/search.h"
#include "scanner/search_services.h"
#include "support/test_support.h"

namespace {

class TFileScanner : public TSearchInterface {
public:
    TFileScanner(TSearch& engine, std::vector<String> paths) : TSearchInterface(engine, "KLF"), paths_(std::move(paths)) {}

    void Search() override
    {
        ClearResults();
        for (const String& path : paths_) {
            auto item = std::make_unique<TSearchResultInterface>();
            item->Kind = ikFile;
            item->Path = path;
            item->Name = ExtractFileName(path);
            AddItem(std::move(item));
        }
    }
    void Fix() override
    {
        TFileRemoval removal(*this);
        for (int i = 0; i < ResultCount(); ++i)
            if (Result(i)->Checked)
                removal.Remove(i);
        PackResults();
    }

private:
    std::vector<String> paths_;
};

}  // namespace

TEST(FileRemoval, RemovesReportsAndKeepsAsItMust)
{
    test_support::TempFolder folder;
    const String plain = folder.File("plain.exe"), missing = folder.File("missing.exe"),
                 uncopied = folder.File("uncopied.exe"), inUse = folder.File("in use.exe"),
                 own = GetProgramFolder() + "removal-probe.exe";
    for (const String& path : {plain, uncopied, inUse, own})
        test_support::WriteAll(path, "MZ spyware");
    SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_READONLY);  // cleared before deleting
    // Held open without delete sharing, as a running program holds its file.
    const HANDLE held = CreateFileA(inUse.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    TSearch search{TSearchTexts()};
    TFileScanner& scanner = search.AddScanner<TFileScanner>(std::vector<String>{plain, missing, uncopied, inUse, own});
    search.Search();
    ASSERT_EQ(scanner.ResultCount(), 5);
    for (int i = 0; i < scanner.ResultCount(); ++i)
        scanner.Result(i)->Checked = true;

    std::vector<String> events;
    search.OnFixing = [&](TSearchResultInterface& item, const String& text) {
        events.push_back("fixing " + text);
        return item.Path != uncopied;
    };
    search.OnError = [&](TSearchResultInterface&, const String& text) { events.push_back("error " + text); };
    search.OnRemovalDelayed = [&](TSearchResultInterface&, const String& text) { events.push_back("delayed " + text); };
    search.RemoveChecked();
    CloseHandle(held);

    EXPECT_EQ(events, (std::vector<String>{
                          "fixing " + plain,
                          "error Unable to delete '" + missing + "' file! Error message: " + SystemErrorText(2),
                          "fixing " + uncopied,
                          "error Unable to keep a quarantine copy of '" + uncopied + "'! It was not removed.",
                          "fixing " + inUse,
                          "delayed Unable to delete '" + inUse + "' file! This file will be deleted after system reboot.",
                      }));
    EXPECT_FALSE(FileExists(plain));
    EXPECT_TRUE(FileExists(uncopied));
    EXPECT_TRUE(FileExists(own)) << "the program's own folder is never touched";
    std::vector<String> left;
    for (int i = 0; i < scanner.ResultCount(); ++i)
        left.push_back(scanner.Result(i)->Path);
    EXPECT_EQ(left, (std::vector<String>{missing, uncopied, own}));
    DeleteFileA(own.c_str());
    DeleteFileA(inUse.c_str());  // free now; the scheduled deletion then finds nothing
}

TEST(SearchServices, FoldersKeysAndErrorTexts)
{
    EXPECT_EQ(RootKeyHandleOf(kLocalMachine), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootKeyHandleOf(kNoRootKey), nullptr);
    EXPECT_TRUE(KeyExists(kLocalMachine, "Software"));
    EXPECT_FALSE(KeyExists(kLocalMachine, "Software\\No Such Key Here"));
    EXPECT_FALSE(KeyExists(kNoRootKey, "Software"));
    const String windows = SpecialFolderPath(0x0024);  // CSIDL_WINDOWS
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(windows.back(), '\\');
    EXPECT_EQ(SpecialFolderPath(0x007F), "");
    EXPECT_FALSE(SystemErrorText(ERROR_FILE_NOT_FOUND).empty());

    const TSafetyFolders folders = ThisProgramSafetyFolders();
    EXPECT_TRUE(SameText(IncludeTrailingPathDelimiter(folders.WindowsFolder), windows));
    EXPECT_FALSE(IsRemovableFile(folders.WindowsFolder + "\\explorer.exe", folders));
    EXPECT_FALSE(IsRemovableFile(folders.SystemFolder, folders)) << "a folder";
    EXPECT_TRUE(IsRemovableFile("C:\\no-such-folder\\spy.exe", folders));
    EXPECT_FALSE(IsRemovableFile("C:\\no-such-folder\\spy.exe" + String(1, '\0') + ".txt", folders))
        << "a NUL the system would stop at";
    ASSERT_GE(folders.WindowsFolder.size(), 3u);
    EXPECT_FALSE(IsRemovableFile(folders.WindowsFolder.substr(0, 3) + "pagefile.sys", folders))
        << "a boot file in the root of this machine's system drive";
}
